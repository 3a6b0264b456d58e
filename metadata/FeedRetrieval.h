#pragma once

#include "res/Texts.h"

#include <chrono>
#include <cstddef>
#include <string>

namespace kestrova {

class FeedCancel;

// What FetchVideoFeed ended with. The numbers are the Windows program's result codes; callers
// only tell Ok from the rest.
enum class FeedResult : int {
    Ok = 0,             // the feed text is in the output (maybe empty)
    StatusNotOk = 1,    // the final HTTP status was not 200; body not read
    NoOutput = 2,       // no output string was given
    TransferFailed = 3, // connect, read, time-out, size cap, bad address
};

struct FeedOptions {
    // The percent-encoded video ID is appended to this.
    std::string urlPrefix{texts::kDefaultFeedUrl};
    std::chrono::milliseconds connectTimeout{std::chrono::seconds(10)};
    std::chrono::milliseconds totalTimeout{std::chrono::seconds(30)};
    // A larger body ends the transfer.
    std::size_t maxBodyBytes = 16 * 1024 * 1024;
    // When given, another thread can stop the fetch at once through it.
    FeedCancel* cancel = nullptr;
};

// Sends one HTTP GET for the video's feed entry (redirects followed) and turns the whole body
// into the feed text: zero bytes dropped, then what Utf8ToWide -> WideToJapaneseMultiByte ->
// AnsiToWide give, in one pass (BodyToFeedText). The output is emptied first, so it is empty
// after every result but Ok. On TransferFailed `diagnostic`, when given, receives the error
// number and text of the error the transfer ended with (texts::kFeedExceptionFormat); the core
// shows it nowhere. Blocks until the transfer ends; safe to call from several threads.
FeedResult FetchVideoFeed(std::u16string videoId, std::u16string* out,
                          const FeedOptions& options = {}, std::u16string* diagnostic = nullptr);

} // namespace kestrova
