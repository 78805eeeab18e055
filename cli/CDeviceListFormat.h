#pragma once

#include <QList>
#include <QString>
#include <QStringList>

struct FoundDevice;
class QByteArray;

// The device table's columns as the command-line tool prints them: headers
// and JSON keys in plain English, one device per row, numbered in the order
// printed (by IPv4 address, then serial number, MAC and endpoint). After the
// program's table's own columns come the protocol ("lumo" or "onvif"), the
// manufacturer, the state of an ONVIF device's read, its endpoint and XAddrs.
class CDeviceListFormat
{
public:
    static QStringList Headers();
    // The table leaves out the endpoint and XAddrs (in CSV and JSON only).
    static QStringList TableHeaders();
    static QStringList Keys();
    // The cells of one device; columns a device does not report are empty.
    static QStringList Cells(const FoundDevice& device, int id);

    static QList<FoundDevice> Sorted(QList<FoundDevice> devices);

    // Texts a spreadsheet would run as a formula are written as the device
    // list export writes them: behind an apostrophe.
    static QByteArray Csv(const QList<FoundDevice>& devices);
    // XAddrs as an array of texts; what a device does not report is null.
    static QByteArray Json(const QList<FoundDevice>& devices);
    // Aligned columns for reading on a terminal; control characters a device
    // sent are shown as "?" so that they cannot drive the terminal.
    static QByteArray Table(const QList<FoundDevice>& devices);
};
