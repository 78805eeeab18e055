#pragma once

#include "lumo/lumo_api.h"

#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// A copy of one report the library delivered.
struct ReceivedReport
{
    uint32_t nEvent = 0;
    std::string strSerial;
    std::string strMac;
    std::string strAddress;
    LUMO_DEVICE_REPORT raw{};
};

// Collects the library's reports; the callback runs on the library's thread.
class ReportCollector
{
public:
    static ReportCollector& instance();
    static void LUMO_CALL callback(const LUMO_DEVICE_REPORT* pReport, void* pUser);

    void clear();
    std::vector<ReceivedReport> snapshot() const;
    size_t countEvents(uint32_t nEvent) const;
    size_t distinctDevices(uint32_t nEvent) const;
    // Polls until the predicate holds on a snapshot or the time runs out.
    bool waitFor(const std::function<bool(const std::vector<ReceivedReport>&)>& predicate,
                 std::chrono::milliseconds timeout) const;
    bool waitForEvent(uint32_t nEvent, const std::string& strSerial, std::chrono::milliseconds timeout) const;

private:
    mutable std::mutex m_mutex;
    std::vector<ReceivedReport> m_reports;
};

// A program built beside the running test, by its name without ".exe".
QString siblingProgram(const QString& strName);

// Ports of this test process, apart from other test processes running at once
// or before it: chosen at random among free ones when first asked for, and
// chosen anew by moveToFreshPorts.
class TestPorts
{
public:
    // New ports for the next test function, so that nothing an earlier one left
    // behind (a simulator still ending, a late answer to an old inquiry) reaches
    // it; points the library at them. Call while the library is stopped.
    static void moveToFreshPorts();
    static uint16_t devicePort();
    static uint16_t clientPort();
    static uint16_t floorPort();
    // True when the port can be bound on its own, without sharing it through
    // address reuse with a socket that some process still holds.
    static bool isFree(uint16_t nPort);
    // Waits until the device port can be bound on the loopback, for a test that
    // starts a simulator right after another one of its own has ended.
    static bool waitUntilDevicePortIsFree(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Points the library at the loopback only: no adapter broadcasts, inquiries to 127.0.0.1.
    static void configureLibraryForLoopback();
};

// One lumo-devsim process on the loopback.
class DevsimProcess
{
public:
    ~DevsimProcess();

    static QString executable();
    // Starts with the loopback settings plus the extra arguments; waits for "ready".
    bool start(const QStringList& extraArguments);
    // SIGTERM: the devices say goodbye.
    bool stop();
    // SIGKILL: the devices fall silent.
    void kill();
    // Everything the simulator wrote to its error output so far.
    QString errorOutput();
    // Waits until the error output holds the text.
    bool waitForErrorOutput(const QString& text, std::chrono::milliseconds timeout);

private:
    QProcess m_process;
    QString m_strErrorOutput;
};

// Serial number and MAC text of device n of a generated fleet (--count).
std::string serialOf(int nNumber);
std::string macOf(int nNumber);
// A device's entry in the simulator's state file, empty when not there.
QJsonObject deviceInState(const QString& strPath, const std::string& strSerial);
QString addressInState(const QString& strPath, const std::string& strSerial);

// Builds the parameter block the way the utility does.
LUMO_NET_PARAM_BLOCK makeParamBlock(const char* pAddress, const char* pMask, const char* pGateway, uint16_t nPort);
