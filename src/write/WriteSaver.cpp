#include "write/WriteSaver.h"

#include "platform/AtomicFile.h"

namespace hfp {

WriteSaver::WriteSaver(std::filesystem::path file, std::chrono::milliseconds delay, Report report)
    : m_file(std::move(file)),
      m_delay(delay),
      m_report(std::move(report)),
      m_thread([this] { Run(); }) {}

WriteSaver::~WriteSaver() {
    Stop();
}

void WriteSaver::Schedule(WriteSaveJob job) {
    Schedule([job = std::move(job)] { return CWrite::SaveBytes(job); });
}

void WriteSaver::Schedule(Encode encode) {
    std::optional<Encode> replaced;  // freed outside the lock
    {
        const std::lock_guard lock(m_lock);
        if (!m_pending) m_due = std::chrono::steady_clock::now() + m_delay;
        replaced = std::move(m_pending);
        m_pending = std::move(encode);
    }
    m_wake.notify_one();
}

void WriteSaver::Stop() {
    {
        const std::lock_guard lock(m_lock);
        m_stop = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable()) m_thread.join();
}

bool WriteSaver::Busy() const {
    const std::lock_guard lock(m_lock);
    return m_pending.has_value() || m_writing;
}

void WriteSaver::Run() {
    std::filesystem::path temporary = m_file;
    temporary += "_";
    std::unique_lock lock(m_lock);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || m_pending; });
        if (m_stop) return;
        if (std::chrono::steady_clock::now() < m_due) {
            m_wake.wait_until(lock, m_due, [this] { return m_stop; });
            continue;
        }
        Encode job = std::move(*m_pending);
        m_pending.reset();
        m_writing = true;
        lock.unlock();
        std::string error;
        if (!WriteFileAtomically(m_file, temporary, job(), &error) && error.empty())
            error = "cannot write " + m_file.string();
        if (m_report) m_report(error);
        lock.lock();
        m_writing = false;
        if (!error.empty() && !m_pending) {
            m_pending = std::move(job);
            m_due = std::chrono::steady_clock::now() + m_delay;
        }
    }
}

}  // namespace hfp
