#pragma once

#include "zel_global.h"

// C-style mutex functions. A ZEL_MUTEX_T is an opaque handle that
// ZEL_MutexCreate fills and ZEL_MutexDestroy clears.
struct ZEL_MutexImpl;
typedef ZEL_MutexImpl* ZEL_MUTEX_T;

enum { ZEL_OK = 0, ZEL_ERROR = -1 };

// Flag -1 makes a mutex that the thread holding it may lock again; any other
// flag makes a plain one.
ZEL_EXPORT int ZEL_MutexCreate(ZEL_MUTEX_T* mutex, int flag);
ZEL_EXPORT int ZEL_MutexLock(ZEL_MUTEX_T* mutex);
ZEL_EXPORT int ZEL_MutexUnlock(ZEL_MUTEX_T* mutex);
ZEL_EXPORT int ZEL_MutexDestroy(ZEL_MUTEX_T* mutex);

// A recursive mutex object.
class ZEL_EXPORT ZEL_Mutex
{
public:
    ZEL_Mutex();
    ~ZEL_Mutex();
    ZEL_Mutex(const ZEL_Mutex&) = delete;
    ZEL_Mutex& operator=(const ZEL_Mutex&) = delete;

    int Lock();
    int Unlock();

private:
    ZEL_MUTEX_T m_hMutex = nullptr;
};
