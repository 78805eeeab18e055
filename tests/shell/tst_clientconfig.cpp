// Setup.xml reading, the language records and the path helpers.

#include "AppPaths.h"
#include "ClientConfig.h"
#include "ClientConfigManager.h"
#include "ClientLanguageManager.h"
#include "ClientLanguageProperty.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include <thread>
#include <vector>

namespace {

const char* const kTypical =
    "<?xml version=\"1.0\"?>\n<Configs>\n"
    "  <Translator><Value>1</Value></Translator>\n"
    "  <LogLevel><Value>3</Value></LogLevel>\n"
    "  <VersionType><Value>0</Value></VersionType>\n"
    "  <Skin><Value>Dark</Value></Skin>\n"
    "</Configs>\n";

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(content);
    return path;
}

void LoadSettings(const QByteArray& content)
{
    QTemporaryDir dir;
    ClientConfigManager::GetInstance()->Clear();
    ClientConfigManager::GetInstance()->Load(WriteFile(dir, QStringLiteral("Setup.xml"), content));
}

} // namespace

class TestClientConfig : public QObject
{
    Q_OBJECT
private slots:
    void firstUseFromManyThreadsMakesOneManager();
    void cleanup() { ClientConfigManager::GetInstance()->Clear(); }

    void readsSettings_data();
    void readsSettings();
    void missingFileAddsNothing();
    void secondLoadKeepsFirstValues();
    void onvifSettings_data();
    void onvifSettings();
    void keysOutsideTheTableFindNothing();
    void languageChoice_data();
    void languageChoice();
    void chineseFallsBackWithoutItsFile();
    void paths();
};

// Runs before anything else has asked for the manager.
void TestClientConfig::firstUseFromManyThreadsMakesOneManager()
{
    std::vector<ClientConfigManager*> seen(8, nullptr);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i] { seen[i] = ClientConfigManager::GetInstance(); });
    for (std::thread& t : threads)
        t.join();
    QVERIFY(seen.front());
    for (ClientConfigManager* manager : seen)
        QCOMPARE(manager, seen.front());
    QCOMPARE(ClientConfigManager::GetInstance(), seen.front());
}

void TestClientConfig::readsSettings_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("records");

    QTest::newRow("typical translator") << QByteArray(kTypical) << int(Translator) << true << "1" << 4;
    QTest::newRow("typical skin") << QByteArray(kTypical) << int(Skin) << true << "Dark" << 4;
    QTest::newRow("empty file") << QByteArray() << int(Translator) << false << "" << 0;
    QTest::newRow("root only") << QByteArray("<Configs/>") << int(Translator) << false << "" << 0;
    QTest::newRow("names are case-sensitive")
        << QByteArray("<Configs><translator><Value>1</Value></translator></Configs>") << int(Translator)
        << false << "" << 2; // "translator" and its "Value" child are records of their own
    QTest::newRow("missing Value takes the next one")
        << QByteArray("<Configs><Translator/><LogLevel><Value>7</Value></LogLevel>"
                      "<Skin><Value>S</Value></Skin></Configs>")
        << int(Translator) << true << "7" << 2;
    QTest::newRow("the setting swallowed by a missing Value is gone")
        << QByteArray("<Configs><Translator/><LogLevel><Value>7</Value></LogLevel></Configs>")
        << int(LogLevel) << false << "" << 1;
    QTest::newRow("first Value child wins")
        << QByteArray("<Configs><Skin><Value>A</Value><Value>B</Value></Skin></Configs>") << int(Skin) << true
        << "A" << 2;
    QTest::newRow("duplicate names: first wins")
        << QByteArray("<Configs><Skin><Value>A</Value></Skin><Skin><Value>B</Value></Skin></Configs>")
        << int(Skin) << true << "A" << 2;
    QTest::newRow("any root name")
        << QByteArray("<Other><VersionType><Value>2</Value></VersionType></Other>") << int(VersionType) << true
        << "2" << 2;
    QTest::newRow("syntax error keeps what was read")
        << QByteArray("<Configs><Skin><Value>K</Value></Skin><LogLevel><Value>1</Val") << int(Skin) << true
        << "K" << 2;
    QTest::newRow("empty Value") << QByteArray("<Configs><Skin><Value/></Skin></Configs>") << int(Skin) << true
                                 << "" << 1;
}

