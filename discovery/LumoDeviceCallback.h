#pragma once

#include <lumo/lumo_api.h>

// The function registered with the discovery library. It filters one report,
// copies it into a record and hands it to the device panel through its
// signals; it never touches widgets and may run on any thread.
void LUMO_CALL LumoDeviceCallback(const LUMO_DEVICE_REPORT* report, void* user);

// The plausibility check: true when one of the report's leading text fields is
// shorter than 64 characters.
bool IsPlausibleReport(const LUMO_DEVICE_REPORT& report);
