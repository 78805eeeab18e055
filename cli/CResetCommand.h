#pragma once

#include "CCliCommand.h"

struct FoundDevice;

// taldor-ip reset: restores a device's default password with the security
// code its maker issued for the serial number and date (K-VNT devices only).
class CResetCommand : public CCliCommand
{
public:
    QString Name() const override;
    QString Summary() const override;
    QString HelpText() const override;

    // Why a device's password cannot be restored here (ONVIF devices), or empty.
    static QString Refusal(const FoundDevice& device);

protected:
    void AddOptions(QCommandLineParser& parser) override;
    int Execute(const QCommandLineParser& parser) override;
};
