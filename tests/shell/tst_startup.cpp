// Start-up of the stand-alone program: the single-instance probe and the
// resolution check. The test's own application object is the program's, on
// a screen one pixel too narrow, probing a key that a first instance holds.

#include "CAPT_LUMOMainWnd.h"
#include "CMorvelApplication.h"
#include "CSingleInstanceLock.h"
#include "ShellTestSupport.h"

#include <QDialog>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace ShellTestSupport;

namespace {

const QString kKey = QStringLiteral("LUMO");
CSingleInstanceLock* g_pFirstInstance = nullptr;

// Answers every message box shown while it lives, noting title and text.
class BoxCloser
{
public:
    BoxCloser()
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            m_boxes << BoxTitle(box) + u'|' + BoxText(box);
            box->reject();
        });
        m_timer.start();
    }
    QStringList m_boxes;

private:
    QTimer m_timer;
};

qint64 LockOwner()
{
    QLockFile lock(CSingleInstanceLock::LockFilePath(kKey));
    qint64 pid = 0;
    QString host, app;
    return lock.getLockInfo(&pid, &host, &app) ? pid : 0;
}

// The program on a screen large enough, so that it really starts.
void StartProgram(QProcess& program)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen:configfile=" LARGE_SCREEN_CONFIG));
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QStringLiteral(PROGRAM_FILE), QStringList());
    QVERIFY(program.waitForStarted(30000));
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT
public:
    explicit TestStartup(CMorvelApplication& app) : m_app(app) {}

private slots:
    void environmentIsPrepared();
    void secondInstanceIsRefusedFirst();
    void belowMinimumResolution_data();
    void belowMinimumResolution();
    void smallScreenIsRefused();
    void smallScreenKeepsWindowSize();
    void killedInstanceDoesNotBlock();
    void markerLeftUnderThisProcessIdDoesNotBlock();

private:
    CMorvelApplication& m_app;
};

void TestStartup::environmentIsPrepared()
{
    QCOMPARE(QApplication::font().family(), QStringLiteral("Arial"));
    QCOMPARE(QApplication::font().pointSize(), 9);
    QCOMPARE(QApplication::font("CToolLabel").pointSize(), 10);
    QVERIFY(!QApplication::quitOnLastWindowClosed());
    QVERIFY(QCoreApplication::libraryPaths().contains(QCoreApplication::applicationDirPath() + QStringLiteral("/plugins")));
    QVERIFY(m_app.styleSheet().contains(QStringLiteral("QTreeView::item:selected")));
    QVERIFY(!QApplication::windowIcon().isNull());
}

void TestStartup::secondInstanceIsRefusedFirst()
{
    BoxCloser closer;
    QCOMPARE(m_app.Run(), 0);
    // The screen is too small as well, but only the first refusal is shown.
    QCOMPARE(closer.m_boxes, QStringList{QStringLiteral("LUMO|Software is already running.")});
    for (QWidget* w : QApplication::allWidgets())
        QVERIFY(!qobject_cast<CAPT_LUMOMainWnd*>(w));
}

void TestStartup::belowMinimumResolution_data()
{
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<bool>("refused");
    QTest::newRow("1023 x 768") << QSize(1023, 768) << true;
    QTest::newRow("1024 x 767") << QSize(1024, 767) << true;
    QTest::newRow("1024 x 768") << QSize(1024, 768) << false;
    QTest::newRow("1920 x 1080") << QSize(1920, 1080) << false;
    QTest::newRow("portrait 768 x 1024") << QSize(768, 1024) << true;
}

void TestStartup::belowMinimumResolution()
{
    QFETCH(QSize, screen);
    QFETCH(bool, refused);
    QCOMPARE(CMorvelApplication::IsBelowMinimumResolution(screen), refused);
}

void TestStartup::smallScreenIsRefused()
{
    BoxCloser closer;
    QVERIFY(m_app.IsLowResolution());
    QCOMPARE(closer.m_boxes, QStringList{QStringLiteral("LUMO|The least resolution is 1024*768.")});
}

void TestStartup::smallScreenKeepsWindowSize()
{
    CAPT_LUMOMainWnd window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* title = window.findChild<QWidget*>(QStringLiteral("CWindowTitle"));
    QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(300, 10), title->mapToGlobal(QPointF(300, 10)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(title, &click);
    QCOMPARE(window.size(), QSize(1024, 768));
}

void TestStartup::killedInstanceDoesNotBlock()
{
    delete g_pFirstInstance;
    g_pFirstInstance = nullptr;

    QProcess first;
    StartProgram(first);
    QTRY_COMPARE_WITH_TIMEOUT(LockOwner(), first.processId(), 30000);
    CSingleInstanceLock probe(kKey);
    QCOMPARE(probe.TryAcquire(), CSingleInstanceLock::HeldElsewhere);

    first.kill();
    QVERIFY(first.waitForFinished(30000));

    QProcess next;
    StartProgram(next);
    QTRY_COMPARE_WITH_TIMEOUT(LockOwner(), next.processId(), 30000);
    QCOMPARE(next.state(), QProcess::Running);
    next.kill();
    QVERIFY(next.waitForFinished(30000));
    QCOMPARE(probe.TryAcquire(), CSingleInstanceLock::Acquired);
}

void TestStartup::markerLeftUnderThisProcessIdDoesNotBlock()
{
    // A holder killed long ago whose process id is now this process's: its
    // marker names a running program of the same name, yet holds nothing.
    QTemporaryDir dir;
    const QString strModel = dir.filePath(QStringLiteral("model.lock"));
    QLockFile model(strModel);
    QVERIFY(model.tryLock(0));
    QFile modelFile(strModel);
    QVERIFY(modelFile.open(QIODevice::ReadOnly));
    const QByteArray contents = modelFile.readAll();
    modelFile.close();
    model.unlock();
    QFile left(CSingleInstanceLock::LockFilePath(kKey));
    QVERIFY(left.open(QIODevice::WriteOnly | QIODevice::Truncate));
    left.write(contents);
    left.close();
    QCOMPARE(LockOwner(), QCoreApplication::applicationPid());

    CSingleInstanceLock probe(kKey);
    QCOMPARE(probe.TryAcquire(), CSingleInstanceLock::Acquired);
    // Held for real under the same id, it still refuses a second holder.
    CSingleInstanceLock second(kKey);
    QCOMPARE(second.TryAcquire(), CSingleInstanceLock::HeldElsewhere);
}

int main(int argc, char* argv[])
{
    // The lock lives in a runtime directory of this test only.
    QTemporaryDir runtimeDir;
    qputenv("XDG_RUNTIME_DIR", runtimeDir.path().toLocal8Bit());
#if defined(Q_OS_WIN)
    // Windows keeps the lock in the temporary folder.
    qputenv("TMP", QDir::toNativeSeparators(runtimeDir.path()).toLocal8Bit());
    qputenv("TEMP", QDir::toNativeSeparators(runtimeDir.path()).toLocal8Bit());
#endif
    g_pFirstInstance = new CSingleInstanceLock(kKey);
    if (g_pFirstInstance->TryAcquire() != CSingleInstanceLock::Acquired)
        return 2;
    CMorvelApplication app(argc, argv, kKey);
    TestStartup test(app);
    const int result = QTest::qExec(&test, argc, argv);
    delete g_pFirstInstance;
    return result;
}

#include "tst_startup.moc"
