#include "metadata/FeedWorker.h"

#include "metadata/FeedCancel.h"

#include <utility>

#include <QLoggingCategory>
#include <QString>

namespace kestrova {

Q_LOGGING_CATEGORY(lcFeed, "kestrova.feed", QtCriticalMsg)

FeedWorker::FeedWorker(QObject* parent)
    : QObject(parent) {}

FeedWorker::~FeedWorker() {
    stop();
}

bool FeedWorker::fetch(std::u16string videoId, FeedOptions options, Answer answer) {
    if (busy() || !answer) {
        return false;
    }
    m_answer = std::move(answer);
    m_cancel = std::make_unique<FeedCancel>();
    options.cancel = m_cancel.get();
    const std::uint64_t ticket = ++m_ticket;
    // The thread reads only what it was given; its answer reaches the GUI thread as a queued
    // call on this object, which outlives the thread (stop() joins it first).
    m_thread = std::thread([this, ticket, videoId = std::move(videoId), options] {
        std::u16string feedText;
        std::u16string diagnostic;
        const FeedResult result = FetchVideoFeed(videoId, &feedText, options, &diagnostic);
        QMetaObject::invokeMethod(
            this,
            [this, ticket, result, feedText = std::move(feedText),
             diagnostic = std::move(diagnostic)]() mutable {
                finish(ticket, result, std::move(feedText), diagnostic);
            },
            Qt::QueuedConnection);
    });
    emit busyChanged(true);
    return true;
}

void FeedWorker::finish(std::uint64_t ticket, FeedResult result, std::u16string feedText,
                        const std::u16string& diagnostic) {
    if (ticket != m_ticket || !busy()) {
        return; // abandoned
    }
    if (result == FeedResult::TransferFailed) {
        qCWarning(lcFeed).noquote() << QString::fromStdU16String(diagnostic);
    }
    m_thread.join(); // it has posted this call and is returning
    m_cancel.reset();
    Answer answer = std::exchange(m_answer, nullptr);
    emit busyChanged(false);
    answer(result, std::move(feedText));
}

void FeedWorker::abandon() {
    if (stop()) {
        emit busyChanged(false);
    }
}

bool FeedWorker::stop() {
    if (!busy()) {
        return false;
    }
    m_cancel->cancel();
    m_thread.join();
    m_cancel.reset();
    m_answer = nullptr;
    ++m_ticket;
    return true;
}

} // namespace kestrova
