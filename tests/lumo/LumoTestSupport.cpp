#include "LumoTestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QThread>

#include <asio/io_context.hpp>
#include <asio/ip/udp.hpp>

#include <cstring>
#include <set>
#include <thread>

ReportCollector& ReportCollector::instance()
{
    static ReportCollector collector;
    return collector;
}

void LUMO_CALL ReportCollector::callback(const LUMO_DEVICE_REPORT* pReport, void*)
{
    ReceivedReport report;
    report.raw = *pReport;
    report.nEvent = pReport->eventCode;
    report.strSerial = std::string(pReport->serial, strnlen(pReport->serial, sizeof(pReport->serial)));
    report.strMac = std::string(pReport->mac, strnlen(pReport->mac, sizeof(pReport->mac)));
    report.strAddress = std::string(pReport->ipv4Address, strnlen(pReport->ipv4Address, sizeof(pReport->ipv4Address)));
    ReportCollector& self = instance();
    std::lock_guard<std::mutex> lock(self.m_mutex);
    self.m_reports.push_back(std::move(report));
}

void ReportCollector::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_reports.clear();
}

std::vector<ReceivedReport> ReportCollector::snapshot() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_reports;
}

size_t ReportCollector::countEvents(uint32_t nEvent) const
{
    size_t nCount = 0;
    for (const ReceivedReport& report : snapshot())
        nCount += report.nEvent == nEvent ? 1 : 0;
    return nCount;
}

size_t ReportCollector::distinctDevices(uint32_t nEvent) const
{
    std::set<std::string> devices;
    for (const ReceivedReport& report : snapshot())
        if (report.nEvent == nEvent)
            devices.insert(report.strSerial + '|' + report.strMac);
    return devices.size();
}

bool ReportCollector::waitFor(const std::function<bool(const std::vector<ReceivedReport>&)>& predicate,
                              std::chrono::milliseconds timeout) const
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!predicate(snapshot())) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

bool ReportCollector::waitForEvent(uint32_t nEvent, const std::string& strSerial, std::chrono::milliseconds timeout) const
{
    return waitFor(
        [&](const std::vector<ReceivedReport>& reports) {
            for (const ReceivedReport& report : reports)
                if (report.nEvent == nEvent && report.strSerial == strSerial)
                    return true;
            return false;
        },
        timeout);
}

bool TestPorts::isFree(uint16_t nPort)
{
    asio::io_context io;
    asio::ip::udp::socket probe(io);
    std::error_code error;
    probe.open(asio::ip::udp::v4(), error);
    probe.bind({asio::ip::address_v4::any(), nPort}, error);
    return !error;
}

namespace {

// Three consecutive ports, free when chosen, picked at random.
// Not from the process id: under Wine every test process of a run may get the
// same id, and a port that a finished process's simulator held would be
// chosen again by the next.
uint16_t chooseBasePort()
{
    for (int nTry = 0; nTry < 200; ++nTry) {
        const auto nBase = static_cast<uint16_t>(20000 + QRandomGenerator::global()->bounded(4000) * 3);
        if (TestPorts::isFree(nBase) && TestPorts::isFree(nBase + 1) && TestPorts::isFree(nBase + 2))
            return nBase;
    }
    return static_cast<uint16_t>(20000 + (QCoreApplication::applicationPid() % 4000) * 3);
}

uint16_t g_nBasePort = 0;

} // namespace

uint16_t TestPorts::devicePort()
{
    if (g_nBasePort == 0)
        g_nBasePort = chooseBasePort();
    return g_nBasePort;
}

void TestPorts::moveToFreshPorts()
{
    const uint16_t nOld = devicePort();
    do
        g_nBasePort = chooseBasePort();
    while (g_nBasePort == nOld);
    configureLibraryForLoopback();
}

uint16_t TestPorts::clientPort()
{
    return static_cast<uint16_t>(devicePort() + 1);
}

uint16_t TestPorts::floorPort()
{
    return static_cast<uint16_t>(devicePort() + 2);
}

