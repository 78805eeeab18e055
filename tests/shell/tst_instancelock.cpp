// Where the single-instance lock lies: always in a place of the user's own,
// whatever the runtime folder is, so that no other user can create and hold
// the marker first.

#include "CSingleInstanceLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#if !defined(Q_OS_WIN)
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const QString kKey = QStringLiteral("LUMO");

#if !defined(Q_OS_WIN)
QString UserName()
{
    const passwd* entry = getpwuid(geteuid());
    return entry ? QString::fromLocal8Bit(entry->pw_name) : QString();
}

QString CurrentUid()
{
    return QString::number(geteuid());
}

bool IsPrivateFolder(const QString& path)
{
    struct stat info = {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode)
        && info.st_uid == geteuid() && (info.st_mode & 0777) == 0700;
}

bool MakeFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}
#endif

// Restores an environment variable however the test ends.
class EnvironmentGuard
{
public:
    explicit EnvironmentGuard(const char* name)
        : m_name(name), m_bWasSet(qEnvironmentVariableIsSet(name)), m_value(qgetenv(name)) {}
    ~EnvironmentGuard()
    {
        if (m_bWasSet)
            qputenv(m_name, m_value);
        else
            qunsetenv(m_name);
    }
    EnvironmentGuard(const EnvironmentGuard&) = delete;
    EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;

private:
    const char* m_name;
    bool m_bWasSet;
    QByteArray m_value;
};

} // namespace

class TestInstanceLock : public QObject
{
    Q_OBJECT
private slots:
#if defined(Q_OS_WIN)
    void lockNameCarriesTheUser();
#else
    void lockStaysWithTheUser_data();
    void lockStaysWithTheUser();
    void privateFolderPerUser();
    void privateFolderRefusesWhatIsNotTheUsers_data();
    void privateFolderRefusesWhatIsNotTheUsers();
#endif
};

#if defined(Q_OS_WIN)
void TestInstanceLock::lockNameCarriesTheUser()
{
    const QString path = CSingleInstanceLock::LockFilePath(kKey);
    QCOMPARE(QFileInfo(path).fileName(), kKey + u'-' + qEnvironmentVariable("USERNAME") + QStringLiteral(".lock"));
}
#else
void TestInstanceLock::lockStaysWithTheUser_data()
{
    QTest::addColumn<QString>("runtime");
    QTest::addColumn<QStringList>("takenNames");
    QTest::addColumn<QString>("expectedFolder");

    const QString qtFallback = QStringLiteral("runtime-") + UserName();
    const QString ours = QStringLiteral("taldor-") + CurrentUid();
    // Paths are relative to the test's temporary folder; "cache/" is the
    // user's cache folder.
    QTest::newRow("runtime folder unset") << QString() << QStringList() << qtFallback;
    QTest::newRow("runtime folder is a file") << QStringLiteral("file") << QStringList() << qtFallback;
    QTest::newRow("runtime folder unset, the fallback name taken")
        << QString() << QStringList{ qtFallback } << ours;
    QTest::newRow("runtime folder is a file, the fallback name taken")
        << QStringLiteral("file") << QStringList{ qtFallback } << ours;
    QTest::newRow("every name in the temporary folder taken")
        << QStringLiteral("file") << QStringList{ qtFallback, ours } << QStringLiteral("cache/") + ours;
}

