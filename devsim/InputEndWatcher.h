#pragma once

#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>

#include <functional>

namespace devsim {

// Calls back, on the simulator's thread, once standard input ends (the writing
// end closed). A parent process can thus stop the simulator gracefully where it
// has no SIGTERM to send, as on Windows, by closing the simulator's input.
//
// The input is polled by a timer rather than read by a thread of its own: a
// thread blocked reading a pipe can keep a process from ending when it is
// killed (seen under Wine), and the killed simulator would hold its port on.
class InputEndWatcher
{
public:
    InputEndWatcher(asio::io_context& io, std::function<void()> onEnd);

private:
    enum class Input { Open, Ended, Unwatchable };

    void schedule();
    // Reads and drops what is waiting without ever blocking.
    static Input drain();

    asio::steady_timer m_timer;
    std::function<void()> m_onEnd;
};

} // namespace devsim
