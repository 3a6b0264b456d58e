#include "service/ServicePlayback.h"

#include "res/Texts.h"

#include <algorithm>
#include <cctype>

namespace kestrova {

namespace {

// The engine's yt-dlp hook takes an address in this form on its first attempt to open it.
constexpr std::string_view kYtdlScheme = "ytdl://";

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

// The host of an http or https address, in lower case; empty for any other address.
std::string httpHost(std::string_view address) {
    std::string_view rest = address;
    if (startsWithNoCase(rest, "https://")) {
        rest.remove_prefix(8);
    } else if (startsWithNoCase(rest, "http://")) {
        rest.remove_prefix(7);
    } else {
        return {};
    }
    // A backslash ends the authority as a slash does, as web browsers read such addresses.
    rest = rest.substr(0, rest.find_first_of("/\\?#"));
    if (const auto at = rest.rfind('@'); at != std::string_view::npos) {
        rest.remove_prefix(at + 1); // user information is no part of the host
    }
    rest = rest.substr(0, rest.find(':'));
    if (rest.ends_with('.')) {
        rest.remove_suffix(1); // the fully qualified form names the same host
    }
    std::string host(rest);
    std::transform(host.begin(), host.end(), host.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return host;
}

// The service's domain: the default player prefix's host without its "www.".
std::string serviceDomain() {
    std::string host = httpHost(texts::kDefaultPlayerUrl);
    return host.starts_with("www.") ? host.substr(4) : host;
}

} // namespace

bool IsServiceAddress(std::string_view address) {
    static const std::string domain = serviceDomain();
    const std::string host = httpHost(address);
    return host == domain || (host.size() > domain.size() && host.ends_with("." + domain));
}

LoadPlan PlanLoad(std::string_view address, const FormatNeeds& needs,
                  std::string_view formatOverride) {
    if (!IsServiceAddress(address)) {
        return {std::string(address), {}};
    }
    return {std::string(kYtdlScheme) + std::string(address),
            formatOverride.empty() ? BuildYtDlpFormat(needs) : std::string(formatOverride)};
}

std::string_view AddressOfLoad(std::string_view url) {
    if (url.starts_with(kYtdlScheme) && IsServiceAddress(url.substr(kYtdlScheme.size()))) {
        url.remove_prefix(kYtdlScheme.size());
    }
    return url;
}

} // namespace kestrova