void TestClientConfig::readsSettings()
{
    QFETCH(QByteArray, content);
    QFETCH(int, key);
    QFETCH(bool, found);
    QFETCH(QString, value);
    QFETCH(int, records);

    QTemporaryDir dir;
    ClientConfigManager* config = ClientConfigManager::GetInstance();
    QVERIFY(config->Load(WriteFile(dir, QStringLiteral("Setup.xml"), content)));
    QCOMPARE(config->Count(), records);
    const ClientConfig* record = config->Find(key);
    QCOMPARE(record != nullptr, found);
    if (record)
        QCOMPARE(record->Value(), value);
}

void TestClientConfig::missingFileAddsNothing()
{
    QTemporaryDir dir;
    QTest::ignoreMessage(QtDebugMsg, "No file to read...");
    QVERIFY(!ClientConfigManager::GetInstance()->Load(dir.filePath(QStringLiteral("absent.xml"))));
    QCOMPARE(ClientConfigManager::GetInstance()->Count(), 0);
    QVERIFY(!ClientConfigManager::GetInstance()->Find(Translator));
}

void TestClientConfig::secondLoadKeepsFirstValues()
{
    QTemporaryDir dir;
    ClientConfigManager* config = ClientConfigManager::GetInstance();
    QVERIFY(config->Load(WriteFile(dir, QStringLiteral("a.xml"), kTypical)));
    QVERIFY(config->Load(WriteFile(dir, QStringLiteral("b.xml"),
                                   "<Configs><Translator><Value>0</Value></Translator>"
                                   "<Skin><Value>Other</Value></Skin></Configs>")));
    QCOMPARE(config->Count(), 6);
    QCOMPARE(config->Find(Translator)->Value(), QStringLiteral("1"));
    QCOMPARE(config->Find(Skin)->Value(), QStringLiteral("Dark"));
}

void TestClientConfig::onvifSettings_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("user");
    QTest::newRow("neither given") << QByteArray("<Configs/>") << true << "admin";
    QTest::newRow("off") << QByteArray("<Configs><Onvif><Value>0</Value></Onvif></Configs>") << false << "admin";
    QTest::newRow("off, with blanks") << QByteArray("<Configs><Onvif><Value> 0 </Value></Onvif></Configs>") << false
                                      << "admin";
    QTest::newRow("on") << QByteArray("<Configs><Onvif><Value>1</Value></Onvif></Configs>") << true << "admin";
    QTest::newRow("empty value") << QByteArray("<Configs><Onvif><Value/></Onvif></Configs>") << true << "admin";
    QTest::newRow("user") << QByteArray("<Configs><OnvifUser><Value> installer </Value></OnvifUser></Configs>") << true
                          << "installer";
    QTest::newRow("blank user") << QByteArray("<Configs><OnvifUser><Value>  </Value></OnvifUser></Configs>") << true
                                << "admin";
}

void TestClientConfig::onvifSettings()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, enabled);
    QFETCH(QString, user);
    QTemporaryDir dir;
    ClientConfigManager* config = ClientConfigManager::GetInstance();
    QVERIFY(config->Load(WriteFile(dir, QStringLiteral("setup.xml"), content.constData())));
    QCOMPARE(config->IsOnvifEnabled(), enabled);
    QCOMPARE(config->OnvifUserName(), user);
}

