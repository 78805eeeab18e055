#pragma once

#include "OnvifSimDevice.h"

#include <string>
#include <vector>

namespace devsim {

class PasswordSeal;

// The ONVIF cameras' part of the fleet's state file: the list "onvif" beside
// "devices", one JSON object per camera. Passwords are stored sealed
// ("sealedPassword"); a hand-written file may give "password" in clear, which
// the next save replaces by its sealed form.
class OnvifFleetStore
{
public:
    static std::string deviceEntry(const OnvifSimDevice& device, const PasswordSeal& seal);
    // The "onvif" list of a whole state file; empty when it has none.
    // Throws std::runtime_error with a readable message on a bad entry.
    static std::vector<OnvifSimDevice> fromJson(const std::string& strText, const PasswordSeal* pSeal);
    static std::vector<OnvifSimDevice> load(const std::string& strPath, const PasswordSeal* pSeal);
    static std::vector<std::string> entries(const std::vector<OnvifSimDevice>& devices, const PasswordSeal& seal);
};

} // namespace devsim
