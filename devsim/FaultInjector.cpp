#include "FaultInjector.h"

namespace devsim {

FaultInjector::FaultInjector(double dLoss, double dDuplicate, std::chrono::milliseconds delay, unsigned nSeed)
    : m_dLoss(dLoss), m_dDuplicate(dDuplicate), m_delay(delay), m_random(nSeed)
{
}

bool FaultInjector::chance(double dProbability)
{
    if (dProbability <= 0.0)
        return false;
    return std::uniform_real_distribution<double>(0.0, 1.0)(m_random) < dProbability;
}

bool FaultInjector::dropIncoming()
{
    return chance(m_dLoss);
}

bool FaultInjector::dropOutgoing()
{
    return chance(m_dLoss);
}

bool FaultInjector::duplicateOutgoing()
{
    return chance(m_dDuplicate);
}

} // namespace devsim