bool TestPorts::waitUntilDevicePortIsFree(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    asio::io_context io;
    const asio::ip::udp::endpoint endpoint(asio::ip::make_address_v4("127.0.0.1"), devicePort());
    for (;;) {
        asio::ip::udp::socket probe(io);
        std::error_code error;
        probe.open(asio::ip::udp::v4(), error);
        probe.bind(endpoint, error);
        if (!error)
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

void TestPorts::configureLibraryForLoopback()
{
    qputenv("LUMO_INTERFACES", "none");
    qputenv("LUMO_TARGETS", "127.0.0.1");
    qputenv("LUMO_DEVICE_PORT", QByteArray::number(devicePort()));
    qputenv("LUMO_CLIENT_PORT", QByteArray::number(clientPort()));
}

DevsimProcess::~DevsimProcess()
{
    if (m_process.state() != QProcess::NotRunning)
        kill();
}

QString siblingProgram(const QString& strName)
{
#if defined(Q_OS_WIN)
    return QCoreApplication::applicationDirPath() + u'/' + strName + QStringLiteral(".exe");
#else
    return QCoreApplication::applicationDirPath() + u'/' + strName;
#endif
}

QString DevsimProcess::executable()
{
    return siblingProgram(QStringLiteral("lumo-devsim"));
}

bool DevsimProcess::start(const QStringList& extraArguments)
{
    QStringList arguments = {QStringLiteral("--bind"), QStringLiteral("127.0.0.1"),
                             QStringLiteral("--broadcast-address"), QStringLiteral("127.255.255.255"),
                             QStringLiteral("--port"), QString::number(TestPorts::devicePort()),
                             QStringLiteral("--client-port"), QString::number(TestPorts::clientPort()),
                             QStringLiteral("--kdf-ops"), QStringLiteral("2"),
                             QStringLiteral("--kdf-mem-kib"), QStringLiteral("8192"),
                             QStringLiteral("--stop-on-input-end")};
    arguments += extraArguments;
    if (!TestPorts::waitUntilDevicePortIsFree()) {
        qWarning("the device port %u stays taken", unsigned(TestPorts::devicePort()));
        return false;
    }
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start(executable(), arguments);
    if (!m_process.waitForStarted(5000))
        return false;
    QByteArray output;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    // Windows' C runtime ends the line with CR LF.
    while (!output.contains("ready\n") && !output.contains("ready\r\n")) {
        if (std::chrono::steady_clock::now() >= deadline || m_process.state() == QProcess::NotRunning) {
            qWarning("lumo-devsim did not start: %s", qPrintable(errorOutput()));
            return false;
        }
        m_process.waitForReadyRead(100);
        output += m_process.readAllStandardOutput();
    }
    return true;
}

// Closing the simulator's input stops it as SIGTERM would; Windows has no SIGTERM
// for console programs, so every platform takes the same way.
bool DevsimProcess::stop()
{
    m_process.closeWriteChannel();
    return m_process.waitForFinished(10000) && m_process.exitCode() == 0;
}

void DevsimProcess::kill()
{
    m_process.kill();
    // A large fleet can take a while to be torn down under Wine; its port is
    // held until then.
    if (!m_process.waitForFinished(30000))
        qWarning("lumo-devsim (process %lld) did not end after being killed", qint64(m_process.processId()));
}

QString DevsimProcess::errorOutput()
{
    m_strErrorOutput += QString::fromLocal8Bit(m_process.readAllStandardError());
    return m_strErrorOutput;
}

bool DevsimProcess::waitForErrorOutput(const QString& text, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    m_process.setReadChannel(QProcess::StandardError);
    while (!errorOutput().contains(text) && std::chrono::steady_clock::now() < deadline)
        m_process.waitForReadyRead(100);
    m_process.setReadChannel(QProcess::StandardOutput);
    return m_strErrorOutput.contains(text);
}

std::string serialOf(int nNumber)
{
    return QStringLiteral("TL%1").arg(nNumber, 10, 10, QLatin1Char('0')).toStdString();
}

std::string macOf(int nNumber)
{
    return QStringLiteral("02:4C:55:%1:%2:%3")
        .arg((nNumber >> 16) & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((nNumber >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
        .arg(nNumber & 0xFF, 2, 16, QLatin1Char('0'))
        .toUpper()
        .toStdString();
}

QJsonObject deviceInState(const QString& strPath, const std::string& strSerial)
{
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QJsonArray devices = QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("devices")).toArray();
    for (const QJsonValue& value : devices)
        if (value.toObject().value(QStringLiteral("serial")).toString().toStdString() == strSerial)
            return value.toObject();
    return {};
}

QString addressInState(const QString& strPath, const std::string& strSerial)
{
    return deviceInState(strPath, strSerial).value(QStringLiteral("ipv4")).toObject().value(QStringLiteral("address")).toString();
}

LUMO_NET_PARAM_BLOCK makeParamBlock(const char* pAddress, const char* pMask, const char* pGateway, uint16_t nPort)
{
    LUMO_NET_PARAM_BLOCK block;
    std::memset(&block, 0, sizeof(block));
    std::strncpy(block.ipv4Address, pAddress, sizeof(block.ipv4Address) - 1);
    std::strncpy(block.ipv4Mask, pMask, sizeof(block.ipv4Mask) - 1);
    std::strncpy(block.ipv4Gateway, pGateway, sizeof(block.ipv4Gateway) - 1);
    block.port = nPort;
    return block;
}
