#include "CApplyCommand.h"

#include "CCsvReader.h"
#include "CDeviceScanner.h"
#include "CFailureText.h"
#include "COnvifScanner.h"
#include "CSitePlan.h"

#include <QByteArray>
#include <QCommandLineParser>
#include <QFile>

namespace {

QString ChangeText(const PlannedChange& change)
{
    const QString gateway = change.strGateway.isEmpty() ? QStringLiteral("unchanged") : change.strGateway;
    return QStringLiteral("line %1  %2  %3  %4 -> %5  mask %6  gateway %7  port %8")
        .arg(change.nLine)
        .arg(change.device.Serial(), change.device.Mac(), change.device.Ipv4Address(), change.strAddress,
             change.strMask, gateway)
        .arg(change.nPort);
}

} // namespace

QString CApplyCommand::Name() const
{
    return QStringLiteral("apply");
}

QString CApplyCommand::Summary() const
{
    return QStringLiteral("apply a site plan (CSV) to the devices it names");
}

QString CApplyCommand::HelpText() const
{
    return QStringLiteral(
        "Usage: taldor-ip apply PLAN.csv [--dry-run] [--wait SECONDS] [--all-models]\n"
        "                       [--protocol lumo|onvif|all] [--target ADDRESS]... [--user USER]\n"
        "\n"
        "PLAN.csv has a header row naming its columns: serial, mac or endpoint (or\n"
        "several), ip, and optionally mask, gateway and port; then one line per device.\n"
        "Empty cells keep the device's current value. K-VNT and ONVIF devices may be\n"
        "mixed; an ONVIF device keeps its port (leave the cell empty) and is done when\n"
        "it answers at its new address. For example:\n"
        "\n"
        "  serial,ip,mask,gateway\n"
        "  TL0000000001,10.1.0.11,255.255.255.0,10.1.0.1\n"
        "  NV2140-0001,10.1.0.12,255.255.255.0,10.1.0.1\n"
        "\n"
        "Before anything is sent the whole plan is checked, and it is refused, naming\n"
        "the line, when a line is malformed, a device does not answer, two lines give\n"
        "the same address, or an address belongs to a device outside the plan. Then\n"
        "the lines are applied one after another and one result line is printed per\n"
        "device.\n"
        "\n"
        "The password (the same for every device) comes from the TALDOR_PASSWORD\n"
        "environment variable, or is asked for without echo (one line of standard\n"
        "input when that is not a terminal). ONVIF devices are read and set as USER\n"
        "(--user, else TALDOR_USER, else admin), so with ONVIF discovery the password\n"
        "is needed before the search.\n"
        "\n"
        "Options:\n"
        "  --dry-run        check the plan and show the changes, send nothing\n"
        "  --wait SECONDS   how long to search for devices first (default 3)\n"
        "  --all-models     allow models other than K-VNT1C and K-VNT4C\n"
        "  --protocol PROTOCOL  lumo, onvif or all (default): which discoveries run\n"
        "  --target ADDRESS     also ask the device at this IPv4 address directly\n"
        "  --user USER          user name for ONVIF devices\n"
        "  -h, --help       show this help\n"
        "\n"
        "Exit status: 0 every device done, 1 some device failed, 2 bad usage or a\n"
        "refused plan (nothing was sent).\n");
}

void CApplyCommand::AddOptions(QCommandLineParser& parser)
{
    parser.addOption(QCommandLineOption(QStringLiteral("dry-run")));
    parser.addOption(QCommandLineOption(QStringLiteral("all-models")));
}

bool CApplyCommand::ReadPlan(const QString& fileName, CSitePlan& plan)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        Refused({ QStringLiteral("%1: %2").arg(fileName, file.errorString()) }, QStringLiteral("Nothing was sent."));
        return false;
    }
    CCsvReader reader;
    if (!reader.Parse(file.readAll())) {
        Refused({ reader.Error() }, QStringLiteral("The plan %1 is refused; nothing was sent.").arg(fileName));
        return false;
    }
    if (!plan.Read(reader.Records())) {
        Refused(plan.Problems(), QStringLiteral("The plan %1 is refused; nothing was sent.").arg(fileName));
        return false;
    }
    return true;
}

