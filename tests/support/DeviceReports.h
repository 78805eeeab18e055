#pragma once

#include <lumo/lumo_api.h>

#include <QString>

// Builds library reports for tests: device n gets serial "SN" + n, a MAC and
// an address derived from n, and the accepted model "K-VNT1C".
struct ReportFields
{
    int number = 1;
    quint32 event = LUMO_EVENT_ONLINE;
    const char* model = "K-VNT1C";
    quint32 deviceClass = 0x1000;
    quint32 port = 8000;
    quint8 extendedValid = 1;
    quint8 capabilities = LUMO_CAP_IPV6 | LUMO_CAP_IPV6_MODIFIABLE | LUMO_CAP_DHCP;
};

LUMO_DEVICE_REPORT MakeReport(const ReportFields& fields);
LUMO_DEVICE_REPORT MakeReport(int number, quint32 event = LUMO_EVENT_ONLINE);

// Copies text into a fixed field, NUL-terminated when it fits.
void SetReportText(char* field, std::size_t width, const char* text);
template <std::size_t N>
void SetReportText(char (&field)[N], const char* text) { SetReportText(field, N, text); }

QString SerialOf(int number);
QString MacOf(int number);
QString Ipv4Of(int number);
