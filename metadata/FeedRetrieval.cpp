#include "metadata/FeedRetrieval.h"

#include "metadata/HttpGet.h"
#include "metadata/TextConversions.h"
#include "text/PercentEncoding.h"
#include "text/TextFormat.h"
#include "text/Utf8.h"

#include <string_view>

namespace kestrova {

namespace {

constexpr std::size_t kMaxDiagnosticText = 511;

// Zero bytes are dropped one by one; every other byte is kept.
std::string withoutZeros(std::string_view bytes) {
    std::string kept;
    kept.reserve(bytes.size());
    for (char byte : bytes) {
        if (byte != '\0')
            kept.push_back(byte);
    }
    return kept;
}

std::u16string composeDiagnostic(int code, std::string_view text) {
    const std::u16string description = DecodeUtf8(text).substr(0, kMaxDiagnosticText);
    return FormatText(texts::kFeedExceptionFormat, {code, description});
}

} // namespace

FeedResult FetchVideoFeed(std::u16string videoId, std::u16string* out, const FeedOptions& options,
                          std::u16string* diagnostic) {
    if (!out) {
        return FeedResult::NoOutput;
    }
    out->clear();
    if (diagnostic) {
        diagnostic->clear();
    }
    HttpGetOptions get;
    get.connectTimeout = options.connectTimeout;
    get.totalTimeout = options.totalTimeout;
    get.maxBodyBytes = options.maxBodyBytes;
    get.cancel = options.cancel;
    const HttpGetOutcome outcome = HttpGet(options.urlPrefix + PercentEncode(videoId), get);
    switch (outcome.result) {
    case HttpGetOutcome::Result::StatusNotOk:
        return FeedResult::StatusNotOk;
    case HttpGetOutcome::Result::TransferFailed:
        if (diagnostic) {
            *diagnostic = composeDiagnostic(outcome.errorCode, outcome.errorText);
        }
        return FeedResult::TransferFailed;
    case HttpGetOutcome::Result::Ok:
        break;
    }
    *out = BodyToFeedText(withoutZeros(outcome.body));
    return FeedResult::Ok;
}

} // namespace kestrova
