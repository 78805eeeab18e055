#pragma once

#include "shell_global.h"

#include <QString>

#include <memory>

class QLockFile;

// A per-key marker that only one process holds at a time. It is a lock file
// whose owner the system knows, so a crashed or killed holder never blocks
// the next start.
class SHELL_EXPORT CSingleInstanceLock
{
public:
    enum Result { Acquired, HeldElsewhere, Failed };

    explicit CSingleInstanceLock(const QString& key);
    ~CSingleInstanceLock();
    CSingleInstanceLock(const CSingleInstanceLock&) = delete;
    CSingleInstanceLock& operator=(const CSingleInstanceLock&) = delete;

    Result TryAcquire();
    void Release();

    // Where the marker for the key lies: always in a place of the current
    // user's own; empty when there is none.
    static QString LockFilePath(const QString& key);
    // The folder "taldor-<user>" in parent, made or found private to the
    // current user; empty when it cannot be had.
    static QString PrivateFolder(const QString& parent, const QString& user);

private:
    bool IsLeftUnderThisProcessId() const;

    std::unique_ptr<QLockFile> m_pLock;
};
