#include "metadata/TextConversions.h"

#include "text/Cp932.h"
#include "text/Utf8.h"

#include <memory>
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

// The UTF-8 forms of U+FEFF and U+FFFE.
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf8SwappedByteOrderMark = "\xEF\xBF\xBE";

// Each unit as WideToJapaneseMultiByte and AnsiToWide leave it: encoded alone, then decoded.
// No code page 932 character is a lone lead byte, so the bytes of one unit never join with
// the next unit's: the round trip of a text is the round trip of each unit.
UnitMap buildRoundTrip() {
    UnitMap map{};
    for (std::uint32_t unit = 0; unit < map.size(); ++unit) {
        const cp932::UnitBytes bytes = cp932::EncodeUnit(char16_t(unit));
        map[unit] = bytes.size == 0 ? u' ' : cp932::DecodeUnit(bytes);
    }
    return map;
}

const UnitMap& roundTrip() {
    static const auto map = std::make_unique<const UnitMap>(buildRoundTrip());
    return *map;
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

std::u16string BodyToFeedText(std::string_view body) {
    body = upToFirstZero(body);
    if (body.starts_with(kUtf8ByteOrderMark) || body.starts_with(kUtf8SwappedByteOrderMark)) {
        body.remove_prefix(kUtf8ByteOrderMark.size());
    }
    try {
        return DecodeUtf8Mapped(body, roundTrip());
    } catch (const std::bad_alloc&) {
        return {}; // as the three steps give when storage runs out
    }
}

} // namespace kestrova
