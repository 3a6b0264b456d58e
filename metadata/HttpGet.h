#pragma once

#include <chrono>
#include <cstddef>
#include <curl/curl.h>
#include <string>

namespace kestrova {

class FeedCancel;

struct HttpGetOptions {
    // The protocols the request and every redirect may use, as libcurl lists them.
    std::string protocols = "http,https";
    std::chrono::milliseconds connectTimeout{std::chrono::seconds(10)};
    std::chrono::milliseconds totalTimeout{std::chrono::seconds(30)};
    // No byte for this long ends the transfer; zero for no such limit.
    std::chrono::milliseconds stallTimeout{0};
    // A larger body ends the transfer.
    std::size_t maxBodyBytes = 16 * 1024 * 1024;
    // When given, another thread can stop the transfer at once through it.
    FeedCancel* cancel = nullptr;
};

struct HttpGetOutcome {
    enum class Result {
        Ok,             // the body of a 200 answer is in `body`
        StatusNotOk,    // the final status was not 200; its body was not read
        TransferFailed, // connect, read, time-out, size cap, bad address, cancel
    };
    Result result = Result::TransferFailed;
    long status = 0;
    // On TransferFailed: libcurl's error number and the text of the error it ended with.
    int errorCode = 0;
    std::string errorText;
    std::string body;
};

// One HTTP GET of `url` (redirects followed, at most 10), with the program's user agent. Only
// a final 200 counts; its body is read whole. Blocks until the transfer ends; safe to call
// from several threads.
HttpGetOutcome HttpGet(const std::string& url, const HttpGetOptions& options);

} // namespace kestrova
