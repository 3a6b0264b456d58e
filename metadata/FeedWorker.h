#pragma once

#include "metadata/FeedRetrieval.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include <QObject>

namespace kestrova {

// Runs FetchVideoFeed on a thread of its own, one fetch at a time, and hands the answer back
// on the GUI thread, so a slow or dead network never stops the windows. The thread never
// outlives the worker: abandoning or destroying it stops the running fetch at once and waits
// for the thread, and the abandoned answer is never delivered.
class FeedWorker : public QObject {
    Q_OBJECT

public:
    using Answer = std::function<void(FeedResult result, std::u16string feedText)>;

    explicit FeedWorker(QObject* parent = nullptr);
    ~FeedWorker() override;

    // Starts the fetch; false, and nothing started, while another runs. The answer comes from
    // the event loop, after busyChanged(false).
    bool fetch(std::u16string videoId, FeedOptions options, Answer answer);
    bool busy() const { return bool(m_answer); }
    // Stops the running fetch; nothing of it reaches its answer. Harmless when idle.
    void abandon();

signals:
    void busyChanged(bool busy);

private:
    // Delivers the answer; a transfer failure's diagnostic goes to the debug console first.
    void finish(std::uint64_t ticket, FeedResult result, std::u16string feedText,
                const std::u16string& diagnostic);
    // Cancels and joins the running fetch; true when one was running.
    bool stop();

    std::thread m_thread;
    std::unique_ptr<FeedCancel> m_cancel;
    Answer m_answer;
    // Tells a queued answer of an abandoned fetch from the current one.
    std::uint64_t m_ticket = 0;
};

} // namespace kestrova
