#include "CTaldorIpTool.h"

#include "CApplyCommand.h"
#include "CListCommand.h"
#include "CResetCommand.h"
#include "CSetCommand.h"

#include <memory>
#include <vector>

namespace {

std::vector<std::unique_ptr<CCliCommand>> Commands()
{
    std::vector<std::unique_ptr<CCliCommand>> commands;
    commands.push_back(std::make_unique<CListCommand>());
    commands.push_back(std::make_unique<CSetCommand>());
    commands.push_back(std::make_unique<CApplyCommand>());
    commands.push_back(std::make_unique<CResetCommand>());
    return commands;
}

} // namespace

QString CTaldorIpTool::ProgramHelp()
{
    QString text = QStringLiteral(
        "Usage: taldor-ip COMMAND [OPTIONS]\n"
        "\n"
        "Finds the IP cameras and video encoders on the local network segment and sets\n"
        "up their network parameters, one device or a whole site plan at a time.\n"
        "\n"
        "Commands:\n");
    for (const auto& command : Commands())
        text += QStringLiteral("  %1%2\n").arg(command->Name().leftJustified(8), command->Summary());
    text += QStringLiteral(
        "\n"
        "'taldor-ip COMMAND --help' describes a command. Passwords come from the\n"
        "TALDOR_PASSWORD environment variable or a prompt, never from the command line.\n"
        "\n"
        "Exit status: 0 all done, 1 some device failed, 2 bad usage or a refused plan.\n");
    return text;
}

int CTaldorIpTool::Run(const QStringList& arguments)
{
    const QString name = arguments.size() > 1 ? arguments.at(1) : QString();
    if (name == QLatin1String("--help") || name == QLatin1String("-h") || name == QLatin1String("help")) {
        CConsole::Out(ProgramHelp().toUtf8());
        return CCliCommand::ExitDone;
    }
    if (name.isEmpty()) {
        CConsole::Error(ProgramHelp());
        return CCliCommand::ExitRefused;
    }
    for (const auto& command : Commands()) {
        if (command->Name() == name)
            return command->Run(arguments.mid(2));
    }
    CConsole::Error(QStringLiteral("taldor-ip: unknown command \"%1\"; the commands are list, set, apply and reset.\n"
                                   "See 'taldor-ip --help'.\n").arg(name));
    return CCliCommand::ExitRefused;
}
