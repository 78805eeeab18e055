// The caller's callback never holds up the wire: a callback that blocks leaves
// commands, inquiries and liveness to go on; a stop waits for it and discards
// what is still queued. The queue between the I/O thread and the callback alone:
// its per-device merging and its bound.
#include "LumoTestSupport.h"
#include "ReportDispatcher.h"

#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

using namespace std::chrono_literals;

namespace {

constexpr const char* kPassword = "admin1234"; // of generated fleets

// What a held callback waits on: while the test holds it, a callback that
// comes to waitWhileHeld() stays there until the test releases it.
class CallbackHold
{
public:
    void hold()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bHolding = true;
    }

    void release()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bHolding = false;
        m_changed.notify_all();
    }

protected:
    void waitWhileHeld(std::unique_lock<std::mutex>& lock)
    {
        m_changed.wait(lock, [this] { return !m_bHolding; });
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_bHolding = false;
};

// A callback that can be held: while held, a report keeps it waiting until the
// test releases it, as a consumer waiting on a lock a modify holds would.
class CallbackGate : public CallbackHold
{
public:
    static void LUMO_CALL callback(const LUMO_DEVICE_REPORT* pReport, void* pUser)
    {
        static_cast<CallbackGate*>(pUser)->enter(pReport);
    }

    bool waitUntilHeld(std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [this] { return m_nWaiting > 0; });
    }

    int calls() const { return m_nCalls; }
    int returned() const { return m_nReturned; }

    void reset()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bHolding = false;
        m_nCalls = 0;
        m_nReturned = 0;
    }

private:
    void enter(const LUMO_DEVICE_REPORT* pReport)
    {
        ++m_nCalls;
        ReportCollector::callback(pReport, nullptr);
        std::unique_lock<std::mutex> lock(m_mutex);
        ++m_nWaiting;
        m_changed.notify_all();
        waitWhileHeld(lock);
        --m_nWaiting;
        ++m_nReturned;
    }

    int m_nWaiting = 0;
    std::atomic<int> m_nCalls{0};
    std::atomic<int> m_nReturned{0};
};

CallbackGate g_gate;

// What a call made from inside the callback returned, and the reason it gave.
enum class InsideCall { Stop, Modify, Reset };
std::atomic<InsideCall> g_insideCall{InsideCall::Stop};
std::atomic<int> g_nInsideResult{-1};
std::atomic<unsigned> g_nInsideReason{0};

void LUMO_CALL callingCallback(const LUMO_DEVICE_REPORT*, void*)
{
    if (g_nInsideResult != -1)
        return;
    const LUMO_NET_PARAM_BLOCK block = makeParamBlock("10.20.0.240", "255.255.0.0", "10.20.0.1", 8000);
    int nResult = 0;
    switch (g_insideCall.load()) {
    case InsideCall::Stop:
        nResult = LUMO_Stop();
        break;
    case InsideCall::Modify:
        nResult = LUMO_ModifyDeviceNetParam(macOf(1).c_str(), kPassword, &block);
        break;
    case InsideCall::Reset:
        nResult = LUMO_ResetDefaultPasswd(serialOf(1).c_str(), "ABCDEFGHJK");
        break;
    }
    g_nInsideReason = LUMO_ERROR_REASON(LUMO_GetLastError());
    g_nInsideResult = nResult;
}

bool reportedWithAddress(const std::string& strSerial, const std::string& strAddress)
{
    for (const ReceivedReport& report : ReportCollector::instance().snapshot())
        if (report.strSerial == strSerial && report.strAddress == strAddress && report.nEvent != LUMO_EVENT_OFFLINE)
            return true;
    return false;
}

// Reports as short tokens: "+A1" device A online with record 1, "~A2" updated to
// record 2, "-A" offline. A dispatcher's callback writes down what it gets; a
// report of device Z keeps it waiting while held, so that reports queue up.
class DispatcherProbe : public CallbackHold
{
public:
    static LUMO_DEVICE_REPORT report(const QString& strToken)
    {
        LUMO_DEVICE_REPORT report{};
        const char cSign = strToken.at(0).toLatin1();
        report.eventCode = cSign == '+' ? LUMO_EVENT_ONLINE : cSign == '~' ? LUMO_EVENT_UPDATE : LUMO_EVENT_OFFLINE;
        const std::string strDevice = strToken.mid(1, 1).toStdString();
        std::strncpy(report.serial, ("SN-" + strDevice).c_str(), sizeof(report.serial) - 1);
        std::strncpy(report.mac, ("02:4C:55:00:00:" + strDevice).c_str(), sizeof(report.mac) - 1);
        std::strncpy(report.ipv4Address, strToken.mid(2).toLatin1().constData(), sizeof(report.ipv4Address) - 1);
        return report;
    }

