#pragma once

#include <QStringList>

// The command-line tool: picks the command named by the first argument and
// runs it. Returns the process's exit code.
class CTaldorIpTool
{
public:
    int Run(const QStringList& arguments);

private:
    static QString ProgramHelp();
};
