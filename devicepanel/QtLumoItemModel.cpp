#include "QtLumoItemModel.h"

namespace {

constexpr int kColumnWidths[QtLumoItemModel::ColumnCount] = {
    50, 104, 100, 60, 120, 100, 230, 100, 120, 130, 110, 130, 100, 100, 130, 130, 130, 130, 130, 150
};

} // namespace

QtLumoItemModel::QtLumoItemModel(QObject* parent)
    : QStandardItemModel(0, ColumnCount, parent)
{
    const QString headers[ColumnCount] = {
        tr("ID"), tr("Device Type"), tr("IPv4 Address"), tr("Port"), tr("Soft Vision"),
        tr("IPv4 GateWay"), tr("Serial Number"), tr("IPv4 Mask"), tr("MAC"), tr("Channel NO"),
        tr("DSP Vision"), tr("Start Time"), tr("IPv6 Address"), tr("IPv6 GateWay"),
        tr("IPv6 Prefix Length"), tr("Is Support IPv6"), tr("Is Support Mod IPv6"),
        tr("Is Support DHCP"), tr("IPv4 DHCP"), tr("Source"),
    };
    for (int column = 0; column < ColumnCount; ++column) {
        setHeaderData(column, Qt::Horizontal, headers[column]);
        setHeaderData(column, Qt::Horizontal, int(Qt::AlignLeft | Qt::AlignVCenter), Qt::TextAlignmentRole);
    }
}

int QtLumoItemModel::ColumnWidth(int column)
{
    return column >= 0 && column < ColumnCount ? kColumnWidths[column] : 0;
}
