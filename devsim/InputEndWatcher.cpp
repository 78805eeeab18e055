#include "InputEndWatcher.h"

#include <chrono>

#if defined(_WIN32)
#include <windows.h>
#else
#include <poll.h>
#include <unistd.h>
#endif

namespace devsim {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(100);

} // namespace

InputEndWatcher::InputEndWatcher(asio::io_context& io, std::function<void()> onEnd)
    : m_timer(io), m_onEnd(std::move(onEnd))
{
    schedule();
}

void InputEndWatcher::schedule()
{
    m_timer.expires_after(kPollInterval);
    m_timer.async_wait([this](const std::error_code& error) {
        if (error)
            return;
        switch (drain()) {
        case Input::Open:
            schedule();
            break;
        case Input::Ended:
            m_onEnd();
            break;
        case Input::Unwatchable:
            break; // not a pipe: only a signal stops the simulator
        }
    });
}

#if defined(_WIN32)

InputEndWatcher::Input InputEndWatcher::drain()
{
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    char buffer[256];
    for (;;) {
        DWORD nWaiting = 0;
        if (!PeekNamedPipe(input, nullptr, 0, nullptr, &nWaiting, nullptr))
            return GetLastError() == ERROR_BROKEN_PIPE ? Input::Ended : Input::Unwatchable;
        if (nWaiting == 0)
            return Input::Open;
        DWORD nRead = 0;
        if (!ReadFile(input, buffer, nWaiting < sizeof buffer ? nWaiting : DWORD(sizeof buffer), &nRead, nullptr))
            return GetLastError() == ERROR_BROKEN_PIPE ? Input::Ended : Input::Unwatchable;
    }
}

#else

InputEndWatcher::Input InputEndWatcher::drain()
{
    char buffer[256];
    for (;;) {
        pollfd input{STDIN_FILENO, POLLIN, 0};
        if (::poll(&input, 1, 0) < 0)
            return Input::Unwatchable;
        if ((input.revents & (POLLIN | POLLHUP)) == 0)
            return input.revents ? Input::Unwatchable : Input::Open;
        const ssize_t nRead = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (nRead == 0)
            return Input::Ended;
        if (nRead < 0)
            return Input::Unwatchable;
    }
}

#endif

} // namespace devsim
