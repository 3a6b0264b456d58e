#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kestrova {

// An INI profile file with the rules of the Windows private-profile functions: section and key
// names match whatever their letter case, the first matching section and key win, values are
// trimmed and lose one pair of surrounding quotes. The file is loaded once, edited in memory
// and saved once; lines the program does not write keep their bytes, and the file keeps its
// encoding (UTF-8, UTF-16LE with byte-order mark, or code page 932) and its line endings.
class ProfileFile {
public:
    enum class Encoding { Utf8, Utf16Le, Cp932 };

    // A missing or unreadable file gives an empty profile (UTF-8, LF line endings).
    static ProfileFile load(const std::filesystem::path& path);

    // The value, or defaultValue when the section or key is missing, cut to bufferSize - 1
    // units like the Windows buffer (never in the middle of a surrogate pair).
    std::u16string readString(std::u16string_view section, std::u16string_view key,
                              std::u16string_view defaultValue, std::size_t bufferSize) const;

    // The leading decimal number of the value (optional sign, digits, anything after them
    // ignored); defaultValue when the key is missing or the value does not start with one.
    // A number beyond the range of int saturates at INT_MIN or INT_MAX.
    int readInt(std::u16string_view section, std::u16string_view key, int defaultValue) const;

    // Creates the section (at the end of the file) and the key (at the end of its section)
    // as needed, otherwise replaces the value of the first matching key. CR and LF in the
    // value become spaces; a value that the reading rules would change (surrounding blanks or
    // quotes) is written inside quotes so that it reads back unchanged.
    void writeString(std::u16string_view section, std::u16string_view key,
                     std::u16string_view value);

    // Writes the whole file once, atomically: a temporary file in the same folder, flushed to
    // disk and renamed over the old one. On failure the old file stays whole, the temporary
    // file is removed and false is returned. A file that existed but could not be read, or
    // that is read-only, is never overwritten.
    bool save(const std::filesystem::path& path) const;

    Encoding encoding() const { return m_encoding; }

    // Test seam: replaces write(2) for the temporary file, so a test can make a save fail
    // half-way. An empty function restores the real write.
    using WriteHook = std::function<long(int fd, const char* data, std::size_t size)>;
    static void setWriteHook(WriteHook hook);

private:
    enum class LineKind { Other, Section, Key };

    struct Line {
        std::string raw;        // the encoded bytes, without the line ending
        std::string terminator; // encoded line ending; empty for a last line without one
        LineKind kind = LineKind::Other;
        bool blank = false;
        std::u16string name;   // section name or key, trimmed, as written
        std::u16string folded; // name in lower case, for matching
        std::u16string value;  // value of a key line after trimming and unquoting
    };

    struct Section {
        std::vector<Line> lines; // the header first, except for the part before any header
    };

    void detectEncoding(std::string_view bytes);
    void parse(std::string_view bytes);
    std::u16string decodeText(std::string_view raw) const;
    Line makeLine(std::u16string text, std::string raw, std::string terminator) const;
    Line encodeLine(std::u16string text) const;
    std::string encodeText(std::u16string_view text) const;
    std::string lineEnding() const;
    void addSection(Line header);
    const Section* findSection(std::u16string_view name) const;
    const Line* findKey(std::u16string_view section, std::u16string_view key) const;
    Section& obtainSection(std::u16string_view name);
    std::string serialise() const;

    Encoding m_encoding = Encoding::Utf8;
    std::string m_byteOrderMark;
    bool m_crlf = false;
    bool m_unreadable = false;
    std::vector<Section> m_sections; // m_sections[0]: lines before the first header
    std::unordered_map<std::u16string, std::size_t> m_sectionIndex; // first of each name
};

} // namespace kestrova
