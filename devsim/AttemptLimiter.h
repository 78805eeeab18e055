#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <unordered_map>

namespace devsim {

// Limits password and code guessing at one device. Failed authentications are
// counted per source address: after kFailuresToLock within kFailureWindow the
// address is refused for the lockout (60 s); a success resets the address. The
// lockout never grows: source addresses can be spoofed, so a growing lockout
// would let anyone keep an installer's address out for long after they stop,
// while the budget below already bounds guessing. A device-wide limit of
// kDeviceFailuresPerSecond covers guesses from ever new (spoofed) addresses,
// and a device-wide budget bounds guessing over hours and days: it holds
// kFailureBudget failures and regains one every kBudgetRefill, so however many
// addresses guess, a day lets through at most kFailureBudget + 1,440.
// While the budget is spent every address is refused until it regains one.
class AttemptLimiter
{
public:
    using Clock = std::chrono::steady_clock;

    explicit AttemptLimiter(std::chrono::milliseconds lockout = std::chrono::seconds(60),
                            double dFailureBudget = kFailureBudget);

    // Whole seconds the address must still wait (rounded up); 0 when it may try.
    uint32_t secondsRefused(uint32_t nSource, Clock::time_point now) const;
    void failed(uint32_t nSource, Clock::time_point now);
    void succeeded(uint32_t nSource);

    static constexpr int kFailuresToLock = 5;
    static constexpr std::chrono::minutes kFailureWindow{10};
    static constexpr size_t kDeviceFailuresPerSecond = 20;
    static constexpr double kFailureBudget = 200;
    static constexpr std::chrono::minutes kBudgetRefill{1};
    // Addresses remembered; the quietest unlocked one makes room for a new one.
    static constexpr size_t kMaxSources = 1024;

private:
    struct Source
    {
        std::deque<Clock::time_point> failures; // within the window, oldest first
        Clock::time_point lockedUntil{};
        Clock::time_point lastFailure{};
    };

    Source& sourceFor(uint32_t nSource, Clock::time_point now);
    double budgetAt(Clock::time_point now) const;
    uint32_t secondsUntilBudget(Clock::time_point now) const;

    std::chrono::milliseconds m_lockout;
    double m_dBudgetSize;
    std::unordered_map<uint32_t, Source> m_sources;
    std::deque<Clock::time_point> m_recentFailures; // device-wide, the last second
    double m_dBudget;                                // failures still allowed, as of m_budgetAt
    Clock::time_point m_budgetAt{};
};

} // namespace devsim
