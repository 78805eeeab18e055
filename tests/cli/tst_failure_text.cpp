// The words taldor-ip gives for why a device did not take a change or a
// password restore.
#include "CFailureText.h"

#include <QtTest>

using Reason = LumoFailure::Reason;

class TestFailureText : public QObject
{
    Q_OBJECT

private slots:
    void reasons_data()
    {
        QTest::addColumn<int>("reason");
        QTest::addColumn<unsigned int>("seconds");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("restore");
        QTest::newRow("wrong password") << int(Reason::AuthFailed) << 0u << QStringLiteral("wrong password")
                                        << QStringLiteral("wrong security code");
        QTest::newRow("locked") << int(Reason::Locked) << 60u
                                << QStringLiteral("locked for 60 more seconds, try again later")
                                << QStringLiteral("locked for 60 more seconds, try again later");
        QTest::newRow("no answer") << int(Reason::NoAnswer) << 0u << QStringLiteral("no answer") << QStringLiteral("no answer");
        QTest::newRow("value refused") << int(Reason::ValueRefused) << 0u << QStringLiteral("value refused")
                                       << QStringLiteral("value refused");
        QTest::newRow("unsupported") << int(Reason::Unsupported) << 0u << QStringLiteral("not supported by the device")
                                     << QStringLiteral("not supported by the device");
        QTest::newRow("bad argument") << int(Reason::BadArgument) << 0u << QStringLiteral("invalid parameter")
                                      << QStringLiteral("invalid parameter");
        QTest::newRow("not running") << int(Reason::NotRunning) << 0u
                                     << QStringLiteral("the discovery library is not running")
                                     << QStringLiteral("the discovery library is not running");
        QTest::newRow("unknown") << int(Reason::Unknown) << 0u
                                 << QStringLiteral("reason unknown (a wrong password, a refused value or no answer)")
                                 << QStringLiteral("reason unknown (a wrong security code or no answer)");
    }
    void reasons()
    {
        QFETCH(int, reason);
        QFETCH(unsigned int, seconds);
        QFETCH(QString, change);
        QFETCH(QString, restore);
        const LumoFailure failure{ Reason(reason), seconds };
        QCOMPARE(CFailureText::Reason(failure), change);
        QCOMPARE(CFailureText::Reason(failure, true), restore);
    }
};

QTEST_GUILESS_MAIN(TestFailureText)
#include "tst_failure_text.moc"
