#include "platform/Utf8.h"

namespace kestrova {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

constexpr unsigned char pick(bool condition, int yes, int no) {
    return static_cast<unsigned char>(condition ? yes : no);
}

struct LeadByte {
    int trailCount;      // 0: not a lead byte
    char32_t bits;       // the lead byte's payload
    unsigned char lower; // range of the first trail byte; excludes over-long and surrogate forms
    unsigned char upper;
};

LeadByte classify(unsigned char b) {
    if (b >= 0xC2 && b <= 0xDF) {
        return {1, char32_t(b & 0x1F), 0x80, 0xBF};
    }
    if (b >= 0xE0 && b <= 0xEF) {
        return {2, char32_t(b & 0x0F), pick(b == 0xE0, 0xA0, 0x80), pick(b == 0xED, 0x9F, 0xBF)};
    }
    if (b >= 0xF0 && b <= 0xF4) {
        return {3, char32_t(b & 0x07), pick(b == 0xF0, 0x90, 0x80), pick(b == 0xF4, 0x8F, 0xBF)};
    }
    return {0, 0, 0, 0};
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(char(cp));
    } else if (cp < 0x800) {
        out.push_back(char(0xC0 | (cp >> 6)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(char(0xE0 | (cp >> 12)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (cp >> 18)));
        out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    }
}

struct Sequence {
    std::size_t length; // bytes taken: the whole sequence, or its maximal ill-formed subpart
    char32_t codePoint; // valid only when wellFormed
    bool wellFormed;
};

// The sequence at s[0] (n > 0 bytes left). An ill-formed one ends at the first byte that
// cannot continue it, which then starts afresh.
Sequence readSequence(const unsigned char* s, std::size_t n) {
    if (s[0] < 0x80) {
        return {1, s[0], true};
    }
    const LeadByte lead = classify(s[0]);
    std::size_t j = 1;
    char32_t cp = lead.bits;
    unsigned char lower = lead.lower;
    unsigned char upper = lead.upper;
    int taken = 0;
    for (; taken < lead.trailCount && j < n && s[j] >= lower && s[j] <= upper; ++taken, ++j) {
        cp = (cp << 6) | (s[j] & 0x3F);
        lower = 0x80;
        upper = 0xBF;
    }
    const bool wellFormed = lead.trailCount != 0 && taken == lead.trailCount;
    return {j, cp, wellFormed};
}

} // namespace

void AppendUtf16(std::u16string& out, char32_t codePoint) {
    if (codePoint < 0x10000) {
        out.push_back(char16_t(codePoint));
        return;
    }
    codePoint -= 0x10000;
    out.push_back(char16_t(0xD800 + (codePoint >> 10)));
    out.push_back(char16_t(0xDC00 + (codePoint & 0x3FF)));
}

std::u16string DecodeUtf8(std::string_view bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::u16string out;
    out.reserve(n);
    std::size_t i = 0;
    while (i < n) {
        if (s[i] < 0x80) {
            out.push_back(s[i++]);
            continue;
        }
        const Sequence sequence = readSequence(s + i, n - i);
        if (sequence.wellFormed) {
            AppendUtf16(out, sequence.codePoint);
        } else {
            out.push_back(kReplacement);
        }
        i += sequence.length;
    }
    return out;
}

Utf8Scan ScanUtf8(std::string_view bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    Utf8Scan scan;
    std::size_t i = 0;
    while (i < n) {
        if (s[i] < 0x80) {
            ++i;
            continue;
        }
        scan.ascii = false;
        const Sequence sequence = readSequence(s + i, n - i);
        if (!sequence.wellFormed) {
            scan.wellFormed = false;
            return scan;
        }
        scan.hasLongSequence = scan.hasLongSequence || sequence.length >= 3;
        i += sequence.length;
    }
    return scan;
}

std::string EncodeUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    EncodeUtf8(text, out);
    return out;
}

void EncodeUtf8(std::u16string_view text, std::string& out) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t u = text[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            appendUtf8(out, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            appendUtf8(out, kReplacement);
        } else {
            appendUtf8(out, u);
        }
    }
}

} // namespace kestrova
