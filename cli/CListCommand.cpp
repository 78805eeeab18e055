#include "CListCommand.h"

#include "CDeviceListFormat.h"
#include "CDeviceScanner.h"
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
        "\n"
        "Asks the devices on the network segment to answer, waits, and prints each\n"
        "device once, by IPv4 address, with the columns of the program's device table.\n"
        "\n"
        "Options:\n"
        "  --wait SECONDS   how long to wait for answers (default 3)\n"
        "  --format FORMAT  table (default), csv (RFC 4180, UTF-8, with a header row)\n"
        "                   or json (an array of objects)\n"
        "  --all-models     list every device, not only the models K-VNT1C and K-VNT4C\n"
        "  -h, --help       show this help\n");
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
    QByteArray (*print)(const QList<LUMO_DEVICE_INFO_MY>&) = nullptr;
    if (format == QLatin1String("table"))
        print = &CDeviceListFormat::Table;
    else if (format == QLatin1String("csv"))
        print = &CDeviceListFormat::Csv;
    else if (format == QLatin1String("json"))
        print = &CDeviceListFormat::Json;
    else
        return UsageError(QStringLiteral("--format is table, csv or json, not \"%1\"").arg(format));

    if (!Search())
        return ExitFailed;
    const bool allModels = parser.isSet(QStringLiteral("all-models"));
    QList<LUMO_DEVICE_INFO_MY> shown;
    for (const LUMO_DEVICE_INFO_MY& device : Scanner().Devices()) {
        if (allModels || CSitePlan::IsListedModel(device))
            shown.append(device);
    }
    CConsole::Out(print(CDeviceListFormat::Sorted(shown)));
    if (shown.isEmpty())
        CConsole::Error(QStringLiteral("No device answered within %1 s. Check the network cable and that the firewall "
                                       "lets UDP port 47811 in, or search longer with --wait.\n")
                            .arg(double(WaitTime().count()) / 1000.0));
    return ExitDone;
}
