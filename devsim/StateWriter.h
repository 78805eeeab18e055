#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace devsim {

// Saves the fleet's state file on a thread of its own, so that the devices go on
// answering while the disk flushes. One save at a time: changes that arrive
// meanwhile are saved together by the next one (one write for a burst).
class StateWriter
{
public:
    // Called on the writer's thread after each save, with the generation saved.
    using Saved = std::function<void(uint64_t nGeneration, bool bSucceeded)>;

    StateWriter(std::string strPath, Saved saved);
    ~StateWriter();
    StateWriter(const StateWriter&) = delete;
    StateWriter& operator=(const StateWriter&) = delete;

    // Hands over the content of one generation; only while the writer is idle.
    void submit(uint64_t nGeneration, std::string strContent);

private:
    struct Job
    {
        uint64_t nGeneration = 0;
        std::string strContent;
    };

    void run();

    std::string m_strPath;
    Saved m_saved;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<Job> m_job;
    bool m_bStopping = false;
    std::thread m_thread;
};

} // namespace devsim
