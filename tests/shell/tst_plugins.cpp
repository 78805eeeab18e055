// LoadPlugin over fixture plugins built beside the test, and the dark skin.

#include "AppPaths.h"
#include "PluginLoader.h"

#include <QApplication>
#include <QDir>
#include <QtTest>

namespace {

QString FixtureDir(const QString& name)
{
    return QStringLiteral(FIXTURE_PLUGIN_DIR "/") + name;
}

QString Created()
{
    return QCoreApplication::instance()->property("fixtureCreated").toString();
}

// The twin that comes first in directory order; both serve the same key.
QString FirstTwin()
{
    for (const QString& entry : QDir(FixtureDir(QStringLiteral("twins"))).entryList(QDir::Files, QDir::NoSort)) {
        if (entry.contains(QStringLiteral("twinA")))
            return QStringLiteral("twinA");
        if (entry.contains(QStringLiteral("twinB")))
            return QStringLiteral("twinB");
    }
    return QString();
}

} // namespace

class TestPlugins : public QObject
{
    Q_OBJECT
private slots:
    void loadPlugin_data();
    void loadPlugin();
    void darkSkinInstallsItsSheet();
};

// Rows run in order and plugins stay loaded: each directory's rows are
// arranged so that what one row loads is what the next expects.
void TestPlugins::loadPlugin_data()
{
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("created");

    QTest::newRow("missing directory") << "no-such-dir" << "Alpha" << false << "";
    QTest::newRow("text file, plain library, plugin without the interface") << "mixed" << "Alpha" << false << "";
    QTest::newRow("plugin serving other keys") << "one" << "Zeta" << false << "";
    QTest::newRow("keys are case-sensitive") << "one" << "alpha" << false << "";
    QTest::newRow("plugin serving the key") << "one" << "Alpha2" << true << "alpha:Alpha2";
    QTest::newRow("a loaded plugin counts as served") << "one" << "Zeta" << true << "";
    QTest::newRow("create failing") << "failing" << "Gamma" << false << "gamma:Gamma";
    QTest::newRow("two plugins serving one key") << "twins" << "Shared" << true << "first";
}

void TestPlugins::loadPlugin()
{
    QFETCH(QString, dir);
    QFETCH(QString, key);
    QFETCH(bool, result);
    QFETCH(QString, created);

    if (created == QStringLiteral("first"))
        created = FirstTwin() + u':' + key;
    QCoreApplication::instance()->setProperty("fixtureCreated", QString());
    QCOMPARE(LoadPlugin(key, FixtureDir(dir)), result);
    QCOMPARE(Created(), created);
}

void TestPlugins::darkSkinInstallsItsSheet()
{
    qApp->setStyleSheet(QStringLiteral("QWidget#marker{}"));
    QVERIFY(LoadPlugin(QStringLiteral("Dark"), GetAppDirPath() + QStringLiteral("/plugins/skins/")));
    QVERIFY(qApp->styleSheet().startsWith(QStringLiteral("QWidget#marker{}")));
    QVERIFY(qApp->styleSheet().contains(QStringLiteral("#23272e")));
}

QTEST_MAIN(TestPlugins)
#include "tst_plugins.moc"
