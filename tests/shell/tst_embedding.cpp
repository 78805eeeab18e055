// The exported functions with which a host embeds the main window.

#include "APT_LUMO.h"
#include "CAPT_LUMOMainWnd.h"
#include "COnvifWatch.h"
#include "CWindowTitle.h"
#include "QtLumo.h"
#include "DeviceReports.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <memory>
#include <thread>

namespace {

QList<CAPT_LUMOMainWnd*> Windows()
{
    QList<CAPT_LUMOMainWnd*> windows;
    for (QWidget* w : QApplication::allWidgets()) {
        if (auto* window = qobject_cast<CAPT_LUMOMainWnd*>(w))
            windows << window;
    }
    return windows;
}

int Rows(CAPT_LUMOMainWnd* window)
{
    return window->findChild<QAbstractItemView*>(QStringLiteral("tableWidgetDevice"))->model()->rowCount();
}

// The panel by class name: the test holds a copy of the panel's code of its
// own, whose type information a Windows DLL's objects do not share.
QtLumo* PanelOf(CAPT_LUMOMainWnd* window)
{
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (widget->inherits("QtLumo"))
            return static_cast<QtLumo*>(widget);
    }
    return nullptr;
}

struct Host
{
    QWidget widget;
    QGridLayout* layout = new QGridLayout(&widget);
};

} // namespace

class TestEmbedding : public QObject
{
    Q_OBJECT
private slots:
    void callsBeforeOpenDoNothing();
    void openTwiceGivesOneWindow();
    void changeSizeGivesTheSmallLook();
    void reportsAddRows_data();
    void reportsAddRows();
    void embeddedWindowListsOnvifDevices();
    void deletedHostGetsANewWindow();

private:
    Host m_firstHost;
    std::unique_ptr<Host> m_pSecondHost = std::make_unique<Host>();
};

void TestEmbedding::callsBeforeOpenDoNothing()
{
    const LUMO_DEVICE_REPORT report = MakeReport(1);
    APT_LUMO_ChangeSize(false);
    APT_LUMO_CallBack(&report);
    APT_LUMO_CallBack(nullptr);
    QVERIFY(Windows().isEmpty());
}

void TestEmbedding::openTwiceGivesOneWindow()
{
    QVERIFY(APT_LUMO_OpenDialog(&m_firstHost.widget, m_firstHost.layout, false, 1, 2, 3));
    QCOMPARE(Windows().size(), 1);
    CAPT_LUMOMainWnd* window = Windows().first();
    QVERIFY(m_firstHost.layout->indexOf(window) >= 0);
    QVERIFY(!window->isWindow());
    QVERIFY(window->findChild<CWindowTitle*>()->isHidden());

    QVERIFY(APT_LUMO_OpenDialog(&m_pSecondHost->widget, m_pSecondHost->layout, true, 0, 0, 0));
    QCOMPARE(Windows(), QList<CAPT_LUMOMainWnd*>{window});
    QVERIFY(m_pSecondHost->layout->indexOf(window) >= 0);
    QVERIFY(!window->findChild<CWindowTitle*>()->isHidden());
    m_pSecondHost->widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m_pSecondHost->widget));
    QVERIFY(window->isVisible());
}

void TestEmbedding::changeSizeGivesTheSmallLook()
{
    CAPT_LUMOMainWnd* window = Windows().first();
    auto* frame = window->findChild<QFrame*>(QStringLiteral("pTabFrame"));
    QCOMPARE(frame->minimumHeight(), 40);
    APT_LUMO_ChangeSize(false);
    QCOMPARE(frame->minimumHeight(), 23);
    QVERIFY(window->styleSheet().contains(QStringLiteral("border-width:23 58 58 58;")));
    QVERIFY(window->findChild<QPushButton*>(QStringLiteral("m_pBtnLumo"))->styleSheet().contains(
        QStringLiteral("SubTabSelect.png")));
}

void TestEmbedding::reportsAddRows_data()
{
    QTest::addColumn<bool>("fromWorker");
    QTest::newRow("GUI thread") << false;
    QTest::newRow("worker thread") << true;
}

void TestEmbedding::reportsAddRows()
{
    QFETCH(bool, fromWorker);
    CAPT_LUMOMainWnd* window = Windows().first();
    const int before = Rows(window);
    const int number = 100 + before;
    auto feed = [number] {
        APT_LUMO_CallBack(nullptr);
        const LUMO_DEVICE_REPORT report = MakeReport(number);
        APT_LUMO_CallBack(&report);
        APT_LUMO_CallBack(nullptr);
    };
    if (fromWorker) {
        std::thread worker(feed);
        worker.join();
    } else {
        feed();
    }
    QTRY_COMPARE(Rows(window), before + 1);
    // The empty reports around it changed nothing: one more device gives one
    // more row.
    const LUMO_DEVICE_REPORT next = MakeReport(number + 50);
    APT_LUMO_CallBack(&next);
    QTRY_COMPARE(Rows(window), before + 2);
}

// With Setup.xml's defaults the embedded panel watches ONVIF devices too, and
// lists them beside what the host reports.
void TestEmbedding::embeddedWindowListsOnvifDevices()
{
    QCOMPARE(Windows().size(), 1);
    CAPT_LUMOMainWnd* window = Windows().first();
    QtLumo* panel = PanelOf(window);
    QVERIFY(panel && panel->OnvifWatch());
    const int before = Rows(window);
    OnvifDeviceRecord camera;
    camera.endpoint = QStringLiteral("urn:uuid:embedded-camera");
    camera.host = QStringLiteral("192.168.9.9");
    camera.xaddrs = { QStringLiteral("http://192.168.9.9/onvif/device_service") };
    QObject* watch = panel->OnvifWatch();
    QVERIFY(QMetaObject::invokeMethod(watch, "DeviceSeen", Q_ARG(OnvifDeviceRecord, camera)));
    QCOMPARE(Rows(window), before + 1);
    QVERIFY(QMetaObject::invokeMethod(watch, "DeviceLost", Q_ARG(QString, camera.endpoint)));
    QTRY_COMPARE(Rows(window), before);
}

void TestEmbedding::deletedHostGetsANewWindow()
{
    QPointer<CAPT_LUMOMainWnd> old = Windows().first();
    m_pSecondHost.reset();
    QVERIFY(old.isNull());
    const LUMO_DEVICE_REPORT report = MakeReport(7);
    APT_LUMO_CallBack(&report); // must not reach the deleted window
    APT_LUMO_ChangeSize(true);
    QVERIFY(APT_LUMO_OpenDialog(&m_firstHost.widget, m_firstHost.layout, true, 0, 0, 0));
    QCOMPARE(Windows().size(), 1);
}

QTEST_MAIN(TestEmbedding)
#include "tst_embedding.moc"
