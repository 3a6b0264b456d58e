#pragma once

#include <array>
#include <string>
#include <string_view>

namespace kestrova {

// A conforming UTF-8 decoder: four-byte forms become surrogate pairs; every invalid,
// truncated, over-long or surrogate-encoding sequence becomes one U+FFFD per maximal
// ill-formed subpart, and the bytes after it are decoded normally. A byte-order mark is
// decoded like any character (U+FEFF); skipping it is the caller's decision.
std::u16string DecodeUtf8(std::string_view bytes);

// What a byte sequence is as UTF-8: pure ASCII, well-formed, and whether it holds a sequence
// of three or four bytes (as every Japanese character in UTF-8 is). A scan stops at the first
// ill-formed sequence.
struct Utf8Scan {
    bool ascii = true;
    bool wellFormed = true;
    bool hasLongSequence = false;
};
Utf8Scan ScanUtf8(std::string_view bytes);

// A replacement for every UTF-16 unit, indexed by the unit.
using UnitMap = std::array<char16_t, 0x10000>;

// DecodeUtf8 followed by `map` on every unit (each half of a surrogate pair alone), in one
// pass and without the intermediate text.
std::u16string DecodeUtf8Mapped(std::string_view bytes, const UnitMap& map);

// Appends one code point (at most U+10FFFF, not a surrogate): a unit, or a surrogate pair.
void AppendUtf16(std::u16string& out, char32_t codePoint);

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD. The second form appends to out.
std::string EncodeUtf8(std::u16string_view text);
void EncodeUtf8(std::u16string_view text, std::string& out);

} // namespace kestrova
