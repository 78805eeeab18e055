#pragma once

#include "SimDevice.h"

#include <string>
#include <vector>

namespace devsim {

// Fleets for a fresh state: the demo fleet, and numbered fleets for tests and benchmarks.
class FleetFactory
{
public:
    static constexpr const char* kDemoPassword = "demo1234";
    static constexpr const char* kGeneratedPassword = "admin1234";
    static constexpr const char* kDefaultPassword = "admin";

    // About a dozen devices, one of every kind of table row.
    static std::vector<SimDevice> demo(const std::string& strStartTime, const KeyCost& cost = {});
    // Device i: serial TL + ten digits of i+1, MAC 02:4C:55 + i+1; every fifth one
    // keeps the factory-default address 192.168.1.64.
    static std::vector<SimDevice> generated(size_t nCount, const std::string& strStartTime, const KeyCost& cost = {});
    // The keys of a password and of the default password under a salt: a fleet's
    // devices share one salt, so that making 10,000 of them takes two slow key
    // derivations, not 20,000 (a real device has a salt of its own).
    static void setPasswords(SimDevice& device, const char* pPassword, const lumo::Salt& salt, const KeyCost& cost);
    static std::string currentTimeText();
};

} // namespace devsim
