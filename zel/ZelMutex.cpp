#include "ZelMutex.h"

#include <mutex>

struct ZEL_MutexImpl
{
    explicit ZEL_MutexImpl(bool recursive) : m_bRecursive(recursive) {}

    void lock() { m_bRecursive ? m_recursive.lock() : m_plain.lock(); }
    void unlock() { m_bRecursive ? m_recursive.unlock() : m_plain.unlock(); }

    const bool m_bRecursive;
    std::recursive_mutex m_recursive;
    std::mutex m_plain;
};

int ZEL_MutexCreate(ZEL_MUTEX_T* mutex, int flag)
{
    if (!mutex)
        return ZEL_ERROR;
    *mutex = new ZEL_MutexImpl(flag == -1);
    return ZEL_OK;
}

int ZEL_MutexLock(ZEL_MUTEX_T* mutex)
{
    if (!mutex || !*mutex)
        return ZEL_ERROR;
    (*mutex)->lock();
    return ZEL_OK;
}

int ZEL_MutexUnlock(ZEL_MUTEX_T* mutex)
{
    if (!mutex || !*mutex)
        return ZEL_ERROR;
    (*mutex)->unlock();
    return ZEL_OK;
}

int ZEL_MutexDestroy(ZEL_MUTEX_T* mutex)
{
    if (!mutex || !*mutex)
        return ZEL_ERROR;
    delete *mutex;
    *mutex = nullptr;
    return ZEL_OK;
}

ZEL_Mutex::ZEL_Mutex()
{
    ZEL_MutexCreate(&m_hMutex, -1);
}

ZEL_Mutex::~ZEL_Mutex()
{
    ZEL_MutexDestroy(&m_hMutex);
}

int ZEL_Mutex::Lock()
{
    return ZEL_MutexLock(&m_hMutex);
}

int ZEL_Mutex::Unlock()
{
    return ZEL_MutexUnlock(&m_hMutex);
}
