#include "ReportFeeder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

template <std::size_t N>
void SetText(char (&field)[N], const char* text)
{
    std::memset(field, 0, N);
    std::memcpy(field, text, std::min(N - 1, std::strlen(text)));
}

} // namespace

ReportFeeder::ReportFeeder(CallBackFn callBack)
    : m_pCallBack(callBack)
    , m_thread(&ReportFeeder::Run, this)
{
}

ReportFeeder::~ReportFeeder()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void ReportFeeder::FeedDevices(int count)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_nPending += count;
    }
    m_wake.notify_one();
}

void ReportFeeder::Run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_bStop || m_nPending > 0; });
        if (m_bStop)
            return;
        --m_nPending;
        const LUMO_DEVICE_REPORT report = MakeReport(m_nNext++);
        lock.unlock();
        m_pCallBack(&report);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        lock.lock();
    }
}

LUMO_DEVICE_REPORT ReportFeeder::MakeReport(int number)
{
    LUMO_DEVICE_REPORT report;
    std::memset(&report, 0, sizeof report);
    char text[48];
    SetText(report.leading, "LUMO");
    std::snprintf(text, sizeof text, "HOST%08d", number);
    SetText(report.serial, text);
    std::snprintf(text, sizeof text, "02:00:5E:10:%02X:%02X", (number >> 8) & 0xFF, number & 0xFF);
    SetText(report.mac, text);
    std::snprintf(text, sizeof text, "10.20.%d.%d", (number >> 8) & 0xFF, (number & 0xFF) + 1);
    SetText(report.ipv4Address, text);
    SetText(report.ipv4Mask, "255.255.0.0");
    SetText(report.ipv4Gateway, "10.20.0.1");
    report.port = 8000;
    report.channelCount = number % 2 ? 1 : 4;
    SetText(report.softwareVersion, "V2.4.1 build 260101");
    SetText(report.dspVersion, "V1.0.7");
    SetText(report.startTime, "2026-12-01 08:00:00");
    report.eventCode = LUMO_EVENT_ONLINE;
    SetText(report.deviceTypeText, number % 2 ? "K-VNT1C" : "K-VNT4C");
    report.deviceClass = 0x1000;
    report.capabilities = LUMO_CAP_DHCP;
    report.extendedValid = 1;
    return report;
}
