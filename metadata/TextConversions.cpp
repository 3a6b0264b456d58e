#include "metadata/TextConversions.h"

#include "platform/Cp932.h"
#include "platform/Utf8.h"

#include <new>

namespace kestrova {

namespace {

template <typename Char>
std::basic_string_view<Char> upToFirstZero(std::basic_string_view<Char> text) {
    return text.substr(0, text.find(Char(0)));
}

bool isByteOrderMark(char16_t unit) {
    return unit == 0xFEFF || unit == 0xFFFE;
}

} // namespace

std::optional<std::u16string> Utf8ToWide(std::string_view bytes, std::size_t* count) {
    try {
        std::u16string wide = DecodeUtf8(upToFirstZero(bytes));
        if (count) {
            *count = wide.size();
        }
        return wide;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::optional<std::string> WideToJapaneseMultiByte(std::optional<std::u16string_view> text,
                                                   std::size_t* count) {
    if (!text) {
        return std::nullopt;
    }
    std::u16string_view units = upToFirstZero(*text);
    if (!units.empty() && isByteOrderMark(units.front())) {
        units.remove_prefix(1);
    }
    try {
        std::string bytes = cp932::Encode(units, ' ');
        if (count) {
            *count = bytes.size();
        }
        return bytes;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::u16string AnsiToWide(std::optional<std::string_view> bytes) {
    if (!bytes) {
        return {};
    }
    return cp932::Decode(upToFirstZero(*bytes));
}

} // namespace kestrova
