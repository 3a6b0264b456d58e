#include "metadata/FeedCancel.h"

#include "metadata/CurlLibrary.h"

#include <memory>

namespace kestrova {

namespace {

// The longest wait between two looks at the token; a cancel wakes the wait sooner.
constexpr int kPollMs = 1000;

struct MultiCleanup {
    void operator()(CURLM* multi) const { Curl()->multi_cleanup(multi); }
};
using MultiHandle = std::unique_ptr<CURLM, MultiCleanup>;

CURLcode finishedResult(CURLM* multi) {
    int queued = 0;
    while (const CURLMsg* message = Curl()->multi_info_read(multi, &queued)) {
        if (message->msg == CURLMSG_DONE) {
            return message->data.result;
        }
    }
    return CURLE_FAILED_INIT;
}

CURLcode runUntilDone(CURLM* multi, const FeedCancel& cancel) {
    while (!cancel.cancelled()) {
        int running = 0;
        if (Curl()->multi_perform(multi, &running) != CURLM_OK) {
            return CURLE_FAILED_INIT;
        }
        if (running == 0) {
            return finishedResult(multi);
        }
        if (Curl()->multi_poll(multi, nullptr, 0, kPollMs, nullptr) != CURLM_OK) {
            return CURLE_FAILED_INIT;
        }
    }
    return CURLE_ABORTED_BY_CALLBACK;
}

} // namespace

void FeedCancel::cancel() {
    const std::lock_guard lock(m_mutex);
    m_cancelled = true;
    if (m_multi) {
        Curl()->multi_wakeup(m_multi);
    }
}

bool FeedCancel::cancelled() const {
    const std::lock_guard lock(m_mutex);
    return m_cancelled;
}

bool FeedCancel::attach(CURLM* multi) {
    const std::lock_guard lock(m_mutex);
    m_multi = m_cancelled ? nullptr : multi;
    return m_multi != nullptr;
}

void FeedCancel::detach() {
    const std::lock_guard lock(m_mutex);
    m_multi = nullptr;
}

CURLcode PerformCancellable(CURL* curl, FeedCancel& cancel) {
    // A cancelled transfer still resolving a name would otherwise wait for the resolver thread
    // when the handle goes; with this the resolver finishes and frees itself later. A libcurl
    // older than 7.87 refuses it, and a cancel then only waits for the name to resolve.
    (void)Curl()->easy_setopt(curl, CURLOPT_QUICK_EXIT, 1L);
    const MultiHandle multi(Curl()->multi_init());
    if (!multi || Curl()->multi_add_handle(multi.get(), curl) != CURLM_OK) {
        return CURLE_FAILED_INIT;
    }
    CURLcode result = CURLE_ABORTED_BY_CALLBACK;
    if (cancel.attach(multi.get())) {
        result = runUntilDone(multi.get(), cancel);
        cancel.detach();
    }
    Curl()->multi_remove_handle(multi.get(), curl);
    return result;
}

} // namespace kestrova
