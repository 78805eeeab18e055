#pragma once

#include <chrono>
#include <random>

namespace devsim {

// Test faults of the simulated network: datagrams lost (each direction on its
// own), duplicated, or delayed.
class FaultInjector
{
public:
    FaultInjector(double dLoss, double dDuplicate, std::chrono::milliseconds delay, unsigned nSeed);

    bool dropIncoming();
    bool dropOutgoing();
    bool duplicateOutgoing();
    std::chrono::milliseconds delay() const { return m_delay; }

private:
    bool chance(double dProbability);

    double m_dLoss;
    double m_dDuplicate;
    std::chrono::milliseconds m_delay;
    std::mt19937 m_random;
};

} // namespace devsim
