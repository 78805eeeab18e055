#pragma once

#include "CCliCommand.h"

struct FoundDevice;

// taldor-ip reset: restores a device's default password with the security
// code its maker issued for the serial number and date (K-VNT devices only).
// The code is a secret like the password: it comes from the environment or a
// prompt without echo.
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

private:
    // TALDOR_CODE or a prompt; --code still works, with a warning.
    bool ObtainCode(const QCommandLineParser& parser, QByteArray* code) const;
};
