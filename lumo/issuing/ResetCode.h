#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace lumo {

// The device side of the default-password restore: each device holds a reset
// secret of its own, and the code it accepts on a date is a keyed hash of its
// serial number and that date under this secret, cut to ten characters of an
// alphabet without the easily confused 0/O and 1/I. Dates are YYYYMMDD numbers.
class ResetCode
{
public:
    using Secret = std::array<uint8_t, 32>;

    static std::string forDate(const Secret& secret, std::string_view strSerial, uint32_t nDate);
    // The reset secret an issuing key gives the device with this serial number.
    static Secret secretFor(const uint8_t* pIssuingKey, size_t nKeySize, std::string_view strSerial);

    static constexpr size_t kLength = 10;
};

} // namespace lumo
