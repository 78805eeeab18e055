#pragma once

#include "CCliCommand.h"

// taldor-ip reset: restores a device's default password with the security
// code its maker issued for the serial number and date.
class CResetCommand : public CCliCommand
{
public:
    QString Name() const override;
    QString Summary() const override;
    QString HelpText() const override;

protected:
    void AddOptions(QCommandLineParser& parser) override;
    int Execute(const QCommandLineParser& parser) override;
};
