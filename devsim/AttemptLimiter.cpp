#include "AttemptLimiter.h"

#include <algorithm>

namespace devsim {

namespace {

uint32_t roundedUpSeconds(AttemptLimiter::Clock::duration remaining)
{
    using namespace std::chrono;
    if (remaining <= AttemptLimiter::Clock::duration::zero())
        return 0;
    return uint32_t(duration_cast<milliseconds>(remaining).count() + 999) / 1000;
}

} // namespace

AttemptLimiter::AttemptLimiter(std::chrono::milliseconds lockout, double dFailureBudget)
    : m_lockout(lockout), m_dBudgetSize(dFailureBudget), m_dBudget(dFailureBudget)
{
}

uint32_t AttemptLimiter::secondsRefused(uint32_t nSource, Clock::time_point now) const
{
    uint32_t nSeconds = 0;
    const auto it = m_sources.find(nSource);
    if (it != m_sources.end())
        nSeconds = roundedUpSeconds(it->second.lockedUntil - now);
    const auto oneSecondAgo = now - std::chrono::seconds(1);
    const size_t nRecent = size_t(std::count_if(m_recentFailures.begin(), m_recentFailures.end(),
                                                [oneSecondAgo](Clock::time_point t) { return t > oneSecondAgo; }));
    if (nRecent >= kDeviceFailuresPerSecond)
        nSeconds = std::max<uint32_t>(nSeconds, 1);
    return std::max(nSeconds, secondsUntilBudget(now));
}

double AttemptLimiter::budgetAt(Clock::time_point now) const
{
    if (m_budgetAt == Clock::time_point{} || now <= m_budgetAt)
        return m_dBudget;
    const double dRegained = std::chrono::duration<double>(now - m_budgetAt) / kBudgetRefill;
    return std::min(m_dBudgetSize, m_dBudget + dRegained);
}

uint32_t AttemptLimiter::secondsUntilBudget(Clock::time_point now) const
{
    const double dBudget = budgetAt(now);
    if (dBudget >= 1.0)
        return 0;
    const auto missing = std::chrono::duration_cast<Clock::duration>((1.0 - dBudget) * kBudgetRefill);
    return std::max<uint32_t>(1, roundedUpSeconds(missing));
}

AttemptLimiter::Source& AttemptLimiter::sourceFor(uint32_t nSource, Clock::time_point now)
{
    const auto it = m_sources.find(nSource);
    if (it != m_sources.end())
        return it->second;
    if (m_sources.size() >= kMaxSources) {
        // Forget the address whose last failure is oldest among those not locked now.
        auto victim = m_sources.end();
        for (auto candidate = m_sources.begin(); candidate != m_sources.end(); ++candidate) {
            if (candidate->second.lockedUntil > now)
                continue;
            if (victim == m_sources.end() || candidate->second.lastFailure < victim->second.lastFailure)
                victim = candidate;
        }
        m_sources.erase(victim != m_sources.end() ? victim : m_sources.begin());
    }
    return m_sources[nSource];
}

void AttemptLimiter::failed(uint32_t nSource, Clock::time_point now)
{
    m_dBudget = std::max(0.0, budgetAt(now) - 1.0);
    m_budgetAt = now;
    m_recentFailures.push_back(now);
    while (m_recentFailures.size() > kDeviceFailuresPerSecond)
        m_recentFailures.pop_front();
    Source& source = sourceFor(nSource, now);
    source.lastFailure = now;
    source.failures.push_back(now);
    while (!source.failures.empty() && now - source.failures.front() > kFailureWindow)
        source.failures.pop_front();
    if (source.failures.size() < size_t(kFailuresToLock))
        return;
    source.failures.clear();
    source.lockedUntil = now + m_lockout;
}

void AttemptLimiter::succeeded(uint32_t nSource)
{
    m_sources.erase(nSource);
}

} // namespace devsim
