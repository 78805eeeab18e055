#include "DeviceReports.h"

#include <cstring>

QString SerialOf(int number)
{
    return QStringLiteral("SN%1").arg(number, 8, 10, QLatin1Char('0'));
}

QString MacOf(int number)
{
    return QStringLiteral("00:1A:2B:%1:%2:%3")
        .arg((number >> 16) & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((number >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
        .arg(number & 0xFF, 2, 16, QLatin1Char('0'))
        .toUpper();
}

QString Ipv4Of(int number)
{
    return QStringLiteral("10.%1.%2.%3").arg((number >> 16) & 0xFF).arg((number >> 8) & 0xFF).arg((number & 0xFF) + 1);
}

void SetReportText(char* field, std::size_t width, const char* text)
{
    std::memset(field, 0, width);
    std::memcpy(field, text, std::min(width, std::strlen(text)));
}

LUMO_DEVICE_REPORT MakeReport(const ReportFields& fields)
{
    LUMO_DEVICE_REPORT report;
    std::memset(&report, 0, sizeof report);
    SetReportText(report.leading, "LUMO");
    SetReportText(report.serial, SerialOf(fields.number).toLatin1().constData());
    SetReportText(report.mac, MacOf(fields.number).toLatin1().constData());
    SetReportText(report.ipv4Address, Ipv4Of(fields.number).toLatin1().constData());
    SetReportText(report.ipv4Mask, "255.0.0.0");
    report.deviceClass = fields.deviceClass;
    report.port = fields.port;
    report.channelCount = 4;
    SetReportText(report.softwareVersion, "V2.4.1 build 260101");
    SetReportText(report.dspVersion, "V1.0.7");
    SetReportText(report.startTime, "2026-12-01 08:00:00");
    report.eventCode = fields.event;
    SetReportText(report.deviceTypeText, fields.model);
    SetReportText(report.ipv4Gateway, "10.0.0.254");
    SetReportText(report.ipv6Address, "fd00::10");
    SetReportText(report.ipv6Gateway, "fd00::1");
    report.ipv6PrefixLength = 64;
    report.capabilities = fields.capabilities;
    report.ipv4Dhcp = 1;
    report.extendedValid = fields.extendedValid;
    return report;
}

LUMO_DEVICE_REPORT MakeReport(int number, quint32 event)
{
    ReportFields fields;
    fields.number = number;
    fields.event = event;
    return MakeReport(fields);
}
