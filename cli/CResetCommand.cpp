#include "CResetCommand.h"

#include "CDeviceScanner.h"
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
        "Usage: taldor-ip reset SERIAL --code CODE [--wait SECONDS]\n"
        "\n"
        "Restores the default password of the device with serial number SERIAL. The\n"
        "security code is issued by the maker for the serial number and a date; a\n"
        "device takes the code of its date and of the day before and after.\n"
        "\n"
        "Options:\n"
        "  --code CODE      the security code\n"
        "  --wait SECONDS   how long to search for the device (default 3)\n"
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
    const QString code = parser.value(QStringLiteral("code"));
    if (!parser.isSet(QStringLiteral("code")) || code.isEmpty())
        return UsageError(QStringLiteral("give the security code with --code"));

    auto found = [&](const QList<LUMO_DEVICE_INFO_MY>& devices) {
        return !CSitePlan::MatchingDevices(devices, serial, QString()).isEmpty();
    };
    if (!Search(found))
        return ExitFailed;
    const QList<LUMO_DEVICE_INFO_MY> devices = Scanner().Devices();
    const QList<int> matches = CSitePlan::MatchingDevices(devices, serial, QString());
    if (matches.isEmpty())
        return Refused({ QStringLiteral("no device with serial number %1 answered").arg(serial) },
                       QStringLiteral("Check that it is on and on this network segment, or search longer with --wait."));
    const LUMO_DEVICE_INFO_MY& device = devices[matches.front()];
    if (Scanner().ResetPassword(FieldBytes(device.serial), code.toLatin1())) {
        CConsole::Out(QStringLiteral("%1: default password restored\n").arg(CSitePlan::DeviceName(device)).toUtf8());
        return ExitDone;
    }
    CConsole::Error(QStringLiteral("%1: the default password was not restored. The device did not take the "
                                   "code or did not answer; check the code's date and serial number.\n")
                        .arg(CSitePlan::DeviceName(device)));
    return ExitFailed;
}
