// The reason of a failed modify or restore, as the discovery binding reads it
// from the library.
#include "CLumoDiscovery.h"
#include "LumoDeviceCallback.h"
#include "LumoDouble.h"
#include "LumoFailure.h"

#include <ZelDso.h>

#include <QtTest>

#include <thread>

namespace {

using Reason = LumoFailure::Reason;

const QString kDoubleFile = QStringLiteral(LUMO_DOUBLE_FILE);
const QString kWithoutReasonFile = QStringLiteral(LUMO_WITHOUT_REASON_FILE);

// Keeps a library loaded for the length of a test.
class LoadedLibrary
{
public:
    explicit LoadedLibrary(const QString& fileName) : m_handle(ZEL_LoadDSo(fileName.toLocal8Bit().constData())) {}
    ~LoadedLibrary()
    {
        if (m_handle)
            ZEL_FreeDSo(m_handle);
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;
    template <typename Fn>
    Fn Symbol(const char* name) const
    {
        return m_handle ? reinterpret_cast<Fn>(ZEL_GetSymbol(m_handle, name)) : nullptr;
    }

private:
    ZEL_DSO_HANDLE m_handle;
};

bool Modify(CLumoDiscovery& discovery, LumoFailure* failure)
{
    return discovery.ModifyNetParam("00:1A:2B:00:00:01", "10.0.0.5", "255.0.0.0", "secret", "8000", "10.0.0.1",
                                    nullptr, nullptr, 0, 0, failure);
}

} // namespace

namespace QTest {
template <>
char* toString(const LumoFailure& failure)
{
    return qstrdup(QByteArray("reason ") + QByteArray::number(int(failure.reason)) + " seconds "
                   + QByteArray::number(failure.nSeconds));
}
} // namespace QTest

class TestDiscoveryFailure : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        LumoDouble_Reset();
        CLumoDiscovery::SetLibraryFileName(kDoubleFile);
    }

    void reasons_data()
    {
        QTest::addColumn<unsigned int>("lastError");
        QTest::addColumn<int>("reason");
        QTest::addColumn<unsigned int>("seconds");
        QTest::newRow("no answer") << 1u << int(Reason::NoAnswer) << 0u;
        QTest::newRow("auth failed") << 2u << int(Reason::AuthFailed) << 0u;
        QTest::newRow("locked 60 s") << (60u << 8 | 3u) << int(Reason::Locked) << 60u;
        QTest::newRow("locked 1 s") << (1u << 8 | 3u) << int(Reason::Locked) << 1u;
        QTest::newRow("value refused") << 4u << int(Reason::ValueRefused) << 0u;
        QTest::newRow("unsupported") << 5u << int(Reason::Unsupported) << 0u;
        QTest::newRow("bad argument") << 6u << int(Reason::BadArgument) << 0u;
        QTest::newRow("not running") << 7u << int(Reason::NotRunning) << 0u;
        QTest::newRow("none") << 0u << int(Reason::Unknown) << 0u;
        QTest::newRow("newer reason") << 99u << int(Reason::Unknown) << 0u;
        QTest::newRow("seconds only with a lockout") << (60u << 8 | 2u) << int(Reason::AuthFailed) << 0u;
    }
    void reasons()
    {
        QFETCH(unsigned int, lastError);
        QFETCH(int, reason);
        QFETCH(unsigned int, seconds);
        const LumoFailure expected{ Reason(reason), seconds };
        QCOMPARE(LumoFailure::FromLastError(lastError), expected);

        CLumoDiscovery discovery;
        discovery.Init(LumoDeviceCallback, nullptr);
        QVERIFY(discovery.Start());
        LumoDouble_SetResult(LumoDoubleModify, 0);
        LumoDouble_SetResult(LumoDoubleReset, 0);
        LumoDouble_SetLastError(lastError);
        LumoFailure failure{ Reason::BadArgument, 77 };
        QVERIFY(!Modify(discovery, &failure));
        QCOMPARE(failure, expected);
        failure = LumoFailure{ Reason::BadArgument, 77 };
        QVERIFY(!discovery.ResetDefaultPassword("SN00000001", "12345678", &failure));
        QCOMPARE(failure, expected);
        discovery.Stop();
    }

    void successLeavesTheFailureUntouched()
    {
        CLumoDiscovery discovery;
        discovery.Init(LumoDeviceCallback, nullptr);
        QVERIFY(discovery.Start());
        LumoDouble_SetLastError(2);
        LumoFailure failure{ Reason::Locked, 5 };
        QVERIFY(Modify(discovery, &failure));
        QVERIFY(discovery.ResetDefaultPassword("SN00000001", "12345678", &failure));
        QCOMPARE(failure, (LumoFailure{ Reason::Locked, 5 }));
        discovery.Stop();
    }

    void reasonIsReadOnTheCallingThread()
    {
        CLumoDiscovery discovery;
        discovery.Init(LumoDeviceCallback, nullptr);
        QVERIFY(discovery.Start());
        LumoDouble_SetResult(LumoDoubleModify, 0);
        LumoDouble_SetModifyLastErrorAt(0, 1);
        LumoDouble_SetModifyLastErrorAt(1, 40u << 8 | 3u);
        LumoFailure mine;
        QVERIFY(!Modify(discovery, &mine));
        // Another thread's later failure is not this thread's reason.
        bool otherFailed = false;
        LumoFailure theirs;
        std::thread other([&] { otherFailed = !Modify(discovery, &theirs); });
        other.join();
        QVERIFY(otherFailed);
        QCOMPARE(theirs, (LumoFailure{ Reason::Locked, 40 }));
        QCOMPARE(mine, (LumoFailure{ Reason::NoAnswer, 0 }));
        discovery.Stop();
    }

    void libraryWithoutReasonGivesUnknown()
    {
        const LoadedLibrary old(kWithoutReasonFile);
        const auto setResult = old.Symbol<void (*)(int, int)>("LumoDouble_SetResult");
        const auto setLastError = old.Symbol<void (*)(unsigned int)>("LumoDouble_SetLastError");
        QVERIFY(setResult && setLastError);
        QVERIFY(!old.Symbol<void*>("LUMO_GetLastError"));
        CLumoDiscovery::SetLibraryFileName(kWithoutReasonFile);
        CLumoDiscovery discovery;
        discovery.Init(LumoDeviceCallback, nullptr);
        QVERIFY(discovery.Start());
        setResult(LumoDoubleModify, 0);
        setResult(LumoDoubleReset, 0);
        setLastError(2);
        LumoFailure failure{ Reason::AuthFailed, 0 };
        QVERIFY(!Modify(discovery, &failure));
        QCOMPARE(failure, LumoFailure());
        failure = LumoFailure{ Reason::AuthFailed, 0 };
        QVERIFY(!discovery.ResetDefaultPassword("SN00000001", "12345678", &failure));
        QCOMPARE(failure, LumoFailure());
        discovery.Stop();
    }

    void failureWithoutLibraryIsNotRunning()
    {
        CLumoDiscovery::SetLibraryFileName(QStringLiteral("liblumo_missing_for_tests.so"));
        CLumoDiscovery discovery;
        discovery.Init(LumoDeviceCallback, nullptr);
        QVERIFY(!discovery.Start());
        LumoFailure failure;
        QVERIFY(!Modify(discovery, &failure));
        QCOMPARE(failure, (LumoFailure{ Reason::NotRunning, 0 }));
        failure = LumoFailure();
        QVERIFY(!discovery.ResetDefaultPassword("SN00000001", "12345678", &failure));
        QCOMPARE(failure, (LumoFailure{ Reason::NotRunning, 0 }));
    }
};

QTEST_GUILESS_MAIN(TestDiscoveryFailure)
#include "tst_discovery_failure.moc"
