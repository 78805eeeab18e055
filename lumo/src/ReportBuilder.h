#pragma once

#include "Messages.h"
#include "lumo/lumo_api.h"

namespace lumo {

// Fills the callback's fixed-layout record from a device's answer.
class ReportBuilder
{
public:
    static LUMO_DEVICE_REPORT build(const DeviceInfo& device, uint32_t nEventCode);
};

} // namespace lumo
