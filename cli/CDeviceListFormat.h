#pragma once

#include <QList>
#include <QString>
#include <QStringList>

struct LUMO_DEVICE_INFO_MY;
class QByteArray;

// The device table's columns as the command-line tool prints them: headers
// and JSON keys in plain English, one device per row, numbered in the order
// printed (by IPv4 address, then serial number and MAC).
class CDeviceListFormat
{
public:
    static QStringList Headers();
    static QStringList Keys();
    // The cells of one device; columns a device does not report are empty.
    static QStringList Cells(const LUMO_DEVICE_INFO_MY& device, int id);

    static QList<LUMO_DEVICE_INFO_MY> Sorted(QList<LUMO_DEVICE_INFO_MY> devices);

    static QByteArray Csv(const QList<LUMO_DEVICE_INFO_MY>& devices);
    static QByteArray Json(const QList<LUMO_DEVICE_INFO_MY>& devices);
    // Aligned columns for reading on a terminal; control characters a device
    // sent are shown as "?" so that they cannot drive the terminal.
    static QByteArray Table(const QList<LUMO_DEVICE_INFO_MY>& devices);
};
