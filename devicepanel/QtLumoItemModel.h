#pragma once

#include <QStandardItemModel>

// The device table's model: a standard item model with the 19 device columns and the
// column that says which protocol found the device.
class QtLumoItemModel : public QStandardItemModel
{
    Q_OBJECT
public:
    enum Column {
        ColId = 0,
        ColDeviceType = 1,
        ColIpv4Address = 2,
        ColPort = 3,
        ColSoftwareVersion = 4,
        ColIpv4Gateway = 5,
        ColSerial = 6,
        ColIpv4Mask = 7,
        ColMac = 8,
        ColChannels = 9,
        ColDspVersion = 10,
        ColStartTime = 11,
        ColIpv6Address = 12,
        ColIpv6Gateway = 13,
        ColIpv6PrefixLength = 14,
        ColSupportsIpv6 = 15,
        ColSupportsIpv6Modify = 16,
        ColSupportsDhcp = 17,
        ColIpv4Dhcp = 18,
        ColSource = 19, // K-VNT, or ONVIF with the maker's name
        ColumnCount = 20
    };

    // The serial number a device reported, kept beside the cell text so that
    // an edit of the cell can always be undone.
    static constexpr int ReportedSerialRole = Qt::UserRole + 1;
    // On the source cell of an ONVIF row: the device's endpoint address, by
    // which the panel knows the row.
    static constexpr int EndpointRole = Qt::UserRole + 2;

    explicit QtLumoItemModel(QObject* parent = nullptr);

    // Column widths in pixels, in model order.
    static int ColumnWidth(int column);
};
