#include "CResetCommand.h"

#include "CDeviceScanner.h"
#include "CFailureText.h"
#include "CSitePlan.h"

#include <QByteArray>
#include <QCommandLineParser>

QString CResetCommand::Name() const
{
    return QStringLiteral("reset");
}

QString CResetCommand::Summary() const
{
    return QStringLiteral("restore a device's default password with a security code");
}

QString CResetCommand::HelpText() const
{
    return QStringLiteral(
        "Usage: taldor-ip reset SERIAL [--wait SECONDS]\n"
        "                       [--protocol lumo|onvif|all] [--target ADDRESS]... [--user USER]\n"
        "\n"
        "Restores the default password of the K-VNT device with serial number SERIAL.\n"
        "The security code is issued by the maker for the serial number and a date; a\n"
        "device takes the code of its date and of the day before and after. ONVIF\n"
        "devices have no such restore and are refused.\n"
        "\n"
        "The security code comes from the TALDOR_CODE environment variable, or is asked\n"
        "for without echo (one line of standard input when that is not a terminal).\n"
        "--code CODE still works, but every user of this computer can read the code in\n"
        "the process list, and a warning says so.\n"
        "\n"
        "Options:\n"
        "  --code CODE      the security code (visible to other users; see above)\n"
        "  --wait SECONDS   how long to search for the device (default 3)\n"
        "  --protocol PROTOCOL  lumo, onvif or all (default): which discoveries run\n"
        "  --target ADDRESS     also ask the device at this IPv4 address directly\n"
        "  --user USER          user name for reading ONVIF devices\n"
        "  -h, --help       show this help\n");
}

void CResetCommand::AddOptions(QCommandLineParser& parser)
{
    parser.addOption(QCommandLineOption(QStringLiteral("code"), QString(), QStringLiteral("code")));
}

int CResetCommand::Execute(const QCommandLineParser& parser)
{
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return UsageError(QStringLiteral("give exactly one serial number"));
    const QString serial = positional.front().trimmed();
    QByteArray code;
    if (!ObtainCode(parser, &code))
        return ExitRefused;
    if (code.isEmpty())
        return UsageError(QStringLiteral("the security code is empty"));

    const QString endpoint = CSitePlan::IsEndpointText(serial) ? serial : QString();
    const QString wanted = endpoint.isEmpty() ? serial : QString();
    auto found = [&](const QList<FoundDevice>& devices) {
        return !CSitePlan::MatchingDevices(devices, wanted, QString(), endpoint).isEmpty();
    };
    // A password at hand lets an ONVIF device be read, so that it is known by its serial number.
    QByteArray password;
    if (SearchOptions().UsesOnvif() && qEnvironmentVariableIsSet("TALDOR_PASSWORD") && !ObtainPassword(&password))
        return ExitRefused;
    if (!Search(found, password))
        return ExitFailed;
    const QList<FoundDevice> devices = Scanner().Devices();
    const QList<int> matches = CSitePlan::MatchingDevices(devices, wanted, QString(), endpoint);
    if (matches.isEmpty())
        return Refused({ QStringLiteral("no device with %1 %2 answered")
                             .arg(endpoint.isEmpty() ? QStringLiteral("serial number") : QStringLiteral("endpoint"), serial) },
                       QStringLiteral("Check that it is on and on this network segment, or search longer with --wait."));
    const FoundDevice& device = devices[matches.front()];
    const QString refusal = Refusal(device);
    if (!refusal.isEmpty())
        return Refused({ refusal }, QStringLiteral("Nothing was sent."));
    LumoFailure failure;
    if (Scanner().Lumo().ResetPassword(FieldBytes(device.lumo.serial), code, &failure)) {
        CConsole::Print(QStringLiteral("%1: default password restored\n").arg(CSitePlan::DeviceName(device)));
        return ExitDone;
    }
    const bool wrongCode = failure.reason == LumoFailure::Reason::AuthFailed;
    CConsole::Error(QStringLiteral("%1: the default password was not restored, %2.%3\n")
                        .arg(CSitePlan::DeviceName(device), CFailureText::Reason(failure, true),
                             wrongCode ? QStringLiteral(" Check the code's date and serial number.") : QString()));
    return ExitFailed;
}

bool CResetCommand::ObtainCode(const QCommandLineParser& parser, QByteArray* code) const
{
    const QString option = QStringLiteral("code");
    if (!parser.isSet(option))
        return ObtainSecret("TALDOR_CODE", QStringLiteral("security code"), QStringLiteral("Security code: "), code);
    CConsole::Error(QStringLiteral("taldor-ip reset: warning: a code given with --code can be read by every user of "
                                   "this computer (in the process list); set TALDOR_CODE or type the code when asked "
                                   "instead.\n"));
    return DeviceSecret(parser.value(option), QStringLiteral("security code"), code);
}

QString CResetCommand::Refusal(const FoundDevice& device)
{
    if (device.IsLumo())
        return QString();
    return QStringLiteral("device %1 is an ONVIF device; ONVIF has no way to restore a password with a security "
                          "code. Restore it the way its maker provides (often a reset button), or set it up with "
                          "the maker's own tool.").arg(CSitePlan::DeviceName(device));
}
