#pragma once

#include "lumo/lumo_api.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>

namespace lumo {

// Hands device reports to the caller's callback on a thread of its own, one at a
// time, so that a callback that blocks never holds up the I/O thread and its
// commands, inquiries, acknowledgements and liveness sweeps.
//
// A device (serial number and MAC) has at most one report waiting: a newer one
// merges into it, so a slow consumer costs one entry per device and still ends in
// each device's latest state. Merging keeps the waiting report's place in the
// queue, takes the newer record and settles the event:
//   ONLINE + UPDATE  -> ONLINE   (the consumer has not seen the device yet)
//   ONLINE + OFFLINE -> nothing  (it never learns of a device already gone)
//   OFFLINE + ONLINE -> UPDATE   (it saw the device, which is back: still listed, new record)
//   UPDATE + UPDATE  -> UPDATE, UPDATE + OFFLINE -> OFFLINE (the newer event)
// Beyond the cap of waiting devices, a report of a device with nothing waiting is
// dropped and counted; merges into waiting reports go on at the cap.
class ReportDispatcher
{
public:
    ReportDispatcher(LUMO_DEVICE_CALLBACK callback, void* pUser, size_t nMaxPending);
    ~ReportDispatcher();
    ReportDispatcher(const ReportDispatcher&) = delete;
    ReportDispatcher& operator=(const ReportDispatcher&) = delete;

    void start();
    // Queues a report for the callback; never waits for the callback.
    void post(const LUMO_DEVICE_REPORT& report);
    // Discards the waiting reports and starts no callback any more; returns at once.
    void close();
    // Closes, then returns once a callback under way has returned.
    void stop();
    bool isDeliveryThread() const;

    size_t pending() const;
    uint64_t dropped() const { return m_nDropped; }

    // The event a waiting report and a newer one of the same device merge into;
    // nothing when both cancel out.
    static std::optional<uint32_t> mergedEvent(uint32_t nWaiting, uint32_t nNewer);

private:
    struct Waiting
    {
        std::string strDevice;
        LUMO_DEVICE_REPORT report;
    };

    static std::string deviceKey(const LUMO_DEVICE_REPORT& report);
    void deliverUntilClosed();

    LUMO_DEVICE_CALLBACK m_callback;
    void* m_pUser;
    const size_t m_nMaxPending;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::list<Waiting> m_queue;
    std::unordered_map<std::string, std::list<Waiting>::iterator> m_waitingByDevice;
    bool m_bClosed = false;
    std::atomic<uint64_t> m_nDropped{0};
    std::thread m_thread;
    std::thread::id m_threadId;
};

} // namespace lumo
