// Help without any manual: this test runs from a directory of its own, so the
// program's directory holds no manual; the current directory holds decoys,
// which Help must never open.

#include "CAPT_LUMOMainWnd.h"
#include "ShellTestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace ShellTestSupport;

class TestManualMissing : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void helpSaysTheManualIsMissing_data();
    void helpSaysTheManualIsMissing();

private:
    QTemporaryDir m_currentDir;
};

void TestManualMissing::initTestCase()
{
    QVERIFY(m_currentDir.isValid());
    QDir::setCurrent(m_currentDir.path());
    for (const QString& name : { QStringLiteral("Taldor-IP-Utility.chm"), QStringLiteral("设备网络搜索用户使用手册.pdf") }) {
        QFile decoy(m_currentDir.filePath(name));
        QVERIFY(decoy.open(QIODevice::WriteOnly));
    }
}

void TestManualMissing::helpSaysTheManualIsMissing_data()
{
    QTest::addColumn<bool>("fromMenu");
    QTest::newRow("F1") << false;
    QTest::newRow("Help menu") << true;
}

void TestManualMissing::helpSaysTheManualIsMissing()
{
    QFETCH(bool, fromMenu);
    UrlRecorder recorder;
    CAPT_LUMOMainWnd window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.ManualPath().isEmpty());

    QString box;
    WhenModalShown([&box](QDialog* dialog) {
        box = BoxTitle(dialog) + u'|' + BoxText(dialog);
        dialog->reject();
    });
    if (fromMenu) {
        QTimer::singleShot(0, &window, [] {
            QMenu* menu = nullptr;
            QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr);
            menu->findChild<QAction*>(QStringLiteral("actionHelp"))->trigger();
            menu->close();
        });
        window.findChild<QPushButton*>(QStringLiteral("m_pBtnAbout"))->click();
    } else {
        QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
        QApplication::sendEvent(&window, &f1);
    }
    QTRY_COMPARE(box, QStringLiteral("Info|Can not find Manual."));
    QVERIFY(recorder.m_urls.isEmpty());
}

QTEST_MAIN(TestManualMissing)
#include "tst_manualmissing.moc"
