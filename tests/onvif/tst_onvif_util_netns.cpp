// Debian's onvif-util (a third-party ONVIF client) against the simulator's
// ONVIF cameras, in two network namespaces joined by a virtual cable: the
// utility's at 10.98.0.1, the cameras' at 10.98.0.2. onvif-util turns off
// multicast loopback, so it never hears a device in its own namespace; it sends
// one probe, stops listening after 500 ms of silence, counts every reply (a
// repeated one twice) and, given an address, picks the first camera whose
// XAddrs name that host, reads its clock and identity, then asks for
// capabilities (which the simulator does not offer) and ends there.
#include "OnvifDevsimProcess.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Runs a command; its exit code (-1 when it could not run) and output.
int run(const QString& strProgram, const QStringList& arguments, QString* pOutput = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(strProgram, arguments);
    process.closeWriteChannel(); // onvif-util's prompt ends at the end of its input
    if (!process.waitForStarted(5000) || !process.waitForFinished(30000))
        return -1;
    if (pOutput)
        *pOutput = QString::fromLocal8Bit(process.readAll());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

const QString kSuffix = QString::number(QCoreApplication::applicationPid());

} // namespace

class TestOnvifUtilNetns : public QObject
{
    Q_OBJECT

public:
    ~TestOnvifUtilNetns() override { removeNamespaces(); } // also after a failed step

private slots:
    void initTestCase();
    void cleanupTestCase();
    void discoversEveryCamera();
    void ourClientFindsAndReadsEveryCameraByMulticast();
    void readsOneCamera_data();
    void readsOneCamera();

private:
    bool ip(const QStringList& arguments);
    QString inUtility(const QStringList& command);
    void removeNamespaces();

    QString m_strUtility = u"onvu-"_s + kSuffix;
    QString m_strCameras = u"onvc-"_s + kSuffix;
    bool m_bCreated = false;
    OnvifDevsimProcess m_simulator;
};

bool TestOnvifUtilNetns::ip(const QStringList& arguments)
{
    return run(u"ip"_s, arguments) == 0;
}

QString TestOnvifUtilNetns::inUtility(const QStringList& command)
{
    QString strOutput;
    run(u"ip"_s, QStringList{u"netns"_s, u"exec"_s, m_strUtility} + command, &strOutput);
    return strOutput;
}

void TestOnvifUtilNetns::initTestCase()
{
#if !defined(__linux__)
    QSKIP("network namespaces exist on Linux only");
#endif
    if (QStandardPaths::findExecutable(u"onvif-util"_s).isEmpty())
        QSKIP("onvif-util is not installed (Debian package onvif-tools)");
    QString strOutput;
    if (run(u"ip"_s, {u"netns"_s, u"add"_s, m_strUtility}, &strOutput) != 0)
        QSKIP(qPrintable(u"cannot create network namespaces here (needs root and iproute2): "_s + strOutput.trimmed()));
    m_bCreated = true;
    QVERIFY(ip({u"netns"_s, u"add"_s, m_strCameras}));
    QVERIFY(ip({u"link"_s, u"add"_s, u"ou0"_s, u"netns"_s, m_strUtility, u"type"_s, u"veth"_s, u"peer"_s, u"name"_s,
                u"oc0"_s, u"netns"_s, m_strCameras}));
    const QList<QStringList> sides = {{m_strUtility, u"ou0"_s, u"10.98.0.1/24"_s}, {m_strCameras, u"oc0"_s, u"10.98.0.2/24"_s}};
    for (const QStringList& side : sides) {
        QVERIFY(ip({u"-n"_s, side[0], u"addr"_s, u"add"_s, side[2], u"dev"_s, side[1]}));
        QVERIFY(ip({u"-n"_s, side[0], u"link"_s, u"set"_s, side[1], u"up"_s}));
        QVERIFY(ip({u"-n"_s, side[0], u"link"_s, u"set"_s, u"lo"_s, u"up"_s}));
        // Multicast leaves by the default route.
        QVERIFY(ip({u"-n"_s, side[0], u"route"_s, u"add"_s, u"default"_s, u"dev"_s, side[1]}));
    }
    // Port 80: onvif-util reaches a camera given by address there.
    QVERIFY(m_simulator.start(u"ip"_s, {u"netns"_s, u"exec"_s, m_strCameras, OnvifDevsimProcess::executable(),
                                        u"--bind"_s, u"10.98.0.2"_s, u"--onvif-count"_s, u"3"_s,
                                        u"--onvif-http-port"_s, u"80"_s, u"--stop-on-input-end"_s}));
}

