#pragma once

#include "CCliCommand.h"

// taldor-ip list: prints every device found once, as a table, CSV or JSON.
class CListCommand : public CCliCommand
{
public:
    QString Name() const override;
    QString Summary() const override;
    QString HelpText() const override;

protected:
    void AddOptions(QCommandLineParser& parser) override;
    int Execute(const QCommandLineParser& parser) override;
};
