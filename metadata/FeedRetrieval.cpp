#include "metadata/FeedRetrieval.h"

#include "metadata/CurlLibrary.h"
#include "metadata/FeedCancel.h"
#include "metadata/TextConversions.h"
#include "text/PercentEncoding.h"
#include "text/TextFormat.h"
#include "text/Utf8.h"

#include <cstring>
#include <curl/curl.h>
#include <memory>
#include <string_view>

namespace kestrova {

namespace {

constexpr long kMaxRedirects = 10;
constexpr std::size_t kMaxDiagnosticText = 511;
constexpr long kStatusOk = 200;

struct CurlCleanup {
    void operator()(CURL* curl) const { Curl()->easy_cleanup(curl); }
};
using CurlHandle = std::unique_ptr<CURL, CurlCleanup>;

CurlHandle makeHandle() {
    const CurlLibrary* curl = Curl();
    return CurlHandle(curl ? curl->easy_init() : nullptr);
}

struct Transfer {
    Transfer(CURL* handle, std::size_t cap)
        : curl(handle)
        , maxBodyBytes(cap) {}

    CURL* curl;
    std::size_t maxBodyBytes;
    // libcurl keeps the first error text of the whole transfer, including one it recovered
    // from (a reused connection that had died); a later answer makes that text stale.
    char errorBuffer[CURL_ERROR_SIZE] = {};
    std::size_t received = 0;
    std::string body;
    bool locationSeen = false; // in the response whose headers are arriving
    bool statusChecked = false;
    bool statusRejected = false;
    bool capExceeded = false;
};

long responseCode(CURL* curl) {
    long code = 0;
    Curl()->easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
    return code;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           strncasecmp(text.data(), prefix.data(), prefix.size()) == 0;
}

// Stops the transfer as soon as the headers of a final answer other than 200 are in, so its
// body is never read. Interim answers (1xx) and redirects libcurl is about to follow pass.
std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto& t = *static_cast<Transfer*>(user);
    const std::string_view line(data, size * count);
    if (startsWithNoCase(line, "HTTP/")) {
        t.locationSeen = false;
        // An answer arrived: whatever failed before was overcome. libcurl writes no further
        // text once it has one, so the diagnostic falls back to the final error's own text.
        t.errorBuffer[0] = '\0';
    } else if (startsWithNoCase(line, "location:")) {
        t.locationSeen = true;
    } else if (line == "\r\n" || line == "\n") {
        const long code = responseCode(t.curl);
        const bool interim = code >= 100 && code < 200;
        const bool followed = code >= 300 && code < 400 && t.locationSeen;
        if (!interim && !followed && code != kStatusOk) {
            t.statusRejected = true;
            return 0;
        }
    }
    return line.size();
}

// Zero bytes are dropped one by one; every other byte is kept.
void appendWithoutZeros(std::string& body, std::string_view bytes) {
    while (!bytes.empty()) {
        const std::size_t zero = bytes.find('\0');
        body.append(bytes.substr(0, zero));
        if (zero == std::string_view::npos) {
            break;
        }
        bytes.remove_prefix(zero + 1);
    }
}

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto& t = *static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    if (!t.statusChecked) {
        t.statusChecked = true;
        if (responseCode(t.curl) != kStatusOk) {
            t.statusRejected = true;
            return 0;
        }
    }
    t.received += n;
    if (t.received > t.maxBodyBytes) {
        t.capExceeded = true;
        return 0;
    }
    appendWithoutZeros(t.body, std::string_view(data, n));
    return n;
}

// Sets options until libcurl refuses one; that one is named in the diagnostic. Every option
// carries a promise of the request (the protocol allow-list, the time-outs, the callbacks that
// enforce the status rule and the size cap), so a refused one stops the request unsent.
class Options {
public:
    explicit Options(CURL* curl)
        : m_curl(curl) {}

    template <typename Value>
    void set(CURLoption option, const char* name, Value value) {
        if (m_result == CURLE_OK) {
            m_result = Curl()->easy_setopt(m_curl, option, value);
            m_refused = name;
        }
    }

