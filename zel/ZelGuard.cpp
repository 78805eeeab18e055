#include "ZelGuard.h"

#include "ZelMutex.h"

ZEL_Guard::ZEL_Guard(ZEL_Mutex& mutex)
    : m_pMutex(&mutex)
{
    m_pMutex->Lock();
}

ZEL_Guard::ZEL_Guard(ZEL_Mutex* mutex)
    : m_pMutex(mutex)
{
    if (m_pMutex)
        m_pMutex->Lock();
}

ZEL_Guard::~ZEL_Guard()
{
    Release();
}

void ZEL_Guard::Release()
{
    if (m_pMutex) {
        m_pMutex->Unlock();
        m_pMutex = nullptr;
    }
}
