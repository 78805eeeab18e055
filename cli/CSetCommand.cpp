#include "CSetCommand.h"

#include "CDeviceScanner.h"
#include "CFailureText.h"
#include "COnvifScanner.h"
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
        "                     [--protocol lumo|onvif|all] [--target ADDRESS]... [--user USER]\n"
        "\n"
        "Finds the device DEVICE (a serial number, a MAC address or an ONVIF endpoint\n"
        "such as urn:uuid:...) and gives it new network parameters. Values not given\n"
        "keep the device's current ones. The address must not belong to another\n"
        "device that answered.\n"
        "\n"
        "An ONVIF device gets a manual IPv4 address, its mask as a prefix length, and\n"
        "the gateway; its port and IPv6 settings are not changed here. The change is\n"
        "done when the device answers at its new address (which may take a reboot,\n"
        "up to 90 s). A device answering both protocols is set through K-VNT.\n"
        "\n"
        "The password comes from the TALDOR_PASSWORD environment variable, or is asked\n"
        "for without echo (one line of standard input when that is not a terminal).\n"
        "ONVIF devices are read and set as USER (--user, else TALDOR_USER, else admin).\n"
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
        "  --protocol PROTOCOL    lumo, onvif or all (default): which discoveries run\n"
        "  --target ADDRESS       also ask the device at this IPv4 address directly\n"
        "  --user USER            user name for ONVIF devices\n"
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
    const LUMO_DEVICE_INFO_MY& device = change.device.lumo;
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
        return UsageError(QStringLiteral("give exactly one device, by serial number, MAC or endpoint"));
    if (!parser.isSet(QStringLiteral("ip")))
        return UsageError(QStringLiteral("give the new address with --ip"));
    if (!ReadIpv6Options(parser))
        return ExitRefused;

    PlanEntry entry;
    const QString device = positional.front().trimmed();
    if (CSitePlan::IsEndpointText(device))
        entry.strEndpoint = device;
    else
        (IsValidMAC(CSitePlan::NormalisedMac(device)) ? entry.strMac : entry.strSerial) = device;
    entry.strAddress = parser.value(QStringLiteral("ip")).trimmed();
    entry.strMask = parser.value(QStringLiteral("mask")).trimmed();
    entry.strGateway = parser.value(QStringLiteral("gateway")).trimmed();
    entry.strPort = parser.value(QStringLiteral("port")).trimmed();
    CSitePlan plan;
    if (!plan.SetEntry(entry))
        return Refused(plan.Problems(), QStringLiteral("Nothing was sent."));

    // ONVIF devices are named by what their read gives, so the password comes first.
    QByteArray password;
    if (SearchOptions().UsesOnvif() && !ObtainPassword(&password))
        return ExitRefused;
    if (!Search({}, password))
        return ExitFailed;
    if (!plan.Check(Scanner().Devices(), parser.isSet(QStringLiteral("all-models"))))
        return Refused(plan.Problems(), QStringLiteral("Nothing was sent."));
    const PlannedChange& change = plan.Changes().front();
    if (change.device.IsOnvif()) {
        if (m_ipv6.bGiven)
            return Refused({ QStringLiteral("device %1 is an ONVIF device, whose IPv6 settings are not set here")
                                 .arg(CSitePlan::DeviceName(change.device)) },
                           QStringLiteral("Nothing was sent."));
        return SetOnvif(change);
    }
    if (m_ipv6.bGiven && !CompleteIpv6(change))
        return ExitRefused;

    if (password.isNull() && !ObtainPassword(&password))
        return ExitRefused;
    const QByteArray ipv6Address = m_ipv6.strAddress.toLatin1();
    const QByteArray ipv6Gateway = m_ipv6.strGateway.toLatin1();
    LumoFailure failure;
    const bool done = Scanner().Lumo().Modify(change.device.lumo, password, change.strAddress.toLatin1(), change.strMask.toLatin1(),
                                       change.strGateway.toLatin1(), change.nPort,
                                       m_ipv6.bGiven ? &ipv6Address : nullptr,
                                       m_ipv6.bGiven ? &ipv6Gateway : nullptr, m_ipv6.nPrefixLength, &failure);
    const QString name = CSitePlan::DeviceName(change.device);
    if (done) {
        QString now = QStringLiteral("%1: done, now %2 mask %3 gateway %4 port %5")
                          .arg(name, change.strAddress, change.strMask, change.strGateway)
                          .arg(change.nPort);
        if (m_ipv6.bGiven)
            now += QStringLiteral(", IPv6 %1/%2 gateway %3").arg(m_ipv6.strAddress).arg(m_ipv6.nPrefixLength).arg(m_ipv6.strGateway);
        CConsole::Print(now + QLatin1Char('\n'));
        return ExitDone;
    }
    CConsole::Error(QStringLiteral("%1: failed, %2.\n").arg(name, CFailureText::Reason(failure)));
    return ExitFailed;
}

int CSetCommand::SetOnvif(const PlannedChange& change)
{
    OnvifReaddress::Request request;
    request.ipv4Address = change.strAddress;
    request.prefixLength = FoundDevice::PrefixOfMask(change.strMask);
    request.ipv4Gateway = change.strGateway;
    const QString name = CSitePlan::DeviceName(change.device);
    m_console.Progress(QStringLiteral("Setting %1 to %2, then waiting for it there").arg(name, change.strAddress));
    const OnvifReaddress::Result result = Scanner().Onvif().Readdress(change.device.onvif, request);
    m_console.EndProgress();
    if (result.isDone()) {
        CConsole::Print(QStringLiteral("%1: done, now %2 mask %3 gateway %4\n")
                            .arg(name, change.strAddress, change.strMask,
                                 change.strGateway.isEmpty() ? QStringLiteral("unchanged") : change.strGateway));
        return ExitDone;
    }
    CConsole::Error(QStringLiteral("%1: failed, %2: %3\n")
                        .arg(name, OnvifReaddress::failureName(result.failure), result.reason));
    return ExitFailed;
}
