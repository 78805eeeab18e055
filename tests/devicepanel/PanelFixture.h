#pragma once

#include "DeviceReports.h"

#include <QString>

class QtLumo;
class CTableView;
class QAbstractItemModel;
class QHeaderView;

// Helpers that drive a device panel through the discovery callback and read
// its table, as the discovery library and a user would see it.
namespace PanelFixture {

void UseLibraryDouble();
void UseMissingLibrary();

void Report(const LUMO_DEVICE_REPORT& report);
void Online(int number);
void Online(const ReportFields& fields);
void Offline(int number);

CTableView* Table(QtLumo& panel);
QAbstractItemModel* Model(QtLumo& panel);
QHeaderView* Header(QtLumo& panel);
QString Cell(QtLumo& panel, int row, int column);
int RowOf(QtLumo& panel, const QString& serial);
QString CountLabel(QtLumo& panel);
// Clicks a header section as a user would (scrolling it into view first).
void ClickHeader(QtLumo& panel, int column);

} // namespace PanelFixture
