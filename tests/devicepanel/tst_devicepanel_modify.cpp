// Modify and Comeback driven through the panel's widgets against the scripted
// library: input checks, what reaches the library, what the panel shows after.
#include "CTableView.h"
#include "CWarnDlg.h"
#include "LumoDouble.h"
#include "PanelFixture.h"
#include "QtLumo.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QtTest>

#include <cstring>
#include <functional>
#include <memory>
#include <thread>

using namespace PanelFixture;

namespace {

enum { ColId = 0, ColIpv4 = 2, ColPort = 3, ColGateway = 5, ColMask = 7 };

QWidget* VisibleTip()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String("ctooltip_label") && widget->isVisible())
            return widget;
    }
    return nullptr;
}

QString Text(const char (&field)[16]) { return QString::fromLatin1(field, int(strnlen(field, sizeof field))); }
QString Text(const char (&field)[128]) { return QString::fromLatin1(field, int(strnlen(field, sizeof field))); }

bool AllZero(const LUMO_NET_PARAM_BLOCK& block, std::size_t from, std::size_t to)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(&block);
    for (std::size_t i = from; i < to; ++i) {
        if (bytes[i] != 0)
            return false;
    }
    return true;
}

ReportFields Device(int number, quint8 capabilities = LUMO_CAP_IPV6 | LUMO_CAP_IPV6_MODIFIABLE | LUMO_CAP_DHCP)
{
    ReportFields fields;
    fields.number = number;
    fields.capabilities = capabilities;
    return fields;
}

// What the form's fields get before Modify; a null text leaves a field as the
// selection filled it.
struct FormInput
{
    QString address = QStringLiteral("10.0.0.50");
    QString mask = QStringLiteral("255.0.0.0");
    QString port = QStringLiteral("8000");
    QString gateway = QStringLiteral("10.0.0.254");
    QString ipv6 = QStringLiteral("fd00::20");
    QString ipv6Gateway = QStringLiteral("fd00::1");
    QString prefix = QStringLiteral("64");
    QString password = QStringLiteral("demo1234");
};

QtLumo* g_pPanelForHook = nullptr;

QStringList Strings(std::initializer_list<const char*> texts)
{
    QStringList list;
    for (const char* text : texts)
        list << QString::fromLatin1(text);
    return list;
}

} // namespace

Q_DECLARE_METATYPE(FormInput)

class TestDevicePanelModify : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QtLumo> m_pPanel;

    QtLumo& MakePanel(std::initializer_list<ReportFields> devices)
    {
        m_pPanel = ShowPanel();
        for (const ReportFields& device : devices)
            Online(device);
        return *m_pPanel;
    }
    QtLumo& MakePanel(int deviceCount)
    {
        m_pPanel = ShowPanel(deviceCount);
        return *m_pPanel;
    }
    template <typename T>
    T* Child(const char* name) { return m_pPanel->findChild<T*>(QLatin1String(name)); }

    void ClickRows(const QList<int>& rows) { PanelFixture::ClickRows(*m_pPanel, rows); }

    void Type(const char* name, const QString& text) { TypeInto(*m_pPanel, name, text); }

    void Fill(const FormInput& input)
    {
        const std::pair<const char*, QString> fields[] = {
            { "lineEditIPAddr", input.address }, { "lineEditIPMask", input.mask }, { "lineEditPort", input.port },
            { "lineEditIPGateway", input.gateway }, { "lineEditIPv6Addr", input.ipv6 },
            { "lineEditIPv6Gateway", input.ipv6Gateway }, { "lineEditIPv6Mask", input.prefix },
            { "lineEditPort_Password", input.password } };
        for (const auto& [name, text] : fields) {
            auto* field = Child<QLineEdit>(name);
            if (!text.isNull() && field->isEnabled())
                Type(name, text);
            else if (!text.isNull())
                field->setText(text);
        }
    }

    BoxSeen PressModify()
    {
        const BoxAnswerer answerer;
        QTest::mouseClick(Child<QPushButton>("pushButtonModifyNetwork"), Qt::LeftButton);
        return answerer.Seen();
    }

    BoxSeen PressComeback()
    {
        const BoxAnswerer answerer;
        QTest::mouseClick(Child<QPushButton>("pushButtonModifyPassword"), Qt::LeftButton);
        return answerer.Seen();
    }

    // The tip stands where the form puts tips for this field: the field's
    // place in its layout, mapped through the settings frame, 75 pixels down.
    void VerifyTipAt(const char* fieldName, const QString& text)
    {
        QTRY_VERIFY(VisibleTip());
        QCOMPARE(CToolTipText(), text);
        auto* field = Child<QWidget>(fieldName);
        const QPoint anchor = Child<QWidget>("m_pSetFrame")->mapToGlobal(field->pos()) + QPoint(0, 75);
        QCOMPARE(VisibleTip()->y(), anchor.y() + 21);
    }
    static QString CToolTipText()
    {
        auto* tip = qobject_cast<QLabel*>(VisibleTip());
        return tip ? tip->text() : QString();
    }

    QStringList SentAddresses() const
    {
        QStringList addresses;
        for (int call = 0; call < LumoDouble_CallCount(LumoDoubleModify); ++call)
            addresses << Text(LumoDouble_ModifyBlock(call)->ipv4Address);
        return addresses;
    }
    QStringList SentMacs() const
    {
        QStringList macs;
        for (int call = 0; call < LumoDouble_CallCount(LumoDoubleModify); ++call)
            macs << QString::fromLatin1(LumoDouble_ModifyMac(call));
        return macs;
    }