void TestInstanceLock::lockStaysWithTheUser()
{
    QFETCH(QString, runtime);
    QFETCH(QStringList, takenNames);
    QFETCH(QString, expectedFolder);
    const EnvironmentGuard runtimeGuard("XDG_RUNTIME_DIR");
    const EnvironmentGuard tempGuard("TMPDIR");
    const EnvironmentGuard cacheGuard("XDG_CACHE_HOME");
    QTemporaryDir base;
    QVERIFY(base.isValid());
    const QString temp = base.filePath(QStringLiteral("tmp"));
    QVERIFY(QDir().mkpath(temp));
    qputenv("TMPDIR", QFile::encodeName(temp));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(base.filePath(QStringLiteral("cache"))));
    if (runtime.isEmpty()) {
        qunsetenv("XDG_RUNTIME_DIR");
    } else {
        QVERIFY(MakeFile(base.filePath(runtime)));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(base.filePath(runtime)));
    }
    // Names another user could have taken first; here files stand for them.
    for (const QString& name : std::as_const(takenNames))
        QVERIFY(MakeFile(temp + u'/' + name));

    const QString path = CSingleInstanceLock::LockFilePath(kKey);
    const QString folder = expectedFolder.startsWith(QStringLiteral("cache/")) ? base.filePath(expectedFolder)
                                                                               : temp + u'/' + expectedFolder;
    QCOMPARE(path, folder + QStringLiteral("/LUMO.lock"));
    QVERIFY(path != temp + QStringLiteral("/LUMO.lock"));
    QVERIFY(IsPrivateFolder(folder));

    CSingleInstanceLock lock(kKey);
    QCOMPARE(lock.TryAcquire(), CSingleInstanceLock::Acquired);
    QVERIFY(QFileInfo::exists(path));
    lock.Release();
}

void TestInstanceLock::privateFolderPerUser()
{
    QTemporaryDir base;
    QVERIFY(base.isValid());
    const QString first = CSingleInstanceLock::PrivateFolder(base.path(), QStringLiteral("1000"));
    const QString second = CSingleInstanceLock::PrivateFolder(base.path(), QStringLiteral("1001"));
    QCOMPARE(first, base.filePath(QStringLiteral("taldor-1000")));
    QCOMPARE(second, base.filePath(QStringLiteral("taldor-1001")));
    QVERIFY(IsPrivateFolder(first));
    QVERIFY(IsPrivateFolder(second));
    // Found again on the next start.
    QCOMPARE(CSingleInstanceLock::PrivateFolder(base.path(), QStringLiteral("1000")), first);
}

void TestInstanceLock::privateFolderRefusesWhatIsNotTheUsers_data()
{
    QTest::addColumn<QString>("found");
    QTest::addColumn<bool>("taken");
    QTest::newRow("a file") << QStringLiteral("file") << false;
    QTest::newRow("a link to a folder of the user's") << QStringLiteral("link") << false;
    QTest::newRow("a folder of another user") << QStringLiteral("foreign") << false;
    QTest::newRow("the user's folder open to others is closed") << QStringLiteral("open") << true;
}

void TestInstanceLock::privateFolderRefusesWhatIsNotTheUsers()
{
    QFETCH(QString, found);
    QFETCH(bool, taken);
    QTemporaryDir base;
    QVERIFY(base.isValid());
    const QString path = base.filePath(QStringLiteral("taldor-u"));
    const QByteArray native = QFile::encodeName(path);
    if (found == QLatin1String("file")) {
        QVERIFY(MakeFile(path));
    } else if (found == QLatin1String("link")) {
        const QString target = base.filePath(QStringLiteral("elsewhere"));
        QVERIFY(::mkdir(QFile::encodeName(target).constData(), 0700) == 0);
        QVERIFY(QFile::link(target, path));
    } else {
        QVERIFY(::mkdir(native.constData(), 0777) == 0);
        QVERIFY(::chmod(native.constData(), 0777) == 0);
        if (found == QLatin1String("foreign")) {
            if (geteuid() != 0)
                QSKIP("Only the superuser can give a folder to another user.");
            QVERIFY(::chown(native.constData(), 12345, 12345) == 0);
        }
    }

    const QString folder = CSingleInstanceLock::PrivateFolder(base.path(), QStringLiteral("u"));
    QCOMPARE(folder, taken ? path : QString());
    if (taken)
        QVERIFY(IsPrivateFolder(path));
}
#endif

QTEST_GUILESS_MAIN(TestInstanceLock)
#include "tst_instancelock.moc"
