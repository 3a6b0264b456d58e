#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrova::fuzz {

// The input read as little-endian UTF-16 units (an odd last byte is ignored).
inline std::u16string Utf16From(const std::uint8_t* data, std::size_t size) {
    std::u16string text(size / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = char16_t(data[2 * i] | data[2 * i + 1] << 8);
    }
    return text;
}

} // namespace kestrova::fuzz
