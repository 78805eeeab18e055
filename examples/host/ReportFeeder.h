#pragma once

#include <lumo/lumo_api.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

// A worker thread that hands made-up device reports to the utility, as a
// host with a discovery source of its own would.
class ReportFeeder
{
public:
    using CallBackFn = void (*)(const LUMO_DEVICE_REPORT*);

    explicit ReportFeeder(CallBackFn callBack);
    ~ReportFeeder();
    ReportFeeder(const ReportFeeder&) = delete;
    ReportFeeder& operator=(const ReportFeeder&) = delete;

    // Reports count more devices, one every 100 ms.
    void FeedDevices(int count);

private:
    void Run();
    static LUMO_DEVICE_REPORT MakeReport(int number);

    CallBackFn m_pCallBack;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    int m_nPending = 0;
    int m_nNext = 1;
    bool m_bStop = false;
    std::thread m_thread;
};
