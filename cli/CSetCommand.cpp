#include "CSetCommand.h"

#include "CDeviceScanner.h"
#include "CSitePlan.h"

#include <InputChecks.h>

#include <QByteArray>
#include <QCommandLineParser>

namespace {

// The device record holds 46 bytes of IPv6 text with its terminator.
constexpr int kLongestIpv6Text = 45;
constexpr int kLongestIpv6Prefix = 128;

QCommandLineOption ValueOption(const char* name, const char* valueName)
{
    return QCommandLineOption(QString::fromLatin1(name), QString(), QString::fromLatin1(valueName));
}

bool IsIpv6Text(const QString& text)
{
    return text.size() <= kLongestIpv6Text && IsValidIPv6(text);
}

} // namespace

QString CSetCommand::Name() const
{
    return QStringLiteral("set");
}

QString CSetCommand::Summary() const
{
    return QStringLiteral("give one device new network parameters");
}

QString CSetCommand::HelpText() const
{
    return QStringLiteral(
        "Usage: taldor-ip set DEVICE --ip ADDRESS [--mask MASK] [--gateway GATEWAY]\n"
        "                     [--port PORT] [--ipv6 ADDRESS] [--ipv6-gateway GATEWAY]\n"
        "                     [--ipv6-prefix LENGTH] [--wait SECONDS] [--all-models]\n"
        "\n"
        "Finds the device DEVICE (a serial number or a MAC address) and gives it new\n"
        "network parameters. Values not given keep the device's current ones. The\n"
        "address must not belong to another device that answered.\n"
        "\n"
        "The password comes from the TALDOR_PASSWORD environment variable, or is asked\n"
        "for without echo (one line of standard input when that is not a terminal).\n"
        "\n"
        "Options:\n"
        "  --ip ADDRESS           new IPv4 address\n"
        "  --mask MASK            new subnet mask\n"
        "  --gateway GATEWAY      new gateway (0.0.0.0 for none)\n"
        "  --port PORT            new service port, 2000 to 65535\n"
        "  --ipv6 ADDRESS         new IPv6 address (devices that allow IPv6 changes)\n"
        "  --ipv6-gateway GATEWAY new IPv6 gateway\n"
        "  --ipv6-prefix LENGTH   new IPv6 prefix length, 1 to 128\n"
        "  --wait SECONDS         how long to search for devices first (default 3)\n"
        "  --all-models           allow models other than K-VNT1C and K-VNT4C\n"
        "  -h, --help             show this help\n"
        "\n"
        "Exit status: 0 done, 1 the device did not take the change, 2 bad usage or a\n"
        "refused change (nothing was sent).\n");
}

void CSetCommand::AddOptions(QCommandLineParser& parser)
{
    parser.addOption(ValueOption("ip", "address"));
    parser.addOption(ValueOption("mask", "mask"));
    parser.addOption(ValueOption("gateway", "gateway"));
    parser.addOption(ValueOption("port", "port"));
    parser.addOption(ValueOption("ipv6", "address"));
    parser.addOption(ValueOption("ipv6-gateway", "gateway"));
    parser.addOption(ValueOption("ipv6-prefix", "length"));
    parser.addOption(QCommandLineOption(QStringLiteral("all-models")));
}

bool CSetCommand::ReadIpv6Options(const QCommandLineParser& parser)
{
    const QString address = QStringLiteral("ipv6");
    const QString gateway = QStringLiteral("ipv6-gateway");
    const QString prefix = QStringLiteral("ipv6-prefix");
    m_ipv6.bGiven = parser.isSet(address) || parser.isSet(gateway) || parser.isSet(prefix);
    if (!m_ipv6.bGiven)
        return true;
    m_ipv6.strAddress = parser.value(address).trimmed();
    m_ipv6.strGateway = parser.value(gateway).trimmed();
    if (parser.isSet(address) && !IsIpv6Text(m_ipv6.strAddress)) {
        UsageError(QStringLiteral("--ipv6 \"%1\" is not an IPv6 address").arg(m_ipv6.strAddress));
        return false;
    }
    if (parser.isSet(gateway) && !m_ipv6.strGateway.isEmpty() && !IsIpv6Text(m_ipv6.strGateway)) {
        UsageError(QStringLiteral("--ipv6-gateway \"%1\" is not an IPv6 address").arg(m_ipv6.strGateway));
        return false;
    }
    m_ipv6.nPrefixLength = -1;
    if (parser.isSet(prefix)) {
        bool ok = false;
        m_ipv6.nPrefixLength = parser.value(prefix).toInt(&ok);
        if (!ok || m_ipv6.nPrefixLength < 1 || m_ipv6.nPrefixLength > kLongestIpv6Prefix) {
            UsageError(QStringLiteral("--ipv6-prefix is a number from 1 to %1").arg(kLongestIpv6Prefix));
            return false;
        }
    }
    return true;
}