    static void LUMO_CALL callback(const LUMO_DEVICE_REPORT* pReport, void* pUser)
    {
        auto* pSelf = static_cast<DispatcherProbe*>(pUser);
        const QString strDevice = QString::fromLatin1(pReport->serial + 3, 1);
        const char* pSign = pReport->eventCode == LUMO_EVENT_ONLINE ? "+" : pReport->eventCode == LUMO_EVENT_UPDATE ? "~" : "-";
        QString strToken = QLatin1String(pSign) + strDevice;
        if (pReport->eventCode != LUMO_EVENT_OFFLINE)
            strToken += QLatin1String(pReport->ipv4Address);
        std::unique_lock<std::mutex> lock(pSelf->m_mutex);
        pSelf->m_delivered.append(strToken);
        pSelf->m_changed.notify_all();
        if (strDevice == QLatin1String("Z"))
            pSelf->waitWhileHeld(lock);
    }

    bool waitForDelivered(const QString& strToken, std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] { return m_delivered.contains(strToken); });
    }

    QStringList delivered()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_delivered;
    }

private:
    QStringList m_delivered;
};

void postTokens(lumo::ReportDispatcher& dispatcher, const QString& strTokens)
{
    for (const QString& strToken : strTokens.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        dispatcher.post(DispatcherProbe::report(strToken));
}

} // namespace

Q_DECLARE_METATYPE(InsideCall)

class TestLumoCallback : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void modifyGoesOnWhileTheCallbackIsBlocked();
    void stopWaitsForABlockedCallbackAndDiscardsTheQueue();
    void callsFromInsideTheCallbackAreRefused_data();
    void callsFromInsideTheCallbackAreRefused();

    void reportsQueuedBehindASlowCallbackMerge_data();
    void reportsQueuedBehindASlowCallbackMerge();
    void stopDiscardsQueuedReportsAndWaitsForTheCallback();

private:
    QTemporaryDir m_tempDir;
};

void TestLumoCallback::initTestCase()
{
    TestPorts::configureLibraryForLoopback();
    QVERIFY(QFile::exists(DevsimProcess::executable()));
    QVERIFY(m_tempDir.isValid());
}

void TestLumoCallback::init()
{
    TestPorts::moveToFreshPorts();
    ReportCollector::instance().clear();
    g_gate.reset();
}

// Runs however a test ends: a held callback is let go before the stop waits for it.
void TestLumoCallback::cleanup()
{
    g_gate.release();
    LUMO_Stop();
}

void TestLumoCallback::modifyGoesOnWhileTheCallbackIsBlocked()
{
    // The callback blocks on the first report, the others queue behind it; a modify
    // meanwhile is answered in its normal time and the device is changed.
    const QString strState = m_tempDir.filePath(QStringLiteral("blocked.json"));
    QFile::remove(strState);
    DevsimProcess devsim;
    QVERIFY(devsim.start({QStringLiteral("--count"), QStringLiteral("3"), QStringLiteral("--state"), strState}));
    g_gate.hold();
    QCOMPARE(LUMO_Start_V30(&CallbackGate::callback, 0, &g_gate), 1);
    QCOMPARE(LUMO_SendInquiry(), 1);
    QVERIFY(g_gate.waitUntilHeld(10s));

    const LUMO_NET_PARAM_BLOCK block = makeParamBlock("10.20.0.230", "255.255.0.0", "10.20.0.1", 8000);
    const auto started = std::chrono::steady_clock::now();
    const int nResult = LUMO_ModifyDeviceNetParam(macOf(2).c_str(), kPassword, &block);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    qInfo("modify with the callback blocked: result %d after %lld ms", nResult, (long long)took.count());
    QCOMPARE(nResult, 1);
    QCOMPARE(addressInState(strState, serialOf(2)), QStringLiteral("10.20.0.230"));
    QCOMPARE(g_gate.returned(), 0); // still blocked all along

    // Once let go, the consumer catches up, ending with the device's new address.
    g_gate.release();
    QVERIFY(ReportCollector::instance().waitFor(
        [](const std::vector<ReceivedReport>&) { return reportedWithAddress(serialOf(2), "10.20.0.230"); }, 10s));
    QVERIFY(ReportCollector::instance().waitFor(
        [](const std::vector<ReceivedReport>&) { return ReportCollector::instance().distinctDevices(LUMO_EVENT_ONLINE) == 3; },
        10s));
}

