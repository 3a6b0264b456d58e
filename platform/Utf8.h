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

// A replacement for every UTF-16 unit, indexed by the unit.
using UnitMap = std::array<char16_t, 0x10000>;

// DecodeUtf8 followed by `map` on every unit (each half of a surrogate pair alone), in one
// pass and without the intermediate text.
std::u16string DecodeUtf8Mapped(std::string_view bytes, const UnitMap& map);

// Appends one code point (at most U+10FFFF, not a surrogate): a unit, or a surrogate pair.
void AppendUtf16(std::u16string& out, char32_t codePoint);

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string EncodeUtf8(std::u16string_view text);

} // namespace kestrova