private slots:
    void init() { UseLibraryDouble(); }
    void cleanup()
    {
        m_pPanel.reset();
        if (QWidget* tip = VisibleTip())
            tip->hide();
    }

    void inputErrorsShowTheFirstFailingCheckAtItsField_data()
    {
        QTest::addColumn<FormInput>("input");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("field");
        const auto row = [](const char* name, std::function<void(FormInput&)> change, const char* message,
                            const char* field) {
            FormInput input;
            change(input);
            QTest::newRow(name) << input << QString::fromUtf8(message) << QString::fromLatin1(field);
        };
        row("empty address", [](FormInput& in) { in.address = QStringLiteral(""); }, "IP address cannot be empty.", "lineEditIPAddr");
        row("address first", [](FormInput& in) { in.address = QStringLiteral(""); in.mask = QStringLiteral(""); in.port = QStringLiteral(""); },
            "IP address cannot be empty.", "lineEditIPAddr");
        row("three parts", [](FormInput& in) { in.address = QStringLiteral("10.0.0"); }, "IP Address not correct.", "lineEditIPAddr");
        row("empty mask", [](FormInput& in) { in.mask = QStringLiteral(""); in.port = QStringLiteral(""); }, "Subnet mask cannot be empty.", "lineEditIPMask");
        row("all-ones mask", [](FormInput& in) { in.mask = QStringLiteral("255.255.255.255"); }, "Subnet Mask not correct.", "lineEditIPMask");
        row("port 1999", [](FormInput& in) { in.port = QStringLiteral("1999"); }, "Device port ranges from 2000 to 65535.", "lineEditPort");
        row("empty port", [](FormInput& in) { in.port = QStringLiteral(""); in.gateway = QStringLiteral("1.2.3"); },
            "Device port ranges from 2000 to 65535.", "lineEditPort");
        row("bad gateway", [](FormInput& in) { in.gateway = QStringLiteral("10.0.0.256"); }, "Gateway not correct.", "lineEditIPGateway");
        row("bad IPv6", [](FormInput& in) { in.ipv6 = QStringLiteral("fd00::zz"); in.prefix = QStringLiteral("65"); },
            "IPv6 Address not correct.", "lineEditIPv6Addr");
        row("bad IPv6 gateway", [](FormInput& in) { in.ipv6Gateway = QStringLiteral("fd00:::1:"); },
            "IPv6 gateway not correct.", "lineEditIPv6Gateway");
        row("prefix 65", [](FormInput& in) { in.prefix = QStringLiteral("65"); },
            "IPv6 prefix length ranges from 0 to 64.", "lineEditIPv6Addr");
    }

    void inputErrorsShowTheFirstFailingCheckAtItsField()
    {
        QFETCH(FormInput, input);
        QFETCH(QString, message);
        QFETCH(QString, field);
        MakePanel(2);
        ClickRows({ 0 });
        Fill(input);
        QTest::mouseClick(Child<QPushButton>("pushButtonModifyNetwork"), Qt::LeftButton);
        VerifyTipAt(field.toLatin1().constData(), message);
        QCOMPARE(LumoDouble_CallCount(LumoDoubleModify), 0);
        QVERIFY(!QApplication::activeModalWidget());
    }

    void sentArgumentsForOneDevice_data()
    {
        QTest::addColumn<quint8>("capabilities");
        QTest::addColumn<FormInput>("input");
        QTest::addColumn<QStringList>("sent"); // address, mask, gateway, IPv6, IPv6 gateway
        QTest::addColumn<int>("prefix");

        const quint8 modifiable = LUMO_CAP_IPV6 | LUMO_CAP_IPV6_MODIFIABLE;
        FormInput withIpv6;
        withIpv6.address = QStringLiteral("10.0.0.77");
        withIpv6.mask = QStringLiteral("255.255.0.0");
        withIpv6.port = QStringLiteral("8080");
        withIpv6.gateway = QStringLiteral("10.0.0.1");
        withIpv6.ipv6 = QStringLiteral("fd00::77");
        withIpv6.prefix = QStringLiteral("48");
        withIpv6.password = QStringLiteral(" pass word ");
        QTest::newRow("with IPv6") << modifiable << withIpv6
                                   << Strings({ "10.0.0.77", "255.255.0.0", "10.0.0.1", "fd00::77", "fd00::1" }) << 48;

        FormInput fixedIpv6 = withIpv6;
        fixedIpv6.ipv6 = QStringLiteral("not checked");
        QTest::newRow("IPv6 not modifiable") << quint8(LUMO_CAP_IPV6) << fixedIpv6
                                             << Strings({ "10.0.0.77", "255.255.0.0", "10.0.0.1", "", "" }) << 0;

        FormInput noGateway = withIpv6;
        noGateway.gateway = QStringLiteral("  ");
        QTest::newRow("blank gateway") << modifiable << noGateway
                                       << Strings({ "10.0.0.77", "255.255.0.0", "", "fd00::77", "fd00::1" }) << 48;

        FormInput zeros = withIpv6;
        zeros.address = QStringLiteral("192.168.001.010");
        QTest::newRow("leading zeros that fit") << modifiable << zeros
                                                << Strings({ "192.168.001.10", "255.255.0.0", "10.0.0.1", "fd00::77", "fd00::1" }) << 48;

        FormInput longZeros = withIpv6;
        longZeros.address = QStringLiteral("0010.0000.0000.9");
        longZeros.mask = QStringLiteral("255.255.255.0");
        longZeros.gateway = QStringLiteral("010.000.000.0001");
        QTest::newRow("leading zeros too long") << modifiable << longZeros
                                                << Strings({ "10.0.0.9", "255.255.255.0", "10.0.0.1", "fd00::77", "fd00::1" }) << 48;
    }

    void sentArgumentsForOneDevice()
    {
        QFETCH(quint8, capabilities);
        QFETCH(FormInput, input);
        QFETCH(QStringList, sent);
        QFETCH(int, prefix);
        MakePanel({ Device(1), Device(2, capabilities) });
        ClickRows({ 1 });
        Fill(input);
        const BoxSeen box = PressModify();
        QVERIFY2(!VisibleTip(), qPrintable(CToolTipText()));
        QCOMPARE(LumoDouble_CallCount(LumoDoubleModify), 1);
        QCOMPARE(QString::fromLatin1(LumoDouble_ModifyMac(0)), MacOf(2));
        QCOMPARE(QString::fromLatin1(LumoDouble_ModifyPassword(0)), input.password);
        const LUMO_NET_PARAM_BLOCK& block = *LumoDouble_ModifyBlock(0);
        QCOMPARE((QStringList{ Text(block.ipv4Address), Text(block.ipv4Mask), Text(block.ipv4Gateway),
                               Text(block.ipv6Address), Text(block.ipv6Gateway) }), sent);
        QCOMPARE(int(block.port), 8080);
        QCOMPARE(int(block.ipv6PrefixLength), prefix);
        QCOMPARE(int(block.optionByte), 0);
        if (sent[3].isEmpty())
            QVERIFY(AllZero(block, 48, 304));

        QCOMPARE(box.title, QStringLiteral("Information"));
        QCOMPARE(box.text, QStringLiteral("Modify network parameter succeed.ID:002 "));
        QCOMPARE(Cell(*m_pPanel, 1, ColIpv4), sent[0]);
        QCOMPARE(Cell(*m_pPanel, 1, ColMask), sent[1]);
        QCOMPARE(Cell(*m_pPanel, 1, ColGateway), sent[2]);
        QCOMPARE(Cell(*m_pPanel, 1, ColPort), QStringLiteral(" 8080"));
        // The record changed too: selecting the row again shows it.
        ClickRows({ 0 });
        ClickRows({ 1 });
        QCOMPARE(Child<QLineEdit>("lineEditIPAddr")->text(), sent[0]);
        QCOMPARE(Child<QLineEdit>("lineEditIPMask")->text(), sent[1]);
        QCOMPARE(Child<QLineEdit>("lineEditIPGateway")->text(), sent[2]);
        QCOMPARE(Child<QLineEdit>("lineEditPort")->text(), QStringLiteral("8080"));
    }

    void batchGivesConsecutiveAddressesInSelectionOrder()
    {
        MakePanel(5);
        ClickRows({ 3, 0, 4, 1 });
        FormInput input;
        input.address = QStringLiteral("10.9.9.100");
        Fill(input);
        // The device of the second selected row goes offline: its row, still
        // on its way out, leaves the selection at once.
        Offline(1);
        const BoxSeen box = PressModify();
        QCOMPARE(SentMacs(), (QStringList{ MacOf(4), MacOf(5), MacOf(2) }));
        QCOMPARE(SentAddresses(), (Strings({ "10.9.9.100", "10.9.9.101", "10.9.9.102" })));
        for (int call = 0; call < 3; ++call) {
            QVERIFY(AllZero(*LumoDouble_ModifyBlock(call), 48, 304));
            QCOMPARE(int(LumoDouble_ModifyBlock(call)->ipv6PrefixLength), 0);
        }
        QCOMPARE(box.text, QStringLiteral("Modify network parameter succeed.ID:004 005 002 "));
    }

    void resultsListSuccessesThenFailures_data()
    {
        QTest::addColumn<QList<int>>("results");
        QTest::addColumn<QString>("text");
        QTest::newRow("all succeed") << QList<int>{ 1, 1, 1 }
                                     << QStringLiteral("Modify network parameter succeed.ID:001 002 003 ");
        QTest::newRow("last fails") << QList<int>{ 1, 1, 0 }
                                    << QStringLiteral("Modify network parameter succeed.ID:001 002 "
                                                      "Modify network parameter failed!ID:003 ");
        QTest::newRow("first fails") << QList<int>{ 0, 1, 1 }
                                     << QStringLiteral("Modify network parameter succeed.ID:002 003 "
                                                       "Modify network parameter failed!ID:001 ");
        QTest::newRow("all fail") << QList<int>{ 0, 0, 0 }
                                  << QStringLiteral("Modify network parameter failed!ID:001 002 003 ");
        QTest::newRow("library result 2 is a failure") << QList<int>{ 2, 1, 1 }
                                     << QStringLiteral("Modify network parameter succeed.ID:002 003 "
                                                       "Modify network parameter failed!ID:001 ");
    }

    void resultsListSuccessesThenFailures()
    {
        QFETCH(QList<int>, results);
        QFETCH(QString, text);
        MakePanel(3);
        for (int call = 0; call < results.size(); ++call)
            LumoDouble_SetModifyResultAt(call, results[call]);
        ClickRows({ 0, 1, 2 });
        FormInput input;
        input.address = QStringLiteral("10.0.0.200");
        input.mask = QStringLiteral("255.255.0.0");
        Fill(input);
        const BoxSeen box = PressModify();
        QCOMPARE(box.title, QStringLiteral("Information"));
        QCOMPARE(box.text, text);
        for (int row = 0; row < 3; ++row) {
            const bool changed = results[row] == 1;
            QCOMPARE(Cell(*m_pPanel, row, ColIpv4), changed ? QStringLiteral("10.0.0.%1").arg(200 + row) : Ipv4Of(row + 1));
            QCOMPARE(Cell(*m_pPanel, row, ColMask), changed ? QStringLiteral("255.255.0.0") : QStringLiteral("255.0.0.0"));
            QCOMPARE(Cell(*m_pPanel, row, ColId), QStringLiteral("%1").arg(row + 1, 3, 10, QLatin1Char('0')));
        }
    }

    void batchRefusedBeforeAnythingIsSent_data()
    {
        QTest::addColumn<int>("devices");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("tip");
        QTest::addColumn<QStringList>("sent");
        QTest::newRow("two up to .255") << 3 << QList<int>{ 1, 2 } << QStringLiteral("10.0.0.254") << QString() << Strings({ "10.0.0.254", "10.0.0.255" });
        QTest::newRow("three past .255") << 3 << QList<int>{ 0, 1, 2 } << QStringLiteral("10.0.0.254")
                                         << QStringLiteral("3 devices need 3 consecutive addresses from 10.0.0.254: the last part would run past 255.")
                                         << QStringList();
        QTest::newRow("another device's address") << 3 << QList<int>{ 1 } << QStringLiteral("10.0.0.2")
                                                  << QStringLiteral("IP address 10.0.0.2 is already used by device ID:001.") << QStringList();
        QTest::newRow("same address with zeros") << 3 << QList<int>{ 1 } << QStringLiteral("10.0.000.002")
                                                 << QStringLiteral("IP address 10.0.000.2 is already used by device ID:001.") << QStringList();
        QTest::newRow("its own address") << 3 << QList<int>{ 0 } << QStringLiteral("10.0.0.2") << QString() << Strings({ "10.0.0.2" });
        QTest::newRow("batch onto an outsider") << 3 << QList<int>{ 1, 2 } << QStringLiteral("10.0.0.1")
                                                << QStringLiteral("IP address 10.0.0.2 is already used by device ID:001.") << QStringList();
        QTest::newRow("batch among its own") << 3 << QList<int>{ 0, 1 } << QStringLiteral("10.0.0.2") << QString()
                                             << Strings({ "10.0.0.2", "10.0.0.3" });
    }

    void batchRefusedBeforeAnythingIsSent()
    {
        QFETCH(int, devices);
        QFETCH(QList<int>, selected);
        QFETCH(QString, start);
        QFETCH(QString, tip);
        QFETCH(QStringList, sent);
        MakePanel(devices);
        ClickRows(selected);
        FormInput input;
        input.address = start;
        Fill(input);
        if (tip.isEmpty()) {
            const BoxSeen box = PressModify();
            QVERIFY(box.bShown);
        } else {
            QTest::mouseClick(Child<QPushButton>("pushButtonModifyNetwork"), Qt::LeftButton);
            VerifyTipAt("lineEditIPAddr", tip);
        }
        QCOMPARE(SentAddresses(), sent);
    }

    void withoutCurrentRowNothingIsSent()
    {
        MakePanel(2);
        // The buttons are enabled once a row was selected; the current row can
        // be gone by then.
        ClickRows({ 0 });
        Fill(FormInput());
        Table(*m_pPanel)->selectionModel()->clearCurrentIndex();
        BoxSeen box = PressModify();
        QCOMPARE(box.text, QStringLiteral("Please select a device."));
        QCOMPARE(box.title, QStringLiteral("Information"));

        // A current row without a selection passes the checks and sends nothing.
        ClickRows({ 0 });
        Fill(FormInput());
        Table(*m_pPanel)->selectionModel()->clearSelection();
        QVERIFY(Table(*m_pPanel)->currentIndex().isValid());
        box = PressModify();
        QVERIFY(box.bShown);
        QVERIFY(box.text.isEmpty());
        QCOMPARE(LumoDouble_CallCount(LumoDoubleModify), 0);
    }

    void restoreDefaultPassword_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("sentSerial");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        const QString sn = SerialOf(2);
        QTest::newRow("accepted") << sn << QStringLiteral("ABCDEFGHJK") << 1 << sn << QStringLiteral("Information") << QStringLiteral("Restore default password succeed.");
        QTest::newRow("refused") << sn << QStringLiteral("ABCDEFGHJK") << 0 << sn << QStringLiteral("Error") << QStringLiteral("Restore default password failed!");
        QTest::newRow("spaces are a code") << sn << QStringLiteral("   ") << 1 << sn << QStringLiteral("Information") << QStringLiteral("Restore default password succeed.");
        QTest::newRow("serial trimmed") << QStringLiteral("  ") + sn + QStringLiteral(" ") << QStringLiteral(" AB ") << 1 << sn << QStringLiteral("Information") << QStringLiteral("Restore default password succeed.");
    }

    void restoreDefaultPassword()
    {
        QFETCH(QString, serial);
        QFETCH(QString, code);
        QFETCH(int, result);
        QFETCH(QString, sentSerial);
        QFETCH(QString, title);
        QFETCH(QString, text);
        MakePanel(2);
        LumoDouble_SetResult(LumoDoubleReset, result);
        ClickRows({ 1 });
        Child<QLineEdit>("lineEditSerial")->setText(serial);
        Type("m_pDefaultPwdLEdit", code);
        const BoxSeen box = PressComeback();
        QCOMPARE(LumoDouble_CallCount(LumoDoubleReset), 1);
        QCOMPARE(QString::fromLatin1(LumoDouble_LastText(0)), sentSerial);
        QCOMPARE(QString::fromLatin1(LumoDouble_LastText(1)), code);
        QCOMPARE(box.title, title);
        QCOMPARE(box.text, text);
        QCOMPARE(Child<QLineEdit>("m_pDefaultPwdLEdit")->text(), code);
        QCOMPARE(LumoDouble_CallCount(LumoDoubleModify), 0);
    }

    void restoreRefusedWithoutDeviceOrCode()
    {
        MakePanel(2);
        ClickRows({ 0 });
        Type("m_pDefaultPwdLEdit", QStringLiteral("ABC"));
        Table(*m_pPanel)->selectionModel()->clearCurrentIndex();
        const BoxSeen box = PressComeback();
        QCOMPARE(box.text, QStringLiteral("Please select a device."));

        ClickRows({ 0 });
        auto* codeField = Child<QLineEdit>("m_pDefaultPwdLEdit");
        codeField->clear();
        QTest::mouseClick(Child<QPushButton>("pushButtonModifyPassword"), Qt::LeftButton);
        QTRY_VERIFY(VisibleTip());
        QCOMPARE(CToolTipText(), QStringLiteral("Password cannot be empty."));
        QCOMPARE(VisibleTip()->y(), codeField->mapToGlobal(codeField->pos()).y() + 21);
        QCOMPARE(m_pPanel->focusWidget(), codeField);
        QCOMPARE(LumoDouble_CallCount(LumoDoubleReset), 0);
    }

    void batchActsOnTheDevicesSelectedAtThePress()
    {
        MakePanel(5);
        g_pPanelForHook = m_pPanel.get();
        ClickRows({ 1, 3, 4 });
        FormInput input;
        input.address = QStringLiteral("10.5.5.10");
        Fill(input);
        static QStringList s_progressTexts;
        s_progressTexts.clear();
        LumoDouble_SetModifyHook([](int call) {
            auto* progress = g_pPanelForHook->findChild<QProgressDialog*>();
            s_progressTexts << (progress && progress->isVisible() ? progress->labelText() : QString());
            if (call != 0)
                return;
            // An unselected device above the selection leaves while the first
            // call runs: its row stays until the run is over.
            std::thread([] { Offline(1); }).join();
            QCoreApplication::sendPostedEvents(g_pPanelForHook, QEvent::MetaCall);
            QCOMPARE(Model(*g_pPanelForHook)->rowCount(), 5);
        });
        const BoxSeen box = PressModify();
        QCOMPARE(SentMacs(), (QStringList{ MacOf(2), MacOf(4), MacOf(5) }));
        QCOMPARE(SentAddresses(), (Strings({ "10.5.5.10", "10.5.5.11", "10.5.5.12" })));
        QCOMPARE(s_progressTexts, (Strings({ "Changing device 1 of 3 (ID:002)", "Changing device 2 of 3 (ID:004)",
                                                "Changing device 3 of 3 (ID:005)" })));
        QCOMPARE(box.text, QStringLiteral("Modify network parameter succeed.ID:002 004 005 "));
        QCOMPARE(Cell(*m_pPanel, RowOf(*m_pPanel, SerialOf(2)), ColIpv4), QStringLiteral("10.5.5.10"));
        QCOMPARE(Cell(*m_pPanel, RowOf(*m_pPanel, SerialOf(3)), ColIpv4), Ipv4Of(3));
        QCOMPARE(Cell(*m_pPanel, RowOf(*m_pPanel, SerialOf(4)), ColIpv4), QStringLiteral("10.5.5.11"));
        QCOMPARE(Cell(*m_pPanel, RowOf(*m_pPanel, SerialOf(5)), ColIpv4), QStringLiteral("10.5.5.12"));
        QVERIFY(!m_pPanel->findChild<QProgressDialog*>());
        QTRY_COMPARE(Model(*m_pPanel)->rowCount(), 4);
        QCOMPARE(RowOf(*m_pPanel, SerialOf(1)), -1);
    }

    void blankGatewayIsEmptiedOnceItsCheckPasses_data()
    {
        QTest::addColumn<FormInput>("input");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("gatewayAfter");
        FormInput badIpv6;
        badIpv6.gateway = QStringLiteral("   ");
        badIpv6.ipv6 = QStringLiteral("fd00::zz");
        QTest::newRow("a later IPv6 check fails") << badIpv6 << QStringLiteral("IPv6 Address not correct.")
                                                  << QStringLiteral("lineEditIPv6Addr") << QString();
        FormInput badPort = badIpv6;
        badPort.port = QStringLiteral("1999");
        QTest::newRow("an earlier check fails") << badPort << QStringLiteral("Device port ranges from 2000 to 65535.")
                                                << QStringLiteral("lineEditPort") << QStringLiteral("   ");
    }

    void blankGatewayIsEmptiedOnceItsCheckPasses()
    {
        QFETCH(FormInput, input);
        QFETCH(QString, message);
        QFETCH(QString, field);
        QFETCH(QString, gatewayAfter);
        MakePanel(2);
        ClickRows({ 0 });
        Fill(input);
        QTest::mouseClick(Child<QPushButton>("pushButtonModifyNetwork"), Qt::LeftButton);
        VerifyTipAt(field.toLatin1().constData(), message);
        QCOMPARE(Child<QLineEdit>("lineEditIPGateway")->text(), gatewayAfter);
        QCOMPARE(LumoDouble_CallCount(LumoDoubleModify), 0);
    }
};

QTEST_MAIN(TestDevicePanelModify)
#include "tst_devicepanel_modify.moc"
