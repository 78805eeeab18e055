#pragma once

#include "SimDevice.h"

#include <string>
#include <vector>

namespace devsim {

// The fleet's JSON state file. Saving writes a temporary file beside the target
// and renames it over the target, so a crash mid-write leaves the old file whole.
class FleetStore
{
public:
    // Throws std::runtime_error with a readable message on a missing or bad file.
    static std::vector<SimDevice> load(const std::string& strPath);
    static void save(const std::string& strPath, const std::vector<SimDevice>& devices);

    static std::string toJson(const std::vector<SimDevice>& devices);
    static std::vector<SimDevice> fromJson(const std::string& strText);
};

} // namespace devsim
