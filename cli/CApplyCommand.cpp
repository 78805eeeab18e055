#include "CApplyCommand.h"

#include "CCsvReader.h"
#include "CDeviceScanner.h"
#include "CSitePlan.h"

#include <QByteArray>
#include <QCommandLineParser>
#include <QFile>

namespace {

QString ChangeText(const PlannedChange& change)
{
    return QStringLiteral("line %1  %2  %3  %4 -> %5  mask %6  gateway %7  port %8")
        .arg(change.nLine)
        .arg(FieldLatin1(change.device.serial), FieldLatin1(change.device.mac),
             FieldLatin1(change.device.ipv4Address), change.strAddress, change.strMask, change.strGateway)
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
        "\n"
        "PLAN.csv has a header row naming its columns: serial or mac (or both), ip,\n"
        "and optionally mask, gateway and port; then one line per device. Empty cells\n"
        "keep the device's current value. For example:\n"
        "\n"
        "  serial,ip,mask,gateway\n"
        "  TL0000000001,10.1.0.11,255.255.255.0,10.1.0.1\n"
        "\n"
        "Before anything is sent the whole plan is checked, and it is refused, naming\n"
        "the line, when a line is malformed, a device does not answer, two lines give\n"
        "the same address, or an address belongs to a device outside the plan. Then\n"
        "the lines are applied one after another and one result line is printed per\n"
        "device.\n"
        "\n"
        "The password (the same for every device) comes from the TALDOR_PASSWORD\n"
        "environment variable, or is asked for without echo (one line of standard\n"
        "input when that is not a terminal).\n"
        "\n"
        "Options:\n"
        "  --dry-run        check the plan and show the changes, send nothing\n"
        "  --wait SECONDS   how long to search for devices first (default 3)\n"
        "  --all-models     allow models other than K-VNT1C and K-VNT4C\n"
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
    CConsole::Out(text.toUtf8());
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
                               .arg(FieldLatin1(change.device.serial), change.strAddress));
        const bool done = Scanner().Modify(change.device, password, change.strAddress.toLatin1(),
                                           change.strMask.toLatin1(), change.strGateway.toLatin1(), change.nPort,
                                           nullptr, nullptr, 0);
        m_console.EndProgress();
        failed += done ? 0 : 1;
        const QString outcome = done ? QStringLiteral("done")
                                     : QStringLiteral("failed: not taken (a wrong password or a value the device "
                                                      "refuses) or no answer");
        CConsole::Out((ChangeText(change) + QStringLiteral("  ") + outcome + QLatin1Char('\n')).toUtf8());
    }
    CConsole::Error(QStringLiteral("%1 devices: %2 done, %3 failed.\n")
                        .arg(changes.size()).arg(changes.size() - failed).arg(failed));
    return failed == 0 ? ExitDone : ExitFailed;
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
    if (!Search())
        return ExitFailed;
    if (!plan.Check(Scanner().Devices(), parser.isSet(QStringLiteral("all-models"))))
        return Refused(plan.Problems(), QStringLiteral("The plan %1 is refused; nothing was sent.").arg(fileName));
    if (parser.isSet(QStringLiteral("dry-run"))) {
        PrintPlan(plan);
        return ExitDone;
    }
    QByteArray password;
    if (!ObtainPassword(&password))
        return ExitRefused;
    return ApplyPlan(plan, password);
}
