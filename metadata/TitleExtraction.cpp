#include "metadata/TitleExtraction.h"

#include "text/Utf8.h"

#include <algorithm>
#include <array>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <optional>
#include <string_view>

namespace kestrova {

namespace {

constexpr std::u16string_view kOpeningMarker = u"<title";
constexpr std::u16string_view kEndOfTagMarker = u">";
constexpr std::u16string_view kClosingMarker = u"</title>";
constexpr char32_t kMaxCodePoint = 0x10FFFF;
// Longer than any reference worth decoding ("#x10FFFF" with a few leading zeros); bounding the
// search for ";" keeps a title full of bare "&" linear.
constexpr std::size_t kMaxReferenceLength = 16;

struct Entity {
    std::u16string_view name; // between "&" and ";"
    char16_t unit;
};
constexpr std::array<Entity, 5> kEntities = {{
    {u"amp", u'&'},
    {u"lt", u'<'},
    {u"gt", u'>'},
    {u"quot", u'"'},
    {u"apos", u'\''},
}};

int digitValue(char16_t c, int base) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (base == 16 && c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    if (base == 16 && c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    return -1;
}

// The code point of a numeric reference body such as "#123" or "#x1F600"; none when it is
// malformed or names no character (zero, a surrogate, beyond U+10FFFF).
std::optional<char32_t> parseNumericReference(std::u16string_view body) {
    if (body.size() < 2 || body[0] != u'#') {
        return std::nullopt;
    }
    const int base = body[1] == u'x' ? 16 : 10;
    const std::u16string_view digits = body.substr(base == 16 ? 2 : 1);
    if (digits.empty()) {
        return std::nullopt;
    }
    char32_t value = 0;
    for (const char16_t c : digits) {
        const int d = digitValue(c, base);
        if (d < 0) {
            return std::nullopt;
        }
        value = value * base + char32_t(d);
        if (value > kMaxCodePoint) {
            return std::nullopt;
        }
    }
    if (value == 0 || (value >= 0xD800 && value <= 0xDFFF)) {
        return std::nullopt;
    }
    return value;
}

// Appends the decoded reference `body` (the text between "&" and ";"); false when it is none.
bool appendReference(std::u16string& out, std::u16string_view body) {
    for (const Entity& e : kEntities) {
        if (body == e.name) {
            out.push_back(e.unit);
            return true;
        }
    }
    if (const auto cp = parseNumericReference(body)) {
        AppendUtf16(out, *cp);
        return true;
    }
    return false;
}

// Decodes in one pass, so "&amp;lt;" becomes "&lt;" and not "<". Stops once `limit` units are
// out (a reference may take it one unit beyond).
std::u16string decodeReferences(std::u16string_view text, std::size_t limit) {
    std::u16string out;
    out.reserve(std::min(text.size(), limit));
    std::size_t i = 0;
    while (i < text.size() && out.size() < limit) {
        const std::size_t amp = text.find(u'&', i);
        out.append(text.substr(i, std::min(amp - i, limit - out.size())));
        if (amp == std::u16string_view::npos || out.size() == limit) {
            break;
        }
        const std::u16string_view rest = text.substr(amp + 1, kMaxReferenceLength + 1);
        const std::size_t semicolon = rest.find(u';');
        if (semicolon != std::u16string_view::npos &&
            appendReference(out, rest.substr(0, semicolon))) {
            i = amp + 1 + semicolon + 1;
        } else {
            out.push_back(u'&');
            i = amp + 1;
        }
    }
    return out;
}

// Where the two units `first`, `second` stand side by side, at or after `from`; npos when
// nowhere. Feed texts run to megabytes with the title last: testing eight places at once, and
// both units before comparing a marker, is what keeps the extraction fast.
std::size_t findPair(std::u16string_view text, char16_t first, char16_t second, std::size_t from) {
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i wantedFirst = _mm_set1_epi16(static_cast<short>(first));
    const __m128i wantedSecond = _mm_set1_epi16(static_cast<short>(second));
    for (; i + 9 <= text.size(); i += 8) {
        const auto* at = reinterpret_cast<const __m128i*>(text.data() + i);
        const __m128i firsts = _mm_cmpeq_epi16(_mm_loadu_si128(at), wantedFirst);
        const __m128i seconds = _mm_cmpeq_epi16(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i + 1)), wantedSecond);
        if (const int hits = _mm_movemask_epi8(_mm_and_si128(firsts, seconds))) {
            return i + std::size_t(__builtin_ctz(unsigned(hits))) / 2;
        }
    }
#endif
    for (; i + 1 < text.size(); ++i) {
        if (text[i] == first && text[i + 1] == second) {
            return i;
        }
    }
    return std::u16string_view::npos;
}

// The first `marker` (two units or more) at or after `from`.
std::size_t findMarker(std::u16string_view text, std::u16string_view marker, std::size_t from) {
    for (std::size_t at = findPair(text, marker[0], marker[1], from);
         at != std::u16string_view::npos; at = findPair(text, marker[0], marker[1], at + 1)) {
        if (text.substr(at, marker.size()) == marker) {
            return at;
        }
    }
    return std::u16string_view::npos;
}

// The title's text in the feed, before its references are decoded; none without the markers.
std::optional<std::u16string_view> findTitle(std::u16string_view feed) {
    const std::size_t opening = findMarker(feed, kOpeningMarker, 0);
    if (opening == std::u16string_view::npos) {
        return std::nullopt;
    }
    const std::size_t endOfTag = feed.find(kEndOfTagMarker, opening);
    if (endOfTag == std::u16string_view::npos) {
        return std::nullopt;
    }
    const std::size_t start = endOfTag + kEndOfTagMarker.size();
    // Searched from the title's start, so a stray closing tag earlier in the text cannot hide
    // the title.
    const std::size_t closing = findMarker(feed, kClosingMarker, start);
    if (closing == std::u16string_view::npos) {
        return std::nullopt;
    }
    return feed.substr(start, closing - start);
}

bool isHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

} // namespace

std::u16string ExtractTitle(std::u16string text) {
    const auto title = findTitle(text);
    return title ? decodeReferences(*title, std::u16string_view::npos) : std::u16string();
}

std::u16string TakeTitle(std::u16string_view feedText) {
    const auto found = findTitle(feedText);
    if (!found) {
        return {};
    }
    // One unit more than is kept tells whether anything is cut off.
    std::u16string title = decodeReferences(*found, kTitleUnitLimit + 1);
    if (title.size() > kTitleUnitLimit) {
        title.resize(kTitleUnitLimit);
        if (isHighSurrogate(title.back())) {
            title.pop_back();
        }
    }
    return title;
}

} // namespace kestrova
