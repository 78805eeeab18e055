#pragma once

#include "Messages.h"

#include <optional>
#include <string>
#include <string_view>

namespace lumo {

// MAC address text "00:1A:2B:3C:4D:5E" (':' or '-' separators, either case) to bytes and back.
class MacAddress
{
public:
    static std::optional<MacBytes> parse(std::string_view strText);
    // Upper-case hex with ':' separators.
    static std::string format(const MacBytes& mac);
};

} // namespace lumo