void TestOnvifUtilNetns::cleanupTestCase()
{
    if (m_bCreated)
        QVERIFY(m_simulator.stop());
    removeNamespaces();
}

void TestOnvifUtilNetns::removeNamespaces()
{
    if (!m_bCreated)
        return;
    m_simulator.kill();
    run(u"ip"_s, {u"netns"_s, u"del"_s, m_strUtility});
    run(u"ip"_s, {u"netns"_s, u"del"_s, m_strCameras});
    m_bCreated = false;
}

void TestOnvifUtilNetns::discoversEveryCamera()
{
    // The cameras have just sent Hello; a late probe answer cannot be missed
    // within onvif-util's 500 ms, as the simulator answers at once.
    const QString strOutput = inUtility({u"onvif-util"_s, u"-a"_s});
    for (int i = 1; i <= 3; ++i)
        QVERIFY2(strOutput.contains(u"10.98.0.2 (AO-2150-AO%1)"_s.arg(i, 10, 10, QLatin1Char('0'))), qPrintable(strOutput));
    QVERIFY2(strOutput.contains(u"Found 3 cameras"_s), qPrintable(strOutput));
}

void TestOnvifUtilNetns::ourClientFindsAndReadsEveryCameraByMulticast()
{
    // The same cameras found by our own client from the utility's namespace:
    // probes multicast on the virtual cable only, no direct target, every
    // camera then read with the password.
    const QString strTool = QCoreApplication::applicationDirPath() + u"/taldor-ip"_s;
    if (!QFile::exists(strTool))
        QSKIP("taldor-ip is not built beside the test");
    const QString strOutput = inUtility({u"env"_s, u"ONVIF_INTERFACES=ou0"_s, u"ONVIF_TARGETS="_s, u"LUMO_INTERFACES=none"_s,
                                         u"LUMO_TARGETS="_s, u"TALDOR_PASSWORD=admin1234"_s, strTool, u"list"_s,
                                         u"--protocol"_s, u"onvif"_s, u"--format"_s, u"csv"_s});
    for (int i = 1; i <= 3; ++i) {
        const QRegularExpression row(u"^\\d+,AO-2150,10\\.98\\.0\\.2,.*,AO%1,.*,onvif,Aurel Optics,read,"_s
                                         .arg(i, 10, 10, QLatin1Char('0')),
                                     QRegularExpression::MultilineOption);
        QVERIFY2(row.match(strOutput).hasMatch(), qPrintable(strOutput));
    }
    QCOMPARE(strOutput.count(u",onvif,"_s), 3);
}

void TestOnvifUtilNetns::readsOneCamera_data()
{
    QTest::addColumn<QString>("strPassword");
    QTest::addColumn<bool>("bAccepted");
    QTest::newRow("right password") << u"admin1234"_s << true;
    QTest::newRow("wrong password") << u"wrong"_s << false;
}

void TestOnvifUtilNetns::readsOneCamera()
{
    QFETCH(QString, strPassword);
    QFETCH(bool, bAccepted);
    const QString strOutput = inUtility({u"onvif-util"_s, u"-u"_s, u"admin"_s, u"-p"_s, strPassword, u"10.98.0.2"_s});
    QVERIFY2(strOutput.contains(u"found host: 10.98.0.2"_s), qPrintable(strOutput));
    // The first camera at that host, on port 80.
    QCOMPARE(strOutput.contains(u"serial: AO0000000001"_s), bAccepted);
    QCOMPARE(strOutput.contains(u"ter:NotAuthorized"_s), !bAccepted);
}

QTEST_GUILESS_MAIN(TestOnvifUtilNetns)
#include "tst_onvif_util_netns.moc"
