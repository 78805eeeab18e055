// The result boxes of Modify and Comeback name why each device failed, as
// the scripted library reports it.
#include "LumoDouble.h"
#include "PanelFixture.h"
#include "QtLumo.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace PanelFixture;

namespace {

constexpr unsigned int kLocked60 = 60u << 8 | LUMO_ERROR_LOCKED;
constexpr unsigned int kLocked1 = 1u << 8 | LUMO_ERROR_LOCKED;

} // namespace

class TestDevicePanelResults : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QtLumo> m_pPanel;

    BoxSeen Press(const char* button)
    {
        const BoxAnswerer answerer;
        QTest::mouseClick(m_pPanel->findChild<QPushButton*>(QLatin1String(button)), Qt::LeftButton);
        return answerer.Seen();
    }

    BoxSeen ModifyRows(const QList<int>& rows)
    {
        ClickRows(*m_pPanel, rows);
        TypeInto(*m_pPanel, "lineEditIPAddr", QStringLiteral("10.0.0.200"));
        TypeInto(*m_pPanel, "lineEditIPMask", QStringLiteral("255.255.0.0"));
        TypeInto(*m_pPanel, "lineEditPort", QStringLiteral("8000"));
        TypeInto(*m_pPanel, "lineEditPort_Password", QStringLiteral("demo1234"));
        return Press("pushButtonModifyNetwork");
    }

private slots:
    void init() { UseLibraryDouble(); }
    void cleanup() { m_pPanel.reset(); }

    void modifyNamesTheReason_data()
    {
        QTest::addColumn<unsigned int>("lastError");
        QTest::addColumn<QString>("text");
        const QString failed = QStringLiteral("Modify network parameter failed!ID:001 ");
        QTest::newRow("wrong password") << unsigned(LUMO_ERROR_AUTH_FAILED) << failed + QStringLiteral("(wrong password) ");
        QTest::newRow("locked") << kLocked60 << failed + QStringLiteral("(locked for 60 more seconds) ");
        QTest::newRow("no answer") << unsigned(LUMO_ERROR_NO_ANSWER) << failed + QStringLiteral("(no answer) ");
        QTest::newRow("value refused") << unsigned(LUMO_ERROR_VALUE_REFUSED)
                                       << failed + QStringLiteral("(value refused by the device) ");
        QTest::newRow("unsupported") << unsigned(LUMO_ERROR_UNSUPPORTED)
                                     << failed + QStringLiteral("(not supported by the device) ");
        QTest::newRow("bad argument") << unsigned(LUMO_ERROR_BAD_ARGUMENT) << failed + QStringLiteral("(invalid parameter) ");
        QTest::newRow("not running") << unsigned(LUMO_ERROR_NOT_RUNNING)
                                     << failed + QStringLiteral("(device search is not running) ");
        QTest::newRow("unknown") << unsigned(LUMO_ERROR_NONE) << failed;
    }
    void modifyNamesTheReason()
    {
        QFETCH(unsigned int, lastError);
        QFETCH(QString, text);
        m_pPanel = ShowPanel(2);
        LumoDouble_SetResult(LumoDoubleModify, 0);
        LumoDouble_SetLastError(lastError);
        const BoxSeen box = ModifyRows({ 0 });
        QCOMPARE(box.title, QStringLiteral("Information"));
        QCOMPARE(box.text, text);
    }

    void batchGroupsIdsByReason_data()
    {
        QTest::addColumn<QList<int>>("results");
        QTest::addColumn<QList<unsigned int>>("reasons");
        QTest::addColumn<QString>("text");
        QTest::newRow("two reasons") << QList<int>{ 0, 0, 0 }
                                     << QList<unsigned int>{ LUMO_ERROR_NO_ANSWER, kLocked60, LUMO_ERROR_NO_ANSWER }
                                     << QStringLiteral("Modify network parameter failed!ID:001 003 (no answer) "
                                                       "ID:002 (locked for 60 more seconds) ");
        QTest::newRow("successes first") << QList<int>{ 0, 1, 0, 1 }
                                         << QList<unsigned int>{ LUMO_ERROR_AUTH_FAILED, 0, LUMO_ERROR_AUTH_FAILED, 0 }
                                         << QStringLiteral("Modify network parameter succeed.ID:002 004 "
                                                           "Modify network parameter failed!ID:001 003 (wrong password) ");
        QTest::newRow("lockouts of other lengths") << QList<int>{ 0, 0 } << QList<unsigned int>{ kLocked60, kLocked1 }
                                                   << QStringLiteral("Modify network parameter failed!"
                                                                     "ID:001 (locked for 60 more seconds) "
                                                                     "ID:002 (locked for 1 more seconds) ");
        QTest::newRow("unknown beside known") << QList<int>{ 0, 0 }
                                              << QList<unsigned int>{ LUMO_ERROR_NONE, LUMO_ERROR_VALUE_REFUSED }
                                              << QStringLiteral("Modify network parameter failed!ID:001 "
                                                                "ID:002 (value refused by the device) ");
    }
    void batchGroupsIdsByReason()
    {
        QFETCH(QList<int>, results);
        QFETCH(QList<unsigned int>, reasons);
        QFETCH(QString, text);
        m_pPanel = ShowPanel(int(results.size()));
        QList<int> rows;
        for (int call = 0; call < results.size(); ++call) {
            LumoDouble_SetModifyResultAt(call, results[call]);
            LumoDouble_SetModifyLastErrorAt(call, reasons[call]);
            rows.append(call);
        }
        const BoxSeen box = ModifyRows(rows);
        QCOMPARE(LumoDouble_CallCount(LumoDoubleModify), int(results.size()));
        QCOMPARE(box.text, text);
    }

    void restoreNamesTheReason_data()
    {
        QTest::addColumn<unsigned int>("lastError");
        QTest::addColumn<QString>("text");
        const QString failed = QStringLiteral("Restore default password failed!");
        QTest::newRow("wrong code") << unsigned(LUMO_ERROR_AUTH_FAILED) << failed + QStringLiteral(" (wrong security code)");
        QTest::newRow("locked") << kLocked60 << failed + QStringLiteral(" (locked for 60 more seconds)");
        QTest::newRow("no answer") << unsigned(LUMO_ERROR_NO_ANSWER) << failed + QStringLiteral(" (no answer)");
        QTest::newRow("unsupported") << unsigned(LUMO_ERROR_UNSUPPORTED)
                                     << failed + QStringLiteral(" (not supported by the device)");
        QTest::newRow("unknown") << unsigned(LUMO_ERROR_NONE) << failed;
    }
    void restoreNamesTheReason()
    {
        QFETCH(unsigned int, lastError);
        QFETCH(QString, text);
        m_pPanel = ShowPanel(2);
        LumoDouble_SetResult(LumoDoubleReset, 0);
        LumoDouble_SetLastError(lastError);
        ClickRows(*m_pPanel, { 1 });
        TypeInto(*m_pPanel, "m_pDefaultPwdLEdit", QStringLiteral("ABCDEFGHJK"));
        const BoxSeen box = Press("pushButtonModifyPassword");
        QCOMPARE(LumoDouble_CallCount(LumoDoubleReset), 1);
        QCOMPARE(box.title, QStringLiteral("Error"));
        QCOMPARE(box.text, text);
    }
};

QTEST_MAIN(TestDevicePanelResults)
#include "tst_devicepanel_results.moc"
