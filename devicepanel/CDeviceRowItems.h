#pragma once

#include <QList>
#include <QString>

class QStandardItem;
class QStandardItemModel;
struct LUMO_DEVICE_INFO_MY;
struct OnvifDeviceRecord;

// The items of one table row, either already in the model or still being
// assembled for a new row, and how a device's record fills them.
class CDeviceRowItems
{
public:
    // The row `row` of the model.
    CDeviceRowItems(QStandardItemModel* model, int row);
    // A new row of fresh items, to be taken into the model with Take.
    CDeviceRowItems();
    ~CDeviceRowItems();
    CDeviceRowItems(const CDeviceRowItems&) = delete;
    CDeviceRowItems& operator=(const CDeviceRowItems&) = delete;

    QStandardItem* At(int column);
    void Replace(int column, QStandardItem* item);
    QList<QStandardItem*> Take();

    void SetText(int column, const QString& text);
    // The first fill of an address cell swaps the plain item for one that
    // orders by address value; later fills only change its text.
    void SetAddressText(int column, const QString& text);
    // The ID cell, when it has none yet.
    void NumberIfEmpty(int rowNumber);

    void FillFromRecord(int rowNumber, const LUMO_DEVICE_INFO_MY& info);
    void FillFromOnvif(int rowNumber, const OnvifDeviceRecord& record);
    // The cells a successful network change alters.
    void FillNewAddress(int rowNumber, const QString& address, const QString& mask, const QString& port,
                        const QString& gateway);

    // The serial number stays editable so that its text can be opened for
    // copying; every other cell is read-only.
    void MakeOnlySerialEditable();

    static QString Padded(const char* format, int value);
    // The dotted mask of an IPv4 prefix length; empty outside 0-32.
    static QString MaskOfPrefix(int prefixLength);
    // The HTTP port a device's web page is on: the one it reported, else the
    // one of its device-service address.
    static int WebPort(const OnvifDeviceRecord& record);

private:
    void FillExtendedColumns(const LUMO_DEVICE_INFO_MY& info);

    QStandardItemModel* m_pModel = nullptr;
    int m_nRow = -1;
    QList<QStandardItem*> m_items; // of a new row
};
