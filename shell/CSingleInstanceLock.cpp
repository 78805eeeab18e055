#include "CSingleInstanceLock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QStandardPaths>

#if !defined(Q_OS_WIN)
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

QString CurrentUser()
{
#if defined(Q_OS_WIN)
    return qEnvironmentVariable("USERNAME");
#else
    return QString::number(geteuid());
#endif
}

} // namespace

CSingleInstanceLock::CSingleInstanceLock(const QString& key)
    : m_pLock(std::make_unique<QLockFile>(LockFilePath(key)))
{
    // A running holder is never taken for stale, however long it runs; only
    // a holder that no longer exists is.
    m_pLock->setStaleLockTime(0);
}

CSingleInstanceLock::~CSingleInstanceLock() = default;

QString CSingleInstanceLock::LockFilePath(const QString& key)
{
#if defined(Q_OS_WIN)
    // Windows has no per-user runtime folder (Qt answers the home folder, where
    // the marker would stay in sight); the user's temporary folder lies in the
    // user's profile, and the user's name in the file name keeps the marker the
    // user's own should TEMP name a folder that users share.
    return QDir::tempPath() + u'/' + key + u'-' + CurrentUser() + QStringLiteral(".lock");
#else
    // Qt hands out the runtime folder only when it is the user's own and closed
    // to others. Without one, the marker must still not lie where another user
    // could create and hold it first: a folder of the user's own in the
    // temporary folder, or, should someone else have taken that name, in the
    // user's cache folder. With none of them the lock cannot be made, and the
    // program runs without it rather than being kept from starting.
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    const QString user = CurrentUser();
    if (dir.isEmpty())
        dir = PrivateFolder(QDir::tempPath(), user);
    if (dir.isEmpty())
        dir = PrivateFolder(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation), user);
    return dir.isEmpty() ? QString() : dir + u'/' + key + QStringLiteral(".lock");
#endif
}

// A folder made with no access for others is the user's; one that was there
// already is taken only when it is a real folder (no link) of this user, and
// then closed to others.
QString CSingleInstanceLock::PrivateFolder(const QString& parent, const QString& user)
{
    if (parent.isEmpty() || user.isEmpty())
        return QString();
    const QString path = parent + QStringLiteral("/taldor-") + user;
#if defined(Q_OS_WIN)
    return QDir().mkpath(path) ? path : QString();
#else
    QDir().mkpath(parent);
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) == 0)
        return path;
    struct stat info = {};
    if (::lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid())
        return QString();
    if ((info.st_mode & 0777) != 0700 && ::chmod(native.constData(), 0700) != 0)
        return QString();
    return path;
#endif
}

CSingleInstanceLock::Result CSingleInstanceLock::TryAcquire()
{
    if (m_pLock->isLocked() || m_pLock->tryLock(0))
        return Acquired;
    if (m_pLock->error() == QLockFile::LockFailedError && IsLeftUnderThisProcessId() && m_pLock->removeStaleLockFile()
        && m_pLock->tryLock(0))
        return Acquired;
    return m_pLock->error() == QLockFile::LockFailedError ? HeldElsewhere : Failed;
}

// Process ids come round again: under Wine a program started the same way gets
// the same id each time, and Windows reuses ids too. A marker left by a killed
// holder whose id is now this process's own names a running program of the
// same name, so it would never look stale. Whether some object of this very
// process holds it open is left to the removal, which the system refuses then.
bool CSingleInstanceLock::IsLeftUnderThisProcessId() const
{
    qint64 pid = 0;
    QString strHost, strApplication;
    return m_pLock->getLockInfo(&pid, &strHost, &strApplication) && pid == QCoreApplication::applicationPid();
}

void CSingleInstanceLock::Release()
{
    m_pLock->unlock();
}
