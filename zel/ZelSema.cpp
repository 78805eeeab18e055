#include "ZelSema.h"

#include <chrono>

ZEL_Sema::ZEL_Sema(int initial)
    : m_nCount(initial)
{
}

void ZEL_Sema::Post()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_nCount;
    }
    m_cond.notify_one();
}

void ZEL_Sema::Wait()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_cond.wait(lock, [this] { return m_nCount > 0; });
    --m_nCount;
}

bool ZEL_Sema::Wait(int timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_cond.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_nCount > 0; }))
        return false;
    --m_nCount;
    return true;
}