void TestClientConfig::keysOutsideTheTableFindNothing()
{
    LoadSettings(kTypical);
    QVERIFY(!ClientConfigManager::GetInstance()->Find(-1));
    QVERIFY(!ClientConfigManager::GetInstance()->Find(4));
    QCOMPARE(ClientConfigManager::GetInstance()->IntValue(4), 0);
}

void TestClientConfig::languageChoice_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("languageId");
    QTest::addColumn<QString>("translated");

    auto settings = [](const char* translator, const char* versionType) {
        QByteArray xml("<Configs>");
        if (translator)
            xml += QByteArray("<Translator><Value>") + translator + "</Value></Translator>";
        if (versionType)
            xml += QByteArray("<VersionType><Value>") + versionType + "</Value></VersionType>";
        return xml + "</Configs>";
    };
    const QString english = QStringLiteral("Refresh");
    const QString chinese = QStringLiteral("刷新");
    QTest::newRow("no settings: branded English") << settings(nullptr, nullptr) << 2 << english;
    QTest::newRow("English plain") << settings("0", "1") << 0 << english;
    QTest::newRow("Chinese branded") << settings("1", "0") << 3 << chinese;
    QTest::newRow("Chinese without VersionType") << settings("1", nullptr) << 3 << chinese;
    QTest::newRow("Chinese plain") << settings("1", "1") << 1 << chinese;
    QTest::newRow("id given directly") << settings("3", "1") << 3 << chinese;
    QTest::newRow("unknown id falls back") << settings("9", "0") << 0 << english;
    QTest::newRow("not a number counts as 0") << settings("zh", "x") << 2 << english;
}

void TestClientConfig::languageChoice()
{
    QFETCH(QByteArray, content);
    QFETCH(int, languageId);
    QFETCH(QString, translated);

    LoadSettings(content);
    // The test runs beside the built translations.
    ClientLanguageProperty* current = ClientLanguageManager::GetInstance()->GetCurrentProperty();
    QVERIFY(current);
    QCOMPARE(current->LanguageId(), languageId);
    const QString text = current->Translator()->translate("QtLumoClass", "Refresh");
    QVERIFY2(text == translated || (text.isEmpty() && translated == QStringLiteral("Refresh")), qPrintable(text));
    QVERIFY(!current->LoadingPicture().isNull());
    const bool chinese = languageId == 1 || languageId == 3;
    QCOMPARE(current->Locale().language(), chinese ? QLocale::Chinese : QLocale::English);
}

void TestClientConfig::chineseFallsBackWithoutItsFile()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("translations")));
    QVERIFY(QFile::copy(GetAppDirPath() + QStringLiteral("translations/Taldor_en.qm"),
                        dir.filePath(QStringLiteral("translations/Taldor_en.qm"))));
    const ClientLanguageManager languages(dir.path() + u'/');
    QVERIFY(languages.Find(0) && languages.Find(2));
    QVERIFY(!languages.Find(1) && !languages.Find(3));
    LoadSettings("<Configs><Translator><Value>1</Value></Translator></Configs>");
    QCOMPARE(languages.GetCurrentProperty()->LanguageId(), 0);

    const ClientLanguageManager empty(dir.filePath(QStringLiteral("nowhere/")));
    QVERIFY(empty.Find(0));
    QVERIFY(empty.Find(0)->Translator()->isEmpty());
}

void TestClientConfig::paths()
{
    QVERIFY(GetAppDirPath().endsWith(u'/'));
    QCOMPARE(GetAppDirPath(), QCoreApplication::applicationDirPath() + u'/');
    QCOMPARE(GetAbsolutePath(QStringLiteral("Setup.xml")), GetAppDirPath() + QStringLiteral("Setup.xml"));
    const QString absolute = QDir::rootPath() + QStringLiteral("etc/Setup.xml");
    QCOMPARE(GetAbsolutePath(absolute), absolute);
}

QTEST_MAIN(TestClientConfig)
#include "tst_clientconfig.moc"
