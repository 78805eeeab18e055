#pragma once

#include "ResetCode.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace lumo {

// The maker's side of the default-password restore: the issuing key from which
// every device's reset secret is derived at the factory, and the code issued on
// request for a serial number and a date. Linked by lumo-seccode and by the
// simulator's fleet creation only, never by the discovery library.
class MakerCodeService
{
public:
    static ResetCode::Secret resetSecretFor(std::string_view strSerial);
    static std::string issue(std::string_view strSerial, uint32_t nDate);
};

} // namespace lumo