// IPv6 values not given are the device's current ones.
bool CSetCommand::CompleteIpv6(const PlannedChange& change)
{
    const LUMO_DEVICE_INFO_MY& device = change.device;
    const int both = LUMO_CAP_IPV6 | LUMO_CAP_IPV6_MODIFIABLE;
    if (device.extendedValid != 1 || (device.capabilities & both) != both) {
        Refused({ QStringLiteral("device %1 does not let its IPv6 settings be changed").arg(CSitePlan::DeviceName(device)) },
                QStringLiteral("Nothing was sent."));
        return false;
    }
    if (m_ipv6.strAddress.isEmpty())
        m_ipv6.strAddress = FieldLatin1(device.ipv6Address);
    if (m_ipv6.strGateway.isEmpty())
        m_ipv6.strGateway = FieldLatin1(device.ipv6Gateway);
    if (m_ipv6.nPrefixLength < 0)
        m_ipv6.nPrefixLength = device.ipv6PrefixLength;
    if (!IsIpv6Text(m_ipv6.strAddress) || m_ipv6.nPrefixLength < 1) {
        Refused({ QStringLiteral("device %1 has no IPv6 address and prefix length to keep").arg(CSitePlan::DeviceName(device)) },
                QStringLiteral("Give --ipv6 and --ipv6-prefix. Nothing was sent."));
        return false;
    }
    return true;
}

int CSetCommand::Execute(const QCommandLineParser& parser)
{
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return UsageError(QStringLiteral("give exactly one device, by serial number or MAC"));
    if (!parser.isSet(QStringLiteral("ip")))
        return UsageError(QStringLiteral("give the new address with --ip"));
    if (!ReadIpv6Options(parser))
        return ExitRefused;

    PlanEntry entry;
    const QString device = positional.front().trimmed();
    (IsValidMAC(CSitePlan::NormalisedMac(device)) ? entry.strMac : entry.strSerial) = device;
    entry.strAddress = parser.value(QStringLiteral("ip")).trimmed();
    entry.strMask = parser.value(QStringLiteral("mask")).trimmed();
    entry.strGateway = parser.value(QStringLiteral("gateway")).trimmed();
    entry.strPort = parser.value(QStringLiteral("port")).trimmed();
    CSitePlan plan;
    if (!plan.SetEntry(entry))
        return Refused(plan.Problems(), QStringLiteral("Nothing was sent."));

    if (!Search())
        return ExitFailed;
    if (!plan.Check(Scanner().Devices(), parser.isSet(QStringLiteral("all-models"))))
        return Refused(plan.Problems(), QStringLiteral("Nothing was sent."));
    const PlannedChange& change = plan.Changes().front();
    if (m_ipv6.bGiven && !CompleteIpv6(change))
        return ExitRefused;

    QByteArray password;
    if (!ObtainPassword(&password))
        return ExitRefused;
    const QByteArray ipv6Address = m_ipv6.strAddress.toLatin1();
    const QByteArray ipv6Gateway = m_ipv6.strGateway.toLatin1();
    const bool done = Scanner().Modify(change.device, password, change.strAddress.toLatin1(), change.strMask.toLatin1(),
                                       change.strGateway.toLatin1(), change.nPort,
                                       m_ipv6.bGiven ? &ipv6Address : nullptr,
                                       m_ipv6.bGiven ? &ipv6Gateway : nullptr, m_ipv6.nPrefixLength);
    const QString name = CSitePlan::DeviceName(change.device);
    if (done) {
        QString now = QStringLiteral("%1: done, now %2 mask %3 gateway %4 port %5")
                          .arg(name, change.strAddress, change.strMask, change.strGateway)
                          .arg(change.nPort);
        if (m_ipv6.bGiven)
            now += QStringLiteral(", IPv6 %1/%2 gateway %3").arg(m_ipv6.strAddress).arg(m_ipv6.nPrefixLength).arg(m_ipv6.strGateway);
        CConsole::Out((now + QLatin1Char('\n')).toUtf8());
        return ExitDone;
    }
    CConsole::Error(QStringLiteral("%1: failed. The device did not take the change (a wrong password or a value it "
                                   "refuses) or did not answer.\n").arg(name));
    return ExitFailed;
}
