#pragma once

#include "SimDevice.h"

#include <string>
#include <vector>

namespace devsim {

// The fleet's JSON state file, readable by its owner only. Saving replaces it
// through DurableFile: a crash leaves the old file or the new one, whole, and
// once save() returns the new one is on disk.
class FleetStore
{
public:
    // Throws std::runtime_error with a readable message on a missing or bad file.
    // Files of the old form (passwords in clear) are read with their keys derived
    // at conversionCost; saving writes the new form (keys and salt only).
    static std::vector<SimDevice> load(const std::string& strPath, const KeyCost& conversionCost = {});
    // onvifEntries: the ONVIF cameras' list (OnvifFleetStore), kept beside the devices.
    static void save(const std::string& strPath, const std::vector<SimDevice>& devices,
                     const std::vector<std::string>& onvifEntries = {});

    static std::string toJson(const std::vector<SimDevice>& devices, const std::vector<std::string>& onvifEntries = {});
    // toJson in two steps, so that a saver can keep the entries of unchanged devices:
    // one line of JSON per device, and the file around them.
    static std::string deviceEntry(const SimDevice& device);
    static std::string document(const std::vector<std::string>& entries,
                                const std::vector<std::string>& onvifEntries = {});
    static std::vector<SimDevice> fromJson(const std::string& strText, const KeyCost& conversionCost = {});
};

} // namespace devsim
