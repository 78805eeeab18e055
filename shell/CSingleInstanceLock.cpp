#include "CSingleInstanceLock.h"

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

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
    // the marker would stay in sight); the user's temporary folder is private too.
    const QString dir = QDir::tempPath();
#else
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
#endif
    return dir + u'/' + key + QStringLiteral(".lock");
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
