#include "profile/SaveWriter.h"

#include <algorithm>

namespace kestrova {

SaveWriter::~SaveWriter() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void SaveWriter::save(const std::filesystem::path& file, Save save) {
    {
        const std::lock_guard lock(m_mutex);
        const auto same =
            std::find_if(m_waiting.begin(), m_waiting.end(),
                         [&](const Waiting& waiting) { return waiting.file == file; });
        if (same != m_waiting.end())
            same->save = std::move(save);
        else
            m_waiting.push_back({file, std::move(save)});
        if (!m_thread.joinable())
            m_thread = std::thread(&SaveWriter::run, this);
    }
    m_changed.notify_all();
}

void SaveWriter::flush() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_waiting.empty() && !m_writing; });
}

void SaveWriter::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || !m_waiting.empty(); });
        if (m_waiting.empty())
            return; // stopping, and everything is written
        const Save save = std::move(m_waiting.front().save);
        m_waiting.pop_front();
        m_writing = true;
        lock.unlock();
        save();
        lock.lock();
        m_writing = false;
        m_changed.notify_all();
    }
}

SaveWriter& DataFileWriter() {
    static SaveWriter writer;
    return writer;
}

} // namespace kestrova