void TestLumoCallback::stopWaitsForABlockedCallbackAndDiscardsTheQueue()
{
    DevsimProcess devsim;
    QVERIFY(devsim.start({QStringLiteral("--count"), QStringLiteral("5")}));
    g_gate.hold();
    QCOMPARE(LUMO_Start_V30(&CallbackGate::callback, 0, &g_gate), 1);
    QCOMPARE(LUMO_SendInquiry(), 1);
    QVERIFY(g_gate.waitUntilHeld(10s));

    std::atomic<bool> bStopReturned{false};
    std::atomic<int> nStopResult{-1};
    std::atomic<int> nReturnedAtStop{-1};
    std::atomic<int> nCallsAtStop{-1};
    std::thread stopper([&] {
        nStopResult = LUMO_Stop();
        nReturnedAtStop = g_gate.returned();
        nCallsAtStop = g_gate.calls();
        bStopReturned = true;
    });
    const auto joinStopper = qScopeGuard([&] {
        g_gate.release();
        stopper.join();
    });
    // The stop is under way once the library no longer takes calls.
    QTRY_VERIFY_WITH_TIMEOUT(LUMO_SendInquiry() == 0, 5000);
    QVERIFY(!bStopReturned);

    g_gate.release();
    QTRY_VERIFY_WITH_TIMEOUT(bStopReturned.load(), 10000);
    QCOMPARE(nStopResult.load(), 1);
    QCOMPARE(nReturnedAtStop.load(), 1); // the blocked callback had returned
    QCOMPARE(nCallsAtStop.load(), 1);    // and the reports queued behind it were dropped
    QVERIFY(devsim.stop());              // goodbyes after the stop reach no callback
    QCOMPARE(g_gate.calls(), 1);
}

void TestLumoCallback::callsFromInsideTheCallbackAreRefused_data()
{
    QTest::addColumn<InsideCall>("call");
    QTest::addColumn<unsigned>("reason");
    QTest::newRow("stop") << InsideCall::Stop << unsigned(LUMO_ERROR_NONE);
    QTest::newRow("modify") << InsideCall::Modify << unsigned(LUMO_ERROR_NOT_RUNNING);
    QTest::newRow("reset") << InsideCall::Reset << unsigned(LUMO_ERROR_NOT_RUNNING);
}

