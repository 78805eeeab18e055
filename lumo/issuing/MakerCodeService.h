#pragma once

#include "ResetCode.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace lumo {

// The maker's side of the default-password restore, with a demo issuing key:
// the key from which every simulated device's reset secret is derived at its
// factory, and the code issued on request for a serial number and a date.
// Linked by lumo-seccode and by the simulator's fleet creation only, never by
// the discovery library or anything the program's packages install.
class MakerCodeService
{
public:
    static ResetCode::Secret resetSecretFor(std::string_view strSerial);
    static std::string issue(std::string_view strSerial, uint32_t nDate);
};

} // namespace lumo
