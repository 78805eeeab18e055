#pragma once

#include "CCliCommand.h"

struct PlannedChange;

// taldor-ip set: finds one device by serial number, MAC or ONVIF endpoint and
// gives it new network parameters; what is not given keeps the device's
// current value.
class CSetCommand : public CCliCommand
{
public:
    QString Name() const override;
    QString Summary() const override;
    QString HelpText() const override;

protected:
    void AddOptions(QCommandLineParser& parser) override;
    int Execute(const QCommandLineParser& parser) override;

private:
    struct Ipv6Settings
    {
        bool bGiven = false;
        QString strAddress;
        QString strGateway;
        int nPrefixLength = 0;
    };

    bool ReadIpv6Options(const QCommandLineParser& parser);
    bool CompleteIpv6(const PlannedChange& change);
    int SetOnvif(const PlannedChange& change);

    Ipv6Settings m_ipv6;
};
