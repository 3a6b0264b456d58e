#include "text/Utf8.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
    char32_t codePoint; // kReplacement for an ill-formed subpart
    std::size_t end;    // where the next sequence starts
    bool wellFormed = true;
};

// The sequence whose lead byte (0x80 or above) is at `i`, by the full rules. An ill-formed
// one ends at the first byte that cannot continue it; that byte starts afresh.
Sequence decodeAnySequence(const unsigned char* s, std::size_t i, std::size_t n) {
    const LeadByte lead = classify(s[i]);
    std::size_t j = i + 1;
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
    return {wellFormed ? cp : char32_t(kReplacement), j, wellFormed};
}

bool isContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// The same, small enough to inline: the common well-formed forms are tried first (two bytes,
// and three bytes whose lead byte allows every continuation; E0 and ED restrict the first).
inline Sequence decodeSequence(const unsigned char* s, std::size_t i, std::size_t n) {
    const unsigned char b = s[i];
    if (b >= 0xE1 && b <= 0xEF && b != 0xED && i + 2 < n && isContinuation(s[i + 1]) &&
        isContinuation(s[i + 2])) {
        return {char32_t(b & 0x0F) << 12 | char32_t(s[i + 1] & 0x3F) << 6 | (s[i + 2] & 0x3F),
                i + 3};
    }
    if (b >= 0xC2 && b <= 0xDF && i + 1 < n && isContinuation(s[i + 1])) {
        return {char32_t(b & 0x1F) << 6 | (s[i + 1] & 0x3F), i + 2};
    }
    return decodeAnySequence(s, i, n);
}

// DecodeUtf8Mapped works through blocks of this many bytes. No form yields more units than
// it has bytes, and the last form of a block reaches at most three bytes beyond it.
constexpr std::size_t kBlockBytes = 8192;
constexpr std::size_t kBlockSlack = 3;

// The number of units DecodeUtf8 gives for well-formed text: one per byte that is not a
// continuation byte, and one more for each four-byte form. Ill-formed text may differ.
std::size_t unitCountIfWellFormed(const unsigned char* s, std::size_t n) {
    std::size_t count = 0;
    std::size_t i = 0;
#if defined(__SSE2__)
    // As signed bytes, continuation bytes are -128 to -65 and four-byte leads (F0 on) -16 to -1.
    // Each comparison gives -1 per matching byte; the byte counters are summed up before any
    // of them can overflow (255 blocks).
    const __m128i lastContinuation = _mm_set1_epi8(-65);
    const __m128i beforeFourByteLead = _mm_set1_epi8(-17);
    const __m128i zero = _mm_setzero_si128();
    while (i + 16 <= n) {
        __m128i counters = zero;
        for (int round = 0; round < 255 && i + 16 <= n; ++round, i += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
            const __m128i starts = _mm_cmpgt_epi8(bytes, lastContinuation);
            const __m128i fourByteLeads = _mm_and_si128(_mm_cmpgt_epi8(bytes, beforeFourByteLead),
                                                        _mm_cmplt_epi8(bytes, zero));
            counters = _mm_sub_epi8(counters, _mm_add_epi8(starts, fourByteLeads));
        }
        const __m128i sums = _mm_sad_epu8(counters, zero);
        count += std::size_t(_mm_cvtsi128_si32(sums)) +
                 std::size_t(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
    }
#endif
    for (; i < n; ++i) {
        count += !isContinuation(s[i]);
        count += s[i] >= 0xF0;
    }
    return count;
}

bool mapsAsciiToItself(const UnitMap& map) {
    for (char16_t c = 0; c < 0x80; ++c) {
        if (map[c] != c) {
            return false;
        }
    }
    return true;
}

// Widens the ASCII bytes at the start of `s` (at least one) into `out`; returns how many.
// May write units past them, but never more than `n`.
std::size_t copyAsciiRun(const unsigned char* s, std::size_t n, char16_t* out) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(bytes, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(bytes, zero));
        if (const int high = _mm_movemask_epi8(bytes)) {
            return i + std::size_t(__builtin_ctz(unsigned(high)));
        }
    }
#endif
    for (; i < n && s[i] < 0x80; ++i) {
        out[i] = s[i];
    }
    return i;
}

// Decodes the forms that start in s[i, blockEnd) (the last may run on to n) into `out`, mapped;
// returns the end of the units written. Nothing written can alias the input or the map, which
// the restrict qualifiers let the compiler rely on.
char16_t* decodeBlock(const unsigned char* __restrict s, std::size_t n, std::size_t& i,
                      std::size_t blockEnd, const char16_t* __restrict map, bool asciiUnchanged,
                      char16_t* __restrict out) {
    char16_t* o = out;
    while (i < blockEnd) {
        if (s[i] < 0x80) {
            if (asciiUnchanged) {
                const std::size_t run = copyAsciiRun(s + i, blockEnd - i, o);
                i += run;
                o += run;
            } else {
                *o++ = map[s[i++]];
            }
            continue;
        }
        do {
            const Sequence sequence = decodeSequence(s, i, n);
            if (sequence.codePoint < 0x10000) {
                *o++ = map[sequence.codePoint];
            } else {
                const char32_t offset = sequence.codePoint - 0x10000;
                *o++ = map[0xD800 + (offset >> 10)];
                *o++ = map[0xDC00 + (offset & 0x3FF)];
            }
            i = sequence.end;
        } while (i < blockEnd && s[i] >= 0x80);
    }
    return o;
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
        const Sequence sequence = decodeSequence(s, i, n);
        AppendUtf16(out, sequence.codePoint);
        i = sequence.end;
    }
    return out;
}

std::u16string DecodeUtf8Mapped(std::string_view bytes, const UnitMap& map) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::u16string out;
    // Exact for well-formed text, so a large result is allocated once and at its size.
    out.reserve(unitCountIfWellFormed(s, n));
    const bool asciiUnchanged = mapsAsciiToItself(map);
    // Decoded block by block into a buffer that stays in the cache, then appended: the result
    // is written once, never zero-filled first.
    std::array<char16_t, kBlockBytes + kBlockSlack> block;
    for (std::size_t i = 0; i < n;) {
        const std::size_t blockEnd = std::min(n, i + kBlockBytes);
        const char16_t* end =
            decodeBlock(s, n, i, blockEnd, map.data(), asciiUnchanged, block.data());
        out.append(block.data(), std::size_t(end - block.data()));
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
        const Sequence sequence = decodeSequence(s, i, n);
        if (!sequence.wellFormed) {
            scan.wellFormed = false;
            return scan;
        }
        scan.hasLongSequence = scan.hasLongSequence || sequence.end - i >= 3;
        i = sequence.end;
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
