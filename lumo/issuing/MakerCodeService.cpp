#include "MakerCodeService.h"

namespace lumo {

namespace {

// The DEMO issuing key: it stands for the maker's, which never leaves the
// maker's service, and is published with these sources, so a device whose reset
// secret comes from it is a demo device. Simulator state files keep the reset
// secrets derived from it, so its bytes stay as they are: a new key would make
// lumo-seccode issue codes the devices of existing files refuse.
constexpr uint8_t kDemoIssuingKey[32] = {
    0x5b, 0x1e, 0x9a, 0x42, 0xc7, 0x03, 0x6d, 0xf1, 0x88, 0x2c, 0x71, 0xe4, 0x0f, 0xb9, 0x36, 0x5a,
    0xd2, 0x47, 0x9e, 0x13, 0x6a, 0xcc, 0x58, 0x01, 0xf7, 0x3b, 0x84, 0x29, 0xae, 0x60, 0x1d, 0x95};

} // namespace

ResetCode::Secret MakerCodeService::resetSecretFor(std::string_view strSerial)
{
    return ResetCode::secretFor(kDemoIssuingKey, sizeof(kDemoIssuingKey), strSerial);
}

std::string MakerCodeService::issue(std::string_view strSerial, uint32_t nDate)
{
    return ResetCode::forDate(resetSecretFor(strSerial), strSerial, nDate);
}

} // namespace lumo
