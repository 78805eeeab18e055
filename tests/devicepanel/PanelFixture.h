#pragma once

#include "DeviceReports.h"

#include <QList>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

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

// A panel for all device classes, shown and exposed, then devices 1 to
// deviceCount reported online.
std::unique_ptr<QtLumo> ShowPanel(int deviceCount = 0);

CTableView* Table(QtLumo& panel);
QAbstractItemModel* Model(QtLumo& panel);
QHeaderView* Header(QtLumo& panel);
QString Cell(QtLumo& panel, int row, int column);
int RowOf(QtLumo& panel, const QString& serial);
QString CountLabel(QtLumo& panel);
// Rows whose Source cell says ONVIF (leaving ones included until they are gone).
int OnvifRows(QtLumo& panel);
// Clicks a header section as a user would (scrolling it into view first).
void ClickHeader(QtLumo& panel, int column);
// Clicks rows as a user would: the first plainly, the others with Ctrl.
void ClickRows(QtLumo& panel, const QList<int>& rows);
// Types into a form field by its object name; a field that cannot take the
// keys (disabled, hidden, or refused by its validator) gets the text directly.
void TypeInto(QtLumo& panel, const char* fieldName, const QString& text);

struct BoxSeen
{
    bool bShown = false;
    QString title;
    QString text;
};

// Reads the next message box when it opens, runs whileOpen with the box still
// open, then closes it. Polling ends with the answerer.
class BoxAnswerer
{
public:
    explicit BoxAnswerer(std::function<void()> whileOpen = {});
    const BoxSeen& Seen() const { return m_seen; }

private:
    void AnswerIfShown();

    QTimer m_poll;
    BoxSeen m_seen;
    std::function<void()> m_whileOpen;
};

} // namespace PanelFixture
