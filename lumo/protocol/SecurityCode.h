#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumo {

// The code the maker issues to restore a device's default password: a keyed hash
// of serial number and date, cut to ten characters of an alphabet without the
// easily confused 0/O and 1/I. Dates are YYYYMMDD numbers.
class SecurityCode
{
public:
    static std::string issue(std::string_view strSerial, uint32_t nDate);
    // Upper case, spaces and dashes removed: how the code is compared and keyed.
    static std::string normalise(std::string_view strCode);
    static uint32_t today();
    static std::optional<uint32_t> parseDate(std::string_view strText);
    static uint32_t addDays(uint32_t nDate, int nDays);
};

} // namespace lumo
