#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrova::cp932 {

// Code page 932 (Windows-31J, Shift_JIS with the Microsoft extensions) without touching the
// process locale. The mappings come from glibc's iconv once, into tables, so converting a
// large text is a table look-up per unit rather than a library call per unit.

// The bytes of one UTF-16 unit; size 0 when the code page has no mapping for it (lone
// surrogates and each half of a pair included).
struct UnitBytes {
    std::uint8_t size;
    unsigned char bytes[2];
};
UnitBytes EncodeUnit(char16_t unit);
// The unit that the bytes of one character decode to; U+FFFD when they are no character of
// the code page (size 0 included).
char16_t DecodeUnit(const UnitBytes& bytes);

// Whole-text conversions. Encoding writes `replacement` for each unit without a mapping and
// tells through `lossless` whether any was needed. Decoding turns each byte sequence the code
// page does not define into U+FFFD.
std::string Encode(std::u16string_view text, char replacement = '?', bool* lossless = nullptr);
std::u16string Decode(std::string_view bytes);

} // namespace kestrova::cp932
