#pragma once

#include <functional>
#include <memory>

namespace devsim {

// Calls back once standard input ends (the writing end closed), on a thread of
// its own. A parent process can thus stop the simulator gracefully where it has
// no SIGTERM to send, as on Windows, by closing the simulator's input.
class InputEndWatcher
{
public:
    explicit InputEndWatcher(std::function<void()> onEnd);
    // No callback after destruction; the reading thread itself is left blocked
    // on the input and ends with the process.
    ~InputEndWatcher();

    InputEndWatcher(const InputEndWatcher&) = delete;
    InputEndWatcher& operator=(const InputEndWatcher&) = delete;

private:
    struct Shared;
    std::shared_ptr<Shared> m_pShared;
};

} // namespace devsim
