#include "InputEndWatcher.h"

#include <cstdio>
#include <mutex>
#include <thread>

namespace devsim {

struct InputEndWatcher::Shared
{
    std::mutex mutex;
    std::function<void()> onEnd; // empty once the watcher is gone
};

InputEndWatcher::InputEndWatcher(std::function<void()> onEnd)
    : m_pShared(std::make_shared<Shared>())
{
    m_pShared->onEnd = std::move(onEnd);
    std::thread([pShared = m_pShared] {
        char buffer[256];
        while (std::fread(buffer, 1, sizeof buffer, stdin) > 0) {
        }
        std::lock_guard<std::mutex> lock(pShared->mutex);
        if (pShared->onEnd)
            pShared->onEnd();
    }).detach();
}

InputEndWatcher::~InputEndWatcher()
{
    std::lock_guard<std::mutex> lock(m_pShared->mutex);
    m_pShared->onEnd = nullptr;
}

} // namespace devsim
