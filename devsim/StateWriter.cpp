#include "StateWriter.h"

#include "DurableFile.h"

#include <cstdio>
#include <exception>

namespace devsim {

StateWriter::StateWriter(std::string strPath, Saved saved)
    : m_strPath(std::move(strPath)), m_saved(std::move(saved)), m_thread([this] { run(); })
{
}

StateWriter::~StateWriter()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void StateWriter::submit(uint64_t nGeneration, std::string strContent)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_job = Job{nGeneration, std::move(strContent)};
    }
    m_wake.notify_one();
}

void StateWriter::run()
{
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            // A job handed over before the stop is still saved.
            m_wake.wait(lock, [this] { return m_job.has_value() || m_bStopping; });
            if (!m_job)
                return;
            job = std::move(*m_job);
            m_job.reset();
        }
        bool bSucceeded = true;
        try {
            DurableFile::replace(m_strPath, job.strContent);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "lumo-devsim: %s\n", error.what());
            bSucceeded = false;
        }
        m_saved(job.nGeneration, bSucceeded);
    }
}

} // namespace devsim
