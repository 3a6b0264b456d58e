#include "metadata/HttpGet.h"

#include "metadata/CurlLibrary.h"
#include "metadata/FeedCancel.h"
#include "res/Texts.h"

#include <cstring>
#include <memory>
#include <string_view>

namespace kestrova {

namespace {

constexpr long kMaxRedirects = 10;
constexpr long kStatusOk = 200;

struct CurlCleanup {
    void operator()(CURL* curl) const { Curl()->easy_cleanup(curl); }
};
using CurlHandle = std::unique_ptr<CURL, CurlCleanup>;

struct Transfer {
    Transfer(CURL* handle, std::size_t cap)
        : curl(handle)
        , maxBodyBytes(cap) {}

    CURL* curl;
    std::size_t maxBodyBytes;
    // libcurl keeps the first error text of the whole transfer, including one it recovered
    // from (a reused connection that had died); a later answer makes that text stale.
    char errorBuffer[CURL_ERROR_SIZE] = {};
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
    if (n > t.maxBodyBytes - t.body.size()) {
        t.capExceeded = true;
        return 0;
    }
    t.body.append(data, n);
    return n;
}

// Sets options until libcurl refuses one; that one is named in the error. Every option carries
// a promise of the request (the protocol allow-list, the time-outs, the callbacks that enforce
// the status rule and the size cap), so a refused one stops the request unsent.
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

Options configure(CURL* curl, const std::string& url, const HttpGetOptions& options,
                  Transfer& transfer) {
    Options o(curl);
    KESTROVA_SET(o, CURLOPT_URL, url.c_str());
    // Sent as encoded: newer libcurl would otherwise read an ID's "%2E%2E" as a step up.
    KESTROVA_SET(o, CURLOPT_PATH_AS_IS, 1L);
    KESTROVA_SET(o, CURLOPT_USERAGENT, std::string(texts::kUserAgent).c_str());
    KESTROVA_SET(o, CURLOPT_PROTOCOLS_STR, options.protocols.c_str());
    KESTROVA_SET(o, CURLOPT_REDIR_PROTOCOLS_STR, options.protocols.c_str());
    KESTROVA_SET(o, CURLOPT_FOLLOWLOCATION, 1L);
    KESTROVA_SET(o, CURLOPT_MAXREDIRS, kMaxRedirects);
    KESTROVA_SET(o, CURLOPT_CONNECTTIMEOUT_MS, long(options.connectTimeout.count()));
    KESTROVA_SET(o, CURLOPT_TIMEOUT_MS, long(options.totalTimeout.count()));
    if (options.stallTimeout.count() > 0) {
        const long seconds = long(std::max<std::int64_t>(
            1, std::chrono::duration_cast<std::chrono::seconds>(options.stallTimeout).count()));
        KESTROVA_SET(o, CURLOPT_LOW_SPEED_LIMIT, 1L);
        KESTROVA_SET(o, CURLOPT_LOW_SPEED_TIME, seconds);
    }
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

HttpGetOutcome failed(CURLcode code, const char* text) {
    HttpGetOutcome outcome;
    outcome.errorCode = int(code);
    outcome.errorText = text && *text ? text
                        : Curl()      ? Curl()->easy_strerror(code)
                                      : "libcurl cannot be loaded";
    return outcome;
}

HttpGetOutcome statusNotOk(long status) {
    HttpGetOutcome outcome;
    outcome.result = HttpGetOutcome::Result::StatusNotOk;
    outcome.status = status;
    return outcome;
}

} // namespace

HttpGetOutcome HttpGet(const std::string& url, const HttpGetOptions& options) {
    const CurlLibrary* library = Curl();
    const CurlHandle curl(library ? library->easy_init() : nullptr);
    if (!curl)
        return failed(CURLE_FAILED_INIT, nullptr);
    Transfer transfer(curl.get(), options.maxBodyBytes);
    const Options set = configure(curl.get(), url, options, transfer);
    if (set.result() != CURLE_OK)
        return failed(set.result(), set.refusal().c_str());

    const CURLcode result = options.cancel ? PerformCancellable(curl.get(), *options.cancel)
                                           : Curl()->easy_perform(curl.get());
    if (transfer.statusRejected)
        return statusNotOk(responseCode(curl.get()));
    if (transfer.capExceeded)
        return failed(CURLE_FILESIZE_EXCEEDED, nullptr);
    if (result != CURLE_OK)
        return failed(result, transfer.errorBuffer);
    if (const long status = responseCode(curl.get()); status != kStatusOk)
        return statusNotOk(status);
    HttpGetOutcome outcome;
    outcome.result = HttpGetOutcome::Result::Ok;
    outcome.status = kStatusOk;
    outcome.body = std::move(transfer.body);
    return outcome;
}

} // namespace kestrova