    CURLcode result() const { return m_result; }
    std::string refusal() const {
        return std::string(m_refused) + " cannot be set: " + Curl()->easy_strerror(m_result);
    }

private:
    CURL* m_curl;
    CURLcode m_result = CURLE_OK;
    const char* m_refused = "";
};

#define KESTROVA_SET(options, option, value) (options).set(option, #option, value)

Options configure(CURL* curl, const std::string& url, const FeedOptions& options,
                  Transfer& transfer) {
    Options o(curl);
    KESTROVA_SET(o, CURLOPT_URL, url.c_str());
    // Sent as encoded: newer libcurl would otherwise read an ID's "%2E%2E" as a step up.
    KESTROVA_SET(o, CURLOPT_PATH_AS_IS, 1L);
    KESTROVA_SET(o, CURLOPT_USERAGENT, std::string(texts::kUserAgent).c_str());
    KESTROVA_SET(o, CURLOPT_PROTOCOLS_STR, "http,https");
    KESTROVA_SET(o, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    KESTROVA_SET(o, CURLOPT_FOLLOWLOCATION, 1L);
    KESTROVA_SET(o, CURLOPT_MAXREDIRS, kMaxRedirects);
    KESTROVA_SET(o, CURLOPT_CONNECTTIMEOUT_MS, long(options.connectTimeout.count()));
    KESTROVA_SET(o, CURLOPT_TIMEOUT_MS, long(options.totalTimeout.count()));
    // Time-outs must not rely on SIGALRM: the caller may be any thread of a GUI program.
    KESTROVA_SET(o, CURLOPT_NOSIGNAL, 1L);
    KESTROVA_SET(o, CURLOPT_ERRORBUFFER, transfer.errorBuffer);
    KESTROVA_SET(o, CURLOPT_HEADERFUNCTION, onHeader);
    KESTROVA_SET(o, CURLOPT_HEADERDATA, &transfer);
    KESTROVA_SET(o, CURLOPT_WRITEFUNCTION, onBody);
    KESTROVA_SET(o, CURLOPT_WRITEDATA, &transfer);
    return o;
}

#undef KESTROVA_SET

std::u16string composeDiagnostic(int code, std::string_view text) {
    const std::u16string description = DecodeUtf8(text).substr(0, kMaxDiagnosticText);
    return FormatText(texts::kFeedExceptionFormat, {code, description});
}

FeedResult transferFailed(CURLcode code, const char* errorBuffer, std::u16string* diagnostic) {
    const std::string_view text = errorBuffer && *errorBuffer ? errorBuffer
                                  : Curl()                    ? Curl()->easy_strerror(code)
                                                              : "libcurl cannot be loaded";
    if (diagnostic) {
        *diagnostic = composeDiagnostic(int(code), text);
    }
    return FeedResult::TransferFailed;
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
    const CurlHandle curl = makeHandle();
    if (!curl) {
        return transferFailed(CURLE_FAILED_INIT, nullptr, diagnostic);
    }
    const std::string url = options.urlPrefix + PercentEncode(videoId);
    Transfer transfer(curl.get(), options.maxBodyBytes);
    const Options set = configure(curl.get(), url, options, transfer);
    if (set.result() != CURLE_OK) {
        return transferFailed(set.result(), set.refusal().c_str(), diagnostic);
    }

    const CURLcode result = options.cancel ? PerformCancellable(curl.get(), *options.cancel)
                                           : Curl()->easy_perform(curl.get());
    if (transfer.statusRejected) {
        return FeedResult::StatusNotOk;
    }
    if (transfer.capExceeded) {
        return transferFailed(CURLE_FILESIZE_EXCEEDED, nullptr, diagnostic);
    }
    if (result != CURLE_OK) {
        return transferFailed(result, transfer.errorBuffer, diagnostic);
    }
    if (responseCode(curl.get()) != kStatusOk) {
        return FeedResult::StatusNotOk;
    }
    *out = BodyToFeedText(transfer.body);
    return FeedResult::Ok;
}

} // namespace kestrova
