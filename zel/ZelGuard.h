#pragma once

#include "zel_global.h"

class ZEL_Mutex;

// Holds a ZEL_Mutex for its scope; Release() gives it up early.
class ZEL_EXPORT ZEL_Guard
{
public:
    explicit ZEL_Guard(ZEL_Mutex& mutex);
    // Locks the mutex unless it is null.
    explicit ZEL_Guard(ZEL_Mutex* mutex);
    ~ZEL_Guard();
    ZEL_Guard(const ZEL_Guard&) = delete;
    ZEL_Guard& operator=(const ZEL_Guard&) = delete;

    void Release();

private:
    ZEL_Mutex* m_pMutex;
};
