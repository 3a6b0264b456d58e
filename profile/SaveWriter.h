#pragma once

#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>

namespace kestrova {

// Writes the data files on a thread of its own, so that the thread that asks never waits on
// the disk (a save flushes twice to it). The caller takes what to write while it asks: a save
// carries its own copy of the content and the file's path. Saves run one at a time, in the
// order asked; a save asked while an earlier one of the same file still waits takes that
// one's place, so each file ends with the newest content, and no older content is written
// after it.
class SaveWriter {
public:
    using Save = std::function<void()>;

    SaveWriter() = default;
    // Writes what is still waiting, then ends the thread.
    ~SaveWriter();
    SaveWriter(const SaveWriter&) = delete;
    SaveWriter& operator=(const SaveWriter&) = delete;

    // Queues `save`, which writes `file`.
    void save(const std::filesystem::path& file, Save save);
    // Waits until every save asked so far has ended.
    void flush();

private:
    struct Waiting {
        std::filesystem::path file;
        Save save;
    };

    void run();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Waiting> m_waiting;
    bool m_writing = false;
    bool m_stopping = false;
    std::thread m_thread; // started at the first save
};

// The process's one writer of the data files.
SaveWriter& DataFileWriter();

// Waits, when it goes, until the data files' saves have ended. Declared before the windows of
// a run, it keeps the run from ending before what they saved as they went is on disk.
class SavesWrittenAtEnd {
public:
    SavesWrittenAtEnd() = default;
    ~SavesWrittenAtEnd() { DataFileWriter().flush(); }
    SavesWrittenAtEnd(const SavesWrittenAtEnd&) = delete;
    SavesWrittenAtEnd& operator=(const SavesWrittenAtEnd&) = delete;
};

} // namespace kestrova
