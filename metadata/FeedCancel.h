#pragma once

#include <curl/curl.h>
#include <mutex>

namespace kestrova {

// Lets another thread stop a running FetchVideoFeed at once, whatever the server or the
// network is doing: the fetch then returns FeedResult::TransferFailed. A token cancelled
// before its fetch begins makes that fetch return at once without a request. One fetch at a
// time.
class FeedCancel {
public:
    // Any thread; also wakes the transfer from its wait.
    void cancel();
    bool cancelled() const;

    // The transfer loop registers its multi handle while it waits; false once cancelled.
    bool attach(CURLM* multi);
    void detach();

private:
    mutable std::mutex m_mutex;
    bool m_cancelled = false;
    CURLM* m_multi = nullptr;
};

// Runs the configured easy handle to its end like curl_easy_perform, but waits on a multi
// handle that FeedCancel::cancel wakes, so a cancel never waits for a silent server (libcurl's
// progress callback runs only about once a second then). CURLE_ABORTED_BY_CALLBACK when
// cancelled.
CURLcode PerformCancellable(CURL* curl, FeedCancel& cancel);

} // namespace kestrova
