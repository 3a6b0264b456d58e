#pragma once

#include "profile/AtomicFile.h"
#include "profile/ProfileEncoding.h"
#include "profile/ProfileText.h"
#include "profile/SaveResult.h"
#include "profile/SectionIndex.h"

#include <cstddef>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace kestrova {

// An INI profile file with the rules of the Windows private-profile functions: section and key
// names match whatever their letter case, the first matching section and key win, values are
// trimmed and lose one pair of surrounding quotes. The file is loaded once, edited in memory
// and saved once; lines the program does not write keep their bytes, and the file keeps its
// encoding (see ProfileEncoding) and its line endings.
class ProfileFile {
public:
    using Encoding = ProfileEncoding::Kind;

    // The Windows profile buffer of 261 characters, the terminating null included.
    static constexpr std::size_t kValueBufferSize = 261;

    // A missing file gives an empty profile (no encoding yet, LF line endings); so does one that
    // cannot be read (see AtomicFile::read), which a save then never replaces.
    static ProfileFile load(const std::filesystem::path& path);

    // The value, or defaultValue when the section or key is missing, cut to bufferSize - 1
    // units like the Windows buffer (never in the middle of a surrogate pair).
    std::u16string readString(std::u16string_view section, std::u16string_view key,
                              std::u16string_view defaultValue, std::size_t bufferSize) const;

    // The leading decimal number of the value (optional sign, digits, anything after them
    // ignored); defaultValue when the key is missing or the value does not start with one.
    // A number beyond the range of int saturates at INT_MIN or INT_MAX.
    int readInt(std::u16string_view section, std::u16string_view key, int defaultValue) const;

    // Whether the section holds the key, whatever its value.
    bool hasKey(std::u16string_view section, std::u16string_view key) const {
        return findKey(section, key) != nullptr;
    }

    // Creates the section (at the end of the file) and the key (at the end of its section)
    // as needed, otherwise replaces the value of the first matching key; a line that already
    // reads as the value stays as it is. CR and LF in names and value become spaces; a value
    // that the reading rules would change (surrounding blanks or quotes) is written inside
    // quotes so that it reads back unchanged. Names that would not read back as themselves
    // (see profile_text::namesReadBack) are refused: nothing changes and false is returned.
    bool writeString(std::u16string_view section, std::u16string_view key,
                     std::u16string_view value);

    // Writes the whole file once, atomically (AtomicFile::replace). A file that existed but
    // could not be read is never overwritten.
    SaveResult save(const std::filesystem::path& path) const;

    // The encoding the file was read in: Ascii while it has not committed to one.
    Encoding encoding() const { return m_encoding.kind(); }

    // The bytes a save writes, in the file's encoding. A file that has not committed yet takes
    // ProfileEncoding::forNewText's. Bytes without a byte-order mark that would be read back in
    // another encoding get one: UTF-8 its mark, code page 932 becomes UTF-16LE with a mark.
    std::string serialise() const;

private:
    enum class LineKind : unsigned char { Other, Section, Key };
    enum class Ending : unsigned char { None, Lf, CrLf };

    // A range of m_source (bytes) or m_text (UTF-16 units).
    struct Span {
        std::size_t begin = 0;
        std::size_t size = 0;
    };

    struct Line {
        Span raw;   // the line's bytes in m_source, without the ending, while fromFile
        Span text;  // the line's text in m_text, without the ending
        Span name;  // section name or key, trimmed, as written
        Span value; // value of a key line after trimming and unquoting
        LineKind kind = LineKind::Other;
        Ending ending = Ending::None;
        bool fromFile = false;
        bool blank = false;
    };

    struct Section {
        std::vector<Line> lines; // the header first, except for the part before any header
    };

    void parse();
    // The LF units of m_source between the two byte offsets.
    std::size_t lineFeeds(std::size_t begin, std::size_t end) const;
    Line appendLine(std::initializer_list<std::u16string_view> parts, Ending ending);
    Line classify(Span text, Ending ending) const;
    Ending newLineEnding() const { return m_crlf ? Ending::CrLf : Ending::Lf; }
    std::u16string_view view(Span span) const { return {m_text.data() + span.begin, span.size}; }
    void addSection(Line header);
    std::size_t findSection(std::u16string_view name) const;
    auto sectionName() const {
        return [this](std::size_t i) { return view(m_sections[i].lines.front().name); };
    }
    const Line* findKey(std::u16string_view section, std::u16string_view key) const;
    Section& obtainSection(std::u16string_view name);
    void endLastLine();
    ProfileEncoding encodingToSave() const;
    std::string serialise(const ProfileEncoding& target) const;

    std::string m_source;  // the file's bytes as read
    std::u16string m_text; // decoded lines, then the text of every line written since
    ProfileEncoding m_encoding;
    bool m_crlf = false;
    bool m_unreadable = false;
    std::vector<Section> m_sections; // m_sections[0]: lines before the first header
    SectionIndex m_sectionIndex;
};

} // namespace kestrova
