#include "profile/ProfileFile.h"

#include <algorithm>

namespace kestrova {

using namespace profile_text;

ProfileFile ProfileFile::load(const std::filesystem::path& path) {
    ProfileFile file;
    AtomicFile::ReadResult read = AtomicFile::read(path);
    file.m_unreadable = read.status == AtomicFile::ReadStatus::Unreadable;
    file.m_source = std::move(read.bytes);
    file.parse();
    return file;
}

// Splits on LF units; every line keeps its bytes and ending, so what the program does not
// change is written back exactly. The body is decoded at once: each LF unit decodes to one
// "\n" and nothing else does, so bytes and text split into the same lines (checked first).
void ProfileFile::parse() {
    m_sections.assign(1, Section{});
    m_sectionIndex.clear();
    m_encoding = ProfileEncoding::detect(m_source);
    const std::size_t unit = m_encoding.unitSize();
    const std::size_t begin = m_encoding.byteOrderMark().size();
    // A stray last byte of UTF-16 is dropped, so that lines written after it stay aligned.
    const std::size_t end = m_source.size() - (m_source.size() - begin) % unit;
    m_text = m_encoding.decode(std::string_view(m_source).substr(begin, end - begin));
    const auto textLineFeeds = std::count(m_text.begin(), m_text.end(), u'\n');
    if (lineFeeds(begin, end) != std::size_t(textLineFeeds)) {
        // Bytes and text would split into different lines: nothing of the file is trusted,
        // and a save never replaces it.
        m_unreadable = true;
        m_source.clear();
        m_text.clear();
        m_encoding = {};
        return;
    }
    // Room for every header at once; no more headers than lines, whatever a line holds.
    m_sectionIndex.reserve(
        std::min(std::count(m_text.begin(), m_text.end(), u'['), textLineFeeds + 1));
    bool endingSeen = false;
    for (std::size_t start = begin, textStart = 0; start < end;) {
        const std::size_t lf = m_encoding.find(m_source, start, end, '\n');
        const bool hasEnding = lf < end;
        const bool crlf =
            hasEnding && lf - start >= unit && m_encoding.isCharacter(m_source, lf - unit, '\r');
        if (hasEnding && !endingSeen) {
            m_crlf = crlf;
            endingSeen = true;
        }
        const std::size_t textEnd = std::min(m_text.find(u'\n', textStart), m_text.size());
        const Ending ending = crlf ? Ending::CrLf : hasEnding ? Ending::Lf : Ending::None;
        const bool textCr = crlf && textEnd > textStart && m_text[textEnd - 1] == u'\r';
        Line line = classify({textStart, textEnd - textStart - (textCr ? 1 : 0)}, ending);
        line.raw = {start, (crlf ? lf - unit : lf) - start};
        line.fromFile = true;
        if (line.kind == LineKind::Section) {
            addSection(line);
        } else {
            m_sections.back().lines.push_back(line);
        }
        start = hasEnding ? lf + unit : end;
        textStart = textEnd + 1;
    }
}

std::size_t ProfileFile::lineFeeds(std::size_t begin, std::size_t end) const {
    if (m_encoding.unitSize() == 1) {
        return std::size_t(std::count(m_source.begin() + std::ptrdiff_t(begin),
                                      m_source.begin() + std::ptrdiff_t(end), '\n'));
    }
    std::size_t count = 0;
    for (std::size_t at = m_encoding.find(m_source, begin, end, '\n'); at < end;
         at = m_encoding.find(m_source, at + m_encoding.unitSize(), end, '\n')) {
        ++count;
    }
    return count;
}

// Appends the line's text to m_text and classifies it.
ProfileFile::Line ProfileFile::appendLine(std::initializer_list<std::u16string_view> parts,
                                          Ending ending) {
    const std::size_t begin = m_text.size();
    for (const std::u16string_view part : parts) {
        m_text += part;
    }
    return classify({begin, m_text.size() - begin}, ending);
}

ProfileFile::Line ProfileFile::classify(Span text, Ending ending) const {
    Line line;
    line.ending = ending;
    line.text = text;
    const auto spanOf = [&](std::u16string_view part) {
        return Span{std::size_t(part.data() - m_text.data()), part.size()};
    };
    const std::u16string_view trimmed = trim(view(text));
    line.blank = trimmed.empty();
    if (trimmed.starts_with(u'[')) {
        const std::u16string_view inner = trimmed.substr(1);
        line.kind = LineKind::Section;
        line.name = spanOf(trim(inner.substr(0, inner.find(u']'))));
    } else if (trimmed.starts_with(u';') || trimmed.starts_with(u'#')) {
        line.kind = LineKind::Other;
    } else if (const auto equals = trimmed.find(u'='); equals != std::u16string_view::npos) {
        line.kind = LineKind::Key;
        line.name = spanOf(trim(trimmed.substr(0, equals)));
        line.value = spanOf(unquote(trim(trimmed.substr(equals + 1))));
    }
    return line;
}

void ProfileFile::addSection(Line header) {
    m_sections.push_back(Section{});
    m_sections.back().lines.reserve(4); // a header and the keys of a history record
    m_sections.back().lines.push_back(header);
    m_sectionIndex.insert(m_sections.size() - 1, sectionName());
}

std::size_t ProfileFile::findSection(std::u16string_view name) const {
    return m_sectionIndex.find(name, sectionName());
}

const ProfileFile::Line* ProfileFile::findKey(std::u16string_view section,
                                              std::u16string_view key) const {
    const std::size_t found = findSection(section);
    if (found == SectionIndex::npos) {
        return nullptr;
    }
    for (const Line& line : m_sections[found].lines) {
        if (line.kind == LineKind::Key && sameName(view(line.name), key)) {
            return &line;
        }
    }
    return nullptr;
}

std::u16string ProfileFile::readString(std::u16string_view section, std::u16string_view key,
                                       std::u16string_view defaultValue,
                                       std::size_t bufferSize) const {
    const Line* line = findKey(section, key);
    return cutToBuffer(line != nullptr ? view(line->value) : defaultValue, bufferSize);
}

int ProfileFile::readInt(std::u16string_view section, std::u16string_view key,
                         int defaultValue) const {
    const Line* line = findKey(section, key);
    return line != nullptr ? leadingInteger(view(line->value), defaultValue) : defaultValue;
}

// The file's last line gets an ending before anything follows it.
void ProfileFile::endLastLine() {
    for (auto it = m_sections.rbegin(); it != m_sections.rend(); ++it) {
        if (!it->lines.empty()) {
            Line& last = it->lines.back();
            last.ending = last.ending == Ending::None ? newLineEnding() : last.ending;
            return;
        }
    }
}

ProfileFile::Section& ProfileFile::obtainSection(std::u16string_view name) {
    if (const std::size_t found = findSection(name); found != SectionIndex::npos) {
        return m_sections[found];
    }
    endLastLine();
    addSection(appendLine({u"[", name, u"]"}, newLineEnding()));
    return m_sections.back();
}

bool ProfileFile::writeString(std::u16string_view section, std::u16string_view key,
                              std::u16string_view value) {
    std::u16string sectionStorage;
    std::u16string keyStorage;
    std::u16string valueStorage;
    const std::u16string_view cleanSection = withoutLineBreaks(section, sectionStorage);
    const std::u16string_view cleanKey = withoutLineBreaks(key, keyStorage);
    if (!namesReadBack(cleanSection, cleanKey)) {
        return false;
    }
    const std::u16string_view cleanValue = withoutLineBreaks(value, valueStorage);
    const std::u16string_view quote = quoteFor(cleanValue);
    const std::size_t index = &obtainSection(cleanSection) - m_sections.data();
    for (Line& line : m_sections[index].lines) {
        if (line.kind == LineKind::Key && sameName(view(line.name), cleanKey)) {
            if (view(line.value) != cleanValue) {
                const std::u16string name(view(line.name)); // m_text grows below
                line = appendLine({name, u"=", quote, cleanValue, quote}, line.ending);
            }
            return true;
        }
    }
    // After the section's last line that holds anything, so blank lines before the next
    // section stay where they are.
    std::vector<Line>& lines = m_sections[index].lines;
    std::size_t position = lines.size();
    while (position > 1 && lines[position - 1].blank) {
        --position;
    }
    if (lines[position - 1].ending == Ending::None) {
        lines[position - 1].ending = newLineEnding();
    }
    const Line added = appendLine({cleanKey, u"=", quote, cleanValue, quote}, newLineEnding());
    lines.insert(lines.begin() + std::ptrdiff_t(position), added);
    return true;
}

// A file that has not committed takes the encoding its written lines call for.
ProfileEncoding ProfileFile::encodingToSave() const {
    if (m_encoding.kind() != Encoding::Ascii) {
        return m_encoding;
    }
    std::u16string written;
    for (const Section& section : m_sections) {
        for (const Line& line : section.lines) {
            if (!line.fromFile) {
                written.append(view(line.text)).push_back(u'\n');
            }
        }
    }
    return ProfileEncoding::forNewText(written);
}

std::string ProfileFile::serialise() const {
    const ProfileEncoding target = encodingToSave();
    std::string bytes = serialise(target);
    if (!target.hasByteOrderMark() && target.kind() != Encoding::Ascii) {
        const Encoding readBack = ProfileEncoding::detect(bytes).kind();
        if (readBack != target.kind() && readBack != Encoding::Ascii) {
            const bool utf8 = target.kind() == Encoding::Utf8;
            bytes = serialise(ProfileEncoding(utf8 ? Encoding::Utf8 : Encoding::Utf16Le, true));
        }
    }
    return bytes;
}

// One buffer: the lines from the file as they were, when their bytes mean the same in the
// target encoding (ASCII is the same in UTF-8 and code page 932), else re-encoded.
std::string ProfileFile::serialise(const ProfileEncoding& target) const {
    const bool keepBytes = target.kind() == m_encoding.kind() ||
                           (m_encoding.kind() == Encoding::Ascii && target.unitSize() == 1);
    std::string out;
    out.reserve(m_source.size() + m_text.size());
    out += target.byteOrderMark();
    std::string lf;
    std::string crlf;
    target.encode(u"\n", lf);
    target.encode(u"\r\n", crlf);
    for (const Section& section : m_sections) {
        for (const Line& line : section.lines) {
            if (line.fromFile && keepBytes) {
                out.append(m_source, line.raw.begin, line.raw.size);
            } else {
                target.encode(view(line.text), out);
            }
            out += line.ending == Ending::CrLf ? crlf : line.ending == Ending::Lf ? lf : "";
        }
    }
    return out;
}

SaveResult ProfileFile::save(const std::filesystem::path& path) const {
    if (m_unreadable) {
        return SaveResult::NotReplaced;
    }
    return AtomicFile::replace(path, serialise());
}

} // namespace kestrova