void TestLumoCallback::callsFromInsideTheCallbackAreRefused()
{
    QFETCH(InsideCall, call);
    QFETCH(unsigned, reason);
    DevsimProcess devsim;
    QVERIFY(devsim.start({QStringLiteral("--count"), QStringLiteral("2")}));
    g_insideCall = call;
    g_nInsideResult = -1;
    g_nInsideReason = 0;
    QCOMPARE(LUMO_Start_V30(&callingCallback, 0, nullptr), 1);
    QCOMPARE(LUMO_SendInquiry(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(g_nInsideResult != -1, 10000);
    QCOMPARE(g_nInsideResult.load(), 0);
    QCOMPARE(g_nInsideReason.load(), reason);
    QCOMPARE(LUMO_Stop(), 1);
}

void TestLumoCallback::reportsQueuedBehindASlowCallbackMerge_data()
{
    QTest::addColumn<QString>("seen");     // delivered before the callback blocks
    QTest::addColumn<QString>("queued");   // produced while it is blocked
    QTest::addColumn<int>("cap");          // devices with a report waiting, at most
    QTest::addColumn<QString>("expected"); // delivered once it goes on
    QTest::addColumn<int>("dropped");
    QTest::newRow("nothing merges across devices") << "" << "+A1 +B1 +C1" << 10 << "+A1 +B1 +C1" << 0;
    QTest::newRow("online then update: online, newest record") << "" << "+A1 ~A2 ~A3" << 10 << "+A3" << 0;
    QTest::newRow("online then offline of an unseen device: nothing") << "" << "+A1 ~A2 -A" << 10 << "" << 0;
    QTest::newRow("unseen device gone and back: online") << "" << "+A1 -A +A2" << 10 << "+A2" << 0;
    QTest::newRow("seen device: updates keep the newest") << "+A1" << "~A2 ~A3" << 10 << "~A3" << 0;
    QTest::newRow("seen device updated then gone: offline") << "+A1" << "~A2 -A" << 10 << "-A" << 0;
    QTest::newRow("seen device gone and back: update") << "+A1" << "-A +A2" << 10 << "~A2" << 0;
    QTest::newRow("a device keeps its first place") << "" << "+A1 +B1 ~A2 +C1" << 10 << "+A2 +B1 +C1" << 0;
    QTest::newRow("cap: new devices dropped and counted") << "" << "+A1 +B1 +C1 +D1" << 2 << "+A1 +B1" << 2;
    QTest::newRow("cap: waiting devices still merge, a new one is dropped") << "+C1" << "+A1 +B1 ~A2 -C -B" << 2 << "+A2" << 1;
    QTest::newRow("cap: a place freed is taken again") << "" << "+A1 +B1 -B +C1" << 2 << "+A1 +C1" << 0;
}

void TestLumoCallback::reportsQueuedBehindASlowCallbackMerge()
{
    QFETCH(QString, seen);
    QFETCH(QString, queued);
    QFETCH(int, cap);
    QFETCH(QString, expected);
    QFETCH(int, dropped);
    DispatcherProbe probe;
    lumo::ReportDispatcher dispatcher(&DispatcherProbe::callback, &probe, size_t(cap));
    const auto stopDispatcher = qScopeGuard([&] {
        probe.release();
        dispatcher.stop();
    });
    dispatcher.start();
    postTokens(dispatcher, seen);
    postTokens(dispatcher, QStringLiteral("+Y0")); // after the seen ones, in order
    QVERIFY(probe.waitForDelivered(QStringLiteral("+Y0"), 5s));
    probe.hold();
    postTokens(dispatcher, QStringLiteral("+Z0"));
    QVERIFY(probe.waitForDelivered(QStringLiteral("+Z0"), 5s));
    postTokens(dispatcher, queued);
    probe.release();
    QTRY_COMPARE_WITH_TIMEOUT(dispatcher.pending(), size_t(0), 5000);
    postTokens(dispatcher, QStringLiteral("+Y1")); // everything before it has been delivered
    QVERIFY(probe.waitForDelivered(QStringLiteral("+Y1"), 5s));
    const QStringList delivered = probe.delivered();
    const int nFirst = int(delivered.indexOf(QStringLiteral("+Z0"))) + 1;
    QCOMPARE(delivered.mid(nFirst, delivered.size() - nFirst - 1).join(QLatin1Char(' ')), expected);
    QCOMPARE(dispatcher.dropped(), uint64_t(dropped));
}

void TestLumoCallback::stopDiscardsQueuedReportsAndWaitsForTheCallback()
{
    DispatcherProbe probe;
    lumo::ReportDispatcher dispatcher(&DispatcherProbe::callback, &probe, 10);
    dispatcher.start();
    probe.hold();
    postTokens(dispatcher, QStringLiteral("+Z0"));
    QVERIFY(probe.waitForDelivered(QStringLiteral("+Z0"), 5s));
    postTokens(dispatcher, QStringLiteral("+A1 +B1"));
    std::atomic<bool> bStopped{false};
    std::thread stopper([&] {
        dispatcher.stop();
        bStopped = true;
    });
    const auto joinStopper = qScopeGuard([&] {
        probe.release();
        stopper.join();
    });
    QTRY_COMPARE_WITH_TIMEOUT(dispatcher.pending(), size_t(0), 5000); // closed: the queue is gone
    QVERIFY(!bStopped);
    probe.release();
    QTRY_VERIFY_WITH_TIMEOUT(bStopped.load(), 5000);
    postTokens(dispatcher, QStringLiteral("+C1")); // after a stop: refused
    QCOMPARE(dispatcher.pending(), size_t(0));
    QCOMPARE(probe.delivered(), QStringList{QStringLiteral("+Z0")});
}

QTEST_GUILESS_MAIN(TestLumoCallback)
#include "tst_lumo_callback.moc"
