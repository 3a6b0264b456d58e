#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrova {

// The text encoding of a profile file, with its byte-order mark, and the conversions between
// the file's bytes and UTF-16 text.
class ProfileEncoding {
public:
    // Ascii: a file that has not committed to an encoding yet, because it does not exist or
    // holds ASCII bytes only and no byte-order mark.
    enum class Kind { Ascii, Utf8, Utf16Le, Utf16Be, Cp932 };

    ProfileEncoding() = default;
    ProfileEncoding(Kind kind, bool byteOrderMark)
        : m_kind(kind)
        , m_byteOrderMark(byteOrderMark) {}

    static ProfileEncoding detect(std::string_view bytes);
    // The encoding a file that has not committed yet takes for its text: none while the text
    // is ASCII, then code page 932 when it holds every character, else UTF-16LE with a mark.
    static ProfileEncoding forNewText(std::u16string_view text);

    Kind kind() const { return m_kind; }
    bool hasByteOrderMark() const { return m_byteOrderMark; }
    std::string_view byteOrderMark() const;
    // Bytes per code unit: 2 for UTF-16, else 1.
    std::size_t unitSize() const;
    // Whether the code unit at `at` is the ASCII character c (at + unitSize() <= size).
    bool isCharacter(std::string_view bytes, std::size_t at, char c) const;
    // The first code unit at or after start that is the ASCII character c, or end.
    std::size_t find(std::string_view bytes, std::size_t start, std::size_t end, char c) const;

    // Bytes after the byte-order mark to text, and text to bytes appended to out; a character
    // the encoding cannot hold becomes "?" (code page 932) or U+FFFD (a lone surrogate in UTF-8).
    std::u16string decode(std::string_view bytes) const;
    void encode(std::u16string_view text, std::string& out) const;
    // Whether text comes back from encode and decode unchanged.
    bool holds(std::u16string_view text) const;

    bool operator==(const ProfileEncoding&) const = default;

private:
    Kind m_kind = Kind::Ascii;
    bool m_byteOrderMark = false;
};

} // namespace kestrova
