#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumo {

// What every side needs of the security code that restores a device's default
// password: the form in which it is compared and keyed, and the date arithmetic
// of its validity window. Dates are YYYYMMDD numbers. Issuing and checking codes
// take secrets the discovery library never holds (ResetCode, MakerCodeService).
class SecurityCode
{
public:
    // Upper case, spaces and dashes removed: how the code is compared and keyed.
    static std::string normalise(std::string_view strCode);
    static uint32_t today();
    static std::optional<uint32_t> parseDate(std::string_view strText);
    static uint32_t addDays(uint32_t nDate, int nDays);
};

} // namespace lumo
