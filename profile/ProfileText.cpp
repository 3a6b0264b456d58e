#include "profile/ProfileText.h"

#include <algorithm>
#include <climits>

namespace kestrova::profile_text {

namespace {

bool isQuote(char16_t c) {
    return c == u'"' || c == u'\'';
}

char16_t folded(char16_t c) {
    return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c;
}

} // namespace

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

std::u16string_view trim(std::u16string_view s) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

std::u16string_view unquote(std::u16string_view s) {
    if (s.size() >= 2 && isQuote(s.front()) && s.back() == s.front()) {
        return s.substr(1, s.size() - 2);
    }
    return s;
}

std::u16string cutToBuffer(std::u16string_view s, std::size_t bufferSize) {
    if (bufferSize == 0) {
        return {};
    }
    std::size_t n = std::min(s.size(), bufferSize - 1);
    const auto isHigh = [](char16_t c) { return c >= 0xD800 && c <= 0xDBFF; };
    const auto isLow = [](char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; };
    if (n > 0 && n < s.size() && isHigh(s[n - 1]) && isLow(s[n])) {
        --n;
    }
    return std::u16string(s.substr(0, n));
}

int leadingInteger(std::u16string_view text, int defaultValue) {
    const bool negative = text.starts_with(u'-');
    if (negative || text.starts_with(u'+')) {
        text.remove_prefix(1);
    }
    if (text.empty() || text.front() < u'0' || text.front() > u'9') {
        return defaultValue;
    }
    long long magnitude = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') {
            break;
        }
        magnitude = std::min(magnitude * 10 + (c - u'0'), (long long)INT_MAX + 1);
    }
    const long long value = negative ? -magnitude : magnitude;
    return int(std::clamp(value, (long long)INT_MIN, (long long)INT_MAX));
}

bool sameName(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](auto x, auto y) {
               return folded(x) == folded(y);
           });
}

std::size_t NameHash::operator()(std::u16string_view s) const noexcept {
    std::size_t hash = 14695981039346656037ull; // FNV-1a
    for (const char16_t c : s) {
        hash = (hash ^ folded(c)) * 1099511628211ull;
    }
    return hash;
}

std::u16string_view withoutLineBreaks(std::u16string_view s, std::u16string& storage) {
    const auto isBreak = [](char16_t c) { return c == u'\r' || c == u'\n'; };
    if (std::none_of(s.begin(), s.end(), isBreak)) {
        return s;
    }
    storage.assign(s);
    std::replace_if(storage.begin(), storage.end(), isBreak, u' ');
    return storage;
}

std::u16string_view quoteFor(std::u16string_view value) {
    const bool needsQuotes = !value.empty() && (isBlank(value.front()) || isBlank(value.back()) ||
                                                unquote(value).size() != value.size());
    return needsQuotes ? u"\"" : u"";
}

bool namesReadBack(std::u16string_view section, std::u16string_view key) {
    const bool keyStartsOtherLine =
        !key.empty() && (key.front() == u'[' || key.front() == u';' || key.front() == u'#');
    return trim(section).size() == section.size() && section.find(u']') == section.npos &&
           trim(key).size() == key.size() && !keyStartsOtherLine && key.find(u'=') == key.npos;
}

} // namespace kestrova::profile_text
