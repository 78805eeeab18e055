#pragma once

#include "zel_global.h"

#include <condition_variable>
#include <mutex>

// A counting semaphore.
class ZEL_EXPORT ZEL_Sema
{
public:
    explicit ZEL_Sema(int initial = 0);

    void Post();
    void Wait();
    // Waits at most timeoutMs; false when the time ran out.
    bool Wait(int timeoutMs);

private:
    std::mutex m_mutex;
    std::condition_variable m_cond;
    int m_nCount;
};