void CApplyCommand::PrintPlan(const CSitePlan& plan) const
{
    QString text;
    for (const PlannedChange& change : plan.Changes())
        text += ChangeText(change) + QLatin1Char('\n');
    CConsole::Print(text);
    CConsole::Error(QStringLiteral("The plan holds for %1 devices; nothing was sent (--dry-run).\n")
                        .arg(plan.Changes().size()));
}

int CApplyCommand::ApplyPlan(const CSitePlan& plan, const QByteArray& password)
{
    const QList<PlannedChange>& changes = plan.Changes();
    int failed = 0;
    for (int i = 0; i < changes.size(); ++i) {
        const PlannedChange& change = changes[i];
        m_console.Progress(QStringLiteral("Applying %1 of %2: line %3, %4 -> %5")
                               .arg(i + 1).arg(changes.size()).arg(change.nLine)
                               .arg(change.device.Serial(), change.strAddress));
        const QString failure = change.device.IsOnvif() ? ApplyOnvif(change) : ApplyLumo(change, password);
        m_console.EndProgress();
        failed += failure.isEmpty() ? 0 : 1;
        const QString outcome = failure.isEmpty() ? QStringLiteral("done") : QStringLiteral("failed: ") + failure;
        CConsole::Print(ChangeText(change) + QStringLiteral("  ") + outcome + QLatin1Char('\n'));
    }
    CConsole::Error(QStringLiteral("%1 devices: %2 done, %3 failed.\n")
                        .arg(changes.size()).arg(changes.size() - failed).arg(failed));
    return failed == 0 ? ExitDone : ExitFailed;
}

QString CApplyCommand::ApplyLumo(const PlannedChange& change, const QByteArray& password)
{
    LumoFailure failure;
    const bool done = Scanner().Lumo().Modify(change.device.lumo, password, change.strAddress.toLatin1(),
                                              change.strMask.toLatin1(), change.strGateway.toLatin1(), change.nPort,
                                              nullptr, nullptr, 0, &failure);
    return done ? QString() : CFailureText::Reason(failure);
}

QString CApplyCommand::ApplyOnvif(const PlannedChange& change)
{
    OnvifReaddress::Request request;
    request.ipv4Address = change.strAddress;
    request.prefixLength = FoundDevice::PrefixOfMask(change.strMask);
    request.ipv4Gateway = change.strGateway;
    const OnvifReaddress::Result result = Scanner().Onvif().Readdress(change.device.onvif, request);
    return result.isDone() ? QString() : OnvifReaddress::failureName(result.failure) + QStringLiteral(", ") + result.reason;
}

int CApplyCommand::Execute(const QCommandLineParser& parser)
{
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return UsageError(QStringLiteral("give exactly one plan file"));
    const QString fileName = positional.front();
    CSitePlan plan;
    if (!ReadPlan(fileName, plan))
        return ExitRefused;
    // ONVIF devices are named by what their read gives, so the password comes first.
    QByteArray password;
    if (SearchOptions().UsesOnvif() && !ObtainPassword(&password))
        return ExitRefused;
    if (!Search({}, password))
        return ExitFailed;
    if (!plan.Check(Scanner().Devices(), parser.isSet(QStringLiteral("all-models"))))
        return Refused(plan.Problems(), QStringLiteral("The plan %1 is refused; nothing was sent.").arg(fileName));
    if (parser.isSet(QStringLiteral("dry-run"))) {
        PrintPlan(plan);
        return ExitDone;
    }
    if (password.isNull() && !ObtainPassword(&password))
        return ExitRefused;
    return ApplyPlan(plan, password);
}
