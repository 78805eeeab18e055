#include "CListCommand.h"

#include "CDeviceListFormat.h"
#include "CSitePlan.h"

#include <QByteArray>
#include <QCommandLineParser>

QString CListCommand::Name() const
{
    return QStringLiteral("list");
}

QString CListCommand::Summary() const
{
    return QStringLiteral("list the devices on the network segment");
}

QString CListCommand::HelpText() const
{
    return QStringLiteral(
        "Usage: taldor-ip list [--wait SECONDS] [--format table|csv|json] [--all-models]\n"
        "                      [--protocol lumo|onvif|all] [--target ADDRESS]... [--user USER]\n"
        "\n"
        "Asks the devices on the network segment to answer, waits, and prints each\n"
        "device once, by IPv4 address, with the columns of the program's device table\n"
        "and the protocol it answered (lumo for K-VNT devices, onvif for ONVIF devices\n"
        "of any make). ONVIF devices are read through their device service; a device\n"
        "that answers both protocols is listed once, as lumo, with its ONVIF endpoint.\n"
        "\n"
        "ONVIF devices are read as USER with the password in TALDOR_PASSWORD, or\n"
        "without credentials when it is not set (the password is asked for when --user\n"
        "is given). A device that refuses is listed with what discovery gave and the\n"
        "state \"credentials needed\".\n"
        "\n"
        "Options:\n"
        "  --wait SECONDS       how long to wait for answers (default 3)\n"
        "  --format FORMAT      table (default), csv (RFC 4180, UTF-8, with a header row)\n"
        "                       or json (an array of objects)\n"
        "  --all-models         list every K-VNT device, not only the models K-VNT1C and\n"
        "                       K-VNT4C (ONVIF devices are listed whatever their model)\n"
        "  --protocol PROTOCOL  lumo, onvif or all (default): which discoveries run\n"
        "  --target ADDRESS     also ask the device at this IPv4 address directly (for a\n"
        "                       device on another subnet); may be repeated\n"
        "  --user USER          user name for ONVIF devices (default TALDOR_USER, else admin)\n"
        "  -h, --help           show this help\n");
}

void CListCommand::AddOptions(QCommandLineParser& parser)
{
    parser.addOption(QCommandLineOption(QStringLiteral("format"), QString(), QStringLiteral("format"),
                                        QStringLiteral("table")));
    parser.addOption(QCommandLineOption(QStringLiteral("all-models")));
}

int CListCommand::Execute(const QCommandLineParser& parser)
{
    if (!parser.positionalArguments().isEmpty())
        return UsageError(QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().front()));
    const QString format = parser.value(QStringLiteral("format"));
    QByteArray (*print)(const QList<FoundDevice>&) = nullptr;
    if (format == QLatin1String("table"))
        print = &CDeviceListFormat::Table;
    else if (format == QLatin1String("csv"))
        print = &CDeviceListFormat::Csv;
    else if (format == QLatin1String("json"))
        print = &CDeviceListFormat::Json;
    else
        return UsageError(QStringLiteral("--format is table, csv or json, not \"%1\"").arg(format));

    // ONVIF devices are read with the password when one is at hand; asked for
    // only when a user was named, as listing needs none otherwise.
    QByteArray password;
    if (SearchOptions().UsesOnvif() && (SearchOptions().UserGiven() || qEnvironmentVariableIsSet("TALDOR_PASSWORD"))
        && !ObtainPassword(&password))
        return ExitRefused;
    if (!Search({}, password))
        return ExitFailed;
    const bool allModels = parser.isSet(QStringLiteral("all-models"));
    QList<FoundDevice> shown;
    for (const FoundDevice& device : Scanner().Devices()) {
        if (allModels || device.IsOnvif() || CSitePlan::IsListedModel(device))
            shown.append(device);
    }
    CConsole::Out(print(CDeviceListFormat::Sorted(shown)));
    if (shown.isEmpty())
        CConsole::Error(QStringLiteral("No device answered within %1 s. Check the network cable and that the firewall "
                                       "lets %2 in, or search longer with --wait.\n")
                            .arg(double(WaitTime().count()) / 1000.0)
                            .arg(SearchOptions().UsesOnvif() ? QStringLiteral("UDP ports 47811 and 3702")
                                                             : QStringLiteral("UDP port 47811")));
    return ExitDone;
}
