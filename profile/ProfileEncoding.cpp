#include "profile/ProfileEncoding.h"

#include "text/Cp932.h"
#include "text/Utf8.h"

#include <algorithm>

namespace kestrova {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool isAscii(std::u16string_view text) {
    return std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; });
}

bool hasLoneSurrogate(std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool high = text[i] >= 0xD800 && text[i] <= 0xDBFF;
        const bool low = text[i] >= 0xDC00 && text[i] <= 0xDFFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            ++i;
        } else if (high || low) {
            return true;
        }
    }
    return false;
}

bool holdsCp932(std::u16string_view text) {
    bool lossless = false;
    const std::string bytes = cp932::Encode(text, '?', &lossless);
    return lossless && cp932::Decode(bytes) == text;
}

bool isWellFormedCp932(std::string_view bytes) {
    return cp932::Decode(bytes).find(kReplacement) == std::u16string::npos;
}

std::u16string decodeUtf16(std::string_view bytes, bool bigEndian) {
    std::u16string out(bytes.size() / 2, u'\0');
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t i = 0; i < out.size(); ++i) {
        const unsigned first = s[2 * i];
        const unsigned second = s[2 * i + 1];
        out[i] = char16_t(bigEndian ? first << 8 | second : second << 8 | first);
    }
    return out;
}

void encodeUtf16(std::u16string_view text, bool bigEndian, std::string& out) {
    for (const char16_t c : text) {
        const char low = char(c & 0xFF);
        const char high = char(c >> 8);
        out.push_back(bigEndian ? high : low);
        out.push_back(bigEndian ? low : high);
    }
}

} // namespace

// A byte-order mark decides. Without one, a file of ASCII bytes has not committed to anything.
// Otherwise the bytes are UTF-8 only when they are well-formed UTF-8 and hold a sequence of
// three or four bytes, as every Japanese character in UTF-8 is: two-byte sequences alone are
// also what code page 932 makes of half-width katakana ("ﾃｽ" is C3 BD, which reads as "ý"), so
// they prove nothing, unless the bytes cannot be code page 932 at all (Cyrillic in UTF-8
// mostly cannot: the code page has no single byte 80). Everything else is code page 932, what
// the Windows program writes on a Japanese system.
ProfileEncoding ProfileEncoding::detect(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xFE")) {
        return {Kind::Utf16Le, true};
    }
    if (bytes.starts_with("\xFE\xFF")) {
        return {Kind::Utf16Be, true};
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        return {Kind::Utf8, true};
    }
    const Utf8Scan scan = ScanUtf8(bytes);
    if (scan.ascii) {
        return {};
    }
    if (scan.wellFormed && (scan.hasLongSequence || !isWellFormedCp932(bytes))) {
        return {Kind::Utf8, false};
    }
    return {Kind::Cp932, false};
}

// Code page 932 is what the Windows program writes on a Japanese system and what a Linux
// editor still shows the ASCII lines of ([NETWORK] is edited by hand); UTF-16LE with a mark is
// the one encoding the Windows profile functions read as Unicode, whatever the system.
ProfileEncoding ProfileEncoding::forNewText(std::u16string_view text) {
    if (isAscii(text)) {
        return {};
    }
    return holdsCp932(text) ? ProfileEncoding(Kind::Cp932, false)
                            : ProfileEncoding(Kind::Utf16Le, true);
}

std::string_view ProfileEncoding::byteOrderMark() const {
    if (!m_byteOrderMark) {
        return {};
    }
    switch (m_kind) {
    case Kind::Utf16Le:
        return "\xFF\xFE";
    case Kind::Utf16Be:
        return "\xFE\xFF";
    case Kind::Utf8:
        return "\xEF\xBB\xBF";
    case Kind::Ascii:
    case Kind::Cp932:
        break;
    }
    return {};
}

std::size_t ProfileEncoding::unitSize() const {
    return m_kind == Kind::Utf16Le || m_kind == Kind::Utf16Be ? 2 : 1;
}

bool ProfileEncoding::isCharacter(std::string_view bytes, std::size_t at, char c) const {
    switch (m_kind) {
    case Kind::Utf16Le:
        return bytes[at] == c && bytes[at + 1] == '\0';
    case Kind::Utf16Be:
        return bytes[at] == '\0' && bytes[at + 1] == c;
    default:
        return bytes[at] == c;
    }
}

std::size_t ProfileEncoding::find(std::string_view bytes, std::size_t start, std::size_t end,
                                  char c) const {
    if (unitSize() == 1) {
        return std::min(bytes.find(c, start), end);
    }
    for (; start + 2 <= end; start += 2) {
        if (isCharacter(bytes, start, c)) {
            return start;
        }
    }
    return end;
}

std::u16string ProfileEncoding::decode(std::string_view bytes) const {
    switch (m_kind) {
    case Kind::Utf16Le:
    case Kind::Utf16Be:
        return decodeUtf16(bytes, m_kind == Kind::Utf16Be);
    case Kind::Cp932:
        return cp932::Decode(bytes);
    case Kind::Ascii:
    case Kind::Utf8:
        break;
    }
    return DecodeUtf8(bytes);
}

void ProfileEncoding::encode(std::u16string_view text, std::string& out) const {
    switch (m_kind) {
    case Kind::Utf16Le:
    case Kind::Utf16Be:
        encodeUtf16(text, m_kind == Kind::Utf16Be, out);
        return;
    case Kind::Cp932:
        out += cp932::Encode(text, '?');
        return;
    case Kind::Ascii:
    case Kind::Utf8:
        break;
    }
    EncodeUtf8(text, out);
}

bool ProfileEncoding::holds(std::u16string_view text) const {
    switch (m_kind) {
    case Kind::Ascii:
        return isAscii(text);
    case Kind::Utf8:
        return !hasLoneSurrogate(text);
    case Kind::Cp932:
        return holdsCp932(text);
    case Kind::Utf16Le:
    case Kind::Utf16Be:
        break;
    }
    return true;
}

} // namespace kestrova
