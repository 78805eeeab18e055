#include "PanelFixture.h"

#include "CLumoDiscovery.h"
#include "CTableView.h"
#include "CWarnDlg.h"
#include "LumoDeviceCallback.h"
#include "LumoDouble.h"
#include "QtLumo.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTextBrowser>
#include <QtTest>

namespace PanelFixture {

void UseLibraryDouble()
{
    LumoDouble_Reset();
    CLumoDiscovery::SetLibraryFileName(QStringLiteral(LUMO_DOUBLE_FILE));
}

void UseMissingLibrary()
{
    LumoDouble_Reset();
    CLumoDiscovery::SetLibraryFileName(QStringLiteral("liblumo_missing_for_tests.so"));
}

void Report(const LUMO_DEVICE_REPORT& report)
{
    LumoDeviceCallback(&report, nullptr);
}

void Online(int number)
{
    Report(MakeReport(number, LUMO_EVENT_ONLINE));
}

void Online(const ReportFields& fields)
{
    Report(MakeReport(fields));
}

void Offline(int number)
{
    Report(MakeReport(number, LUMO_EVENT_OFFLINE));
}

std::unique_ptr<QtLumo> ShowPanel(int deviceCount)
{
    auto pPanel = std::make_unique<QtLumo>(nullptr, 0);
    pPanel->show();
    if (!QTest::qWaitForWindowExposed(pPanel.get()))
        qWarning("panel window not exposed");
    for (int number = 1; number <= deviceCount; ++number)
        Online(number);
    return pPanel;
}

CTableView* Table(QtLumo& panel)
{
    return panel.findChild<CTableView*>(QStringLiteral("tableWidgetDevice"));
}

QAbstractItemModel* Model(QtLumo& panel)
{
    return Table(panel)->model();
}

QHeaderView* Header(QtLumo& panel)
{
    return Table(panel)->header();
}

QString Cell(QtLumo& panel, int row, int column)
{
    return Model(panel)->index(row, column).data().toString();
}

int RowOf(QtLumo& panel, const QString& serial)
{
    QAbstractItemModel* model = Model(panel);
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->index(row, 6).data().toString() == serial)
            return row;
    }
    return -1;
}

int OnvifRows(QtLumo& panel)
{
    QAbstractItemModel* model = Model(panel);
    int count = 0;
    for (int row = 0; row < model->rowCount(); ++row)
        count += model->index(row, model->columnCount() - 1).data().toString().startsWith(QLatin1String("ONVIF"));
    return count;
}

QString CountLabel(QtLumo& panel)
{
    return panel.findChild<QLabel*>(QStringLiteral("m_pLabelCount"))->text();
}

void ClickHeader(QtLumo& panel, int column)
{
    CTableView* table = Table(panel);
    if (table->model()->rowCount() > 0)
        table->scrollTo(table->model()->index(0, column));
    QHeaderView* header = table->header();
    const QPoint pos(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, pos);
}

void ClickRows(QtLumo& panel, const QList<int>& rows)
{
    CTableView* table = Table(panel);
    for (int i = 0; i < rows.size(); ++i) {
        const QRect rect = table->visualRect(table->model()->index(rows[i], 1));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, i == 0 ? Qt::NoModifier : Qt::ControlModifier,
                          rect.center());
    }
}

void TypeInto(QtLumo& panel, const char* fieldName, const QString& text)
{
    auto* field = panel.findChild<QLineEdit*>(QLatin1String(fieldName));
    if (!field) {
        QTest::qFail(qPrintable(QStringLiteral("no field %1").arg(QLatin1String(fieldName))), __FILE__, __LINE__);
        return;
    }
    if (field->isEnabled() && field->isVisible()) {
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, text);
    }
    if (field->text() != text)
        field->setText(text);
}

BoxAnswerer::BoxAnswerer(std::function<void()> whileOpen) : m_whileOpen(std::move(whileOpen))
{
    m_poll.setInterval(5);
    QObject::connect(&m_poll, &QTimer::timeout, &m_poll, [this] { AnswerIfShown(); });
    m_poll.start();
}

void BoxAnswerer::AnswerIfShown()
{
    auto* box = qobject_cast<CWarnDlg*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
        return;
    m_poll.stop();
    m_seen.bShown = true;
    m_seen.title = box->findChild<QLabel*>(QStringLiteral("pLabelTitle"))->text();
    m_seen.text = box->findChild<QTextBrowser*>(QStringLiteral("m_pBrowserTxt"))->toPlainText();
    if (m_whileOpen)
        m_whileOpen();
    box->reject();
}

} // namespace PanelFixture
