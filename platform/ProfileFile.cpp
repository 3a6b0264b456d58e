#include "platform/ProfileFile.h"

#include "platform/Cp932.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrova {

namespace {

ProfileFile::WriteHook& writeHook() {
    static ProfileFile::WriteHook hook;
    return hook;
}

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

std::u16string_view trim(std::u16string_view s) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

bool isQuote(char16_t c) {
    return c == u'"' || c == u'\'';
}

std::u16string_view unquote(std::u16string_view s) {
    if (s.size() >= 2 && isQuote(s.front()) && s.back() == s.front()) {
        return s.substr(1, s.size() - 2);
    }
    return s;
}

std::u16string fold(std::u16string_view s) {
    std::u16string out(s);
    for (char16_t& c : out) {
        if (c >= u'A' && c <= u'Z') {
            c = char16_t(c - u'A' + u'a');
        }
    }
    return out;
}

// Values and names never carry a line break into the file: it would end the line there and
// could start a section of its own.
std::u16string withoutLineBreaks(std::u16string_view s) {
    std::u16string out(s);
    std::replace_if(
        out.begin(), out.end(), [](char16_t c) { return c == u'\r' || c == u'\n'; }, u' ');
    return out;
}

// Surrounding blanks and quotes would be lost on reading; inside one more pair of quotes the
// value reads back exactly.
std::u16string quotedIfNeeded(std::u16string value) {
    const bool needsQuotes = !value.empty() && (isBlank(value.front()) || isBlank(value.back()) ||
                                                unquote(value).size() != value.size());
    return needsQuotes ? u"\"" + value + u"\"" : value;
}

bool isValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            low = b == 0xE0 ? 0xA0 : 0x80;
            high = b == 0xED ? 0x9F : 0xBF;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            low = b == 0xF0 ? 0x90 : 0x80;
            high = b == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (i + length > bytes.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto c = static_cast<unsigned char>(bytes[i + k]);
            if (c < (k == 1 ? low : 0x80) || c > (k == 1 ? high : 0xBF)) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

std::u16string decodeUtf16Le(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        out.push_back(char16_t(static_cast<unsigned char>(bytes[i]) |
                               static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    return out;
}

std::u16string cutToBuffer(std::u16string_view s, std::size_t bufferSize) {
    if (bufferSize == 0) {
        return {};
    }
    std::size_t n = std::min(s.size(), bufferSize - 1);
    const auto isHigh = [](char16_t c) { return c >= 0xD800 && c <= 0xDBFF; };
    const auto isLow = [](char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; };
    if (n > 0 && n < s.size() && isHigh(s[n - 1]) && isLow(s[n])) {
        --n;
    }
    return std::u16string(s.substr(0, n));
}

struct FileDescriptor {
    int fd = -1;
    ~FileDescriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

enum class ReadResult { Ok, Missing, Failed };

ReadResult readWholeFile(const std::filesystem::path& path, std::string& bytes) {
    FileDescriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0) {
        return errno == ENOENT || errno == ENOTDIR ? ReadResult::Missing : ReadResult::Failed;
    }
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(file.fd, buffer, sizeof buffer);
        if (n == 0) {
            return ReadResult::Ok;
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return ReadResult::Failed;
        }
        bytes.append(buffer, std::size_t(n));
    }
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const long n = writeHook() ? writeHook()(fd, bytes.data(), bytes.size())
                                   : ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(std::size_t(n));
    }
    return true;
}

// A name no other save uses; created exclusively so that the process's umask applies.
int createTemporary(const std::filesystem::path& target, std::filesystem::path& tempPath) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = target.parent_path() /
                   ("." + target.filename().string() + "." + std::to_string(::getpid()) + "." +
                    std::to_string(counter++) + ".tmp");
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

void syncFolder(const std::filesystem::path& folder) {
    FileDescriptor dir{::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (dir.fd >= 0) {
        ::fsync(dir.fd);
    }
}

std::filesystem::path resolveTarget(const std::filesystem::path& path) {
    std::error_code error;
    if (std::filesystem::is_symlink(path, error)) {
        const auto resolved = std::filesystem::weakly_canonical(path, error);
        if (!error) {
            return resolved;
        }
    }
    return path.has_parent_path() ? path : std::filesystem::path(".") / path;
}

} // namespace

ProfileFile ProfileFile::load(const std::filesystem::path& path) {
    ProfileFile file;
    std::string bytes;
    switch (readWholeFile(path, bytes)) {
    case ReadResult::Ok:
        file.parse(bytes);
        break;
    case ReadResult::Missing:
        file.parse({});
        break;
    case ReadResult::Failed:
        file.parse({});
        file.m_unreadable = true;
        break;
    }
    return file;
}

void ProfileFile::detectEncoding(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xFE")) {
        m_encoding = Encoding::Utf16Le;
        m_byteOrderMark = bytes.substr(0, 2);
    } else if (isValidUtf8(bytes)) {
        m_encoding = Encoding::Utf8;
        if (bytes.starts_with("\xEF\xBB\xBF")) {
            m_byteOrderMark = bytes.substr(0, 3);
        }
    } else {
        m_encoding = Encoding::Cp932;
    }
}

// Splits on LF units of the file's encoding; every line keeps its own bytes and ending, so
// what the program does not change is written back exactly.
void ProfileFile::parse(std::string_view bytes) {
    m_sections.assign(1, Section{});
    m_sectionIndex.clear();
    detectEncoding(bytes);
    bytes.remove_prefix(m_byteOrderMark.size());

    const std::size_t unit = m_encoding == Encoding::Utf16Le ? 2 : 1;
    const auto isUnit = [&](std::size_t i, char c) {
        return bytes[i] == c && (unit == 1 || bytes[i + 1] == '\0');
    };
    bool endingSeen = false;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = start;
        while (end + unit <= bytes.size() && !isUnit(end, '\n')) {
            end += unit;
        }
        const bool hasEnding = end + unit <= bytes.size();
        end = hasEnding ? end : bytes.size(); // an odd byte left stays in the last line
        const bool crlf = hasEnding && end - start >= unit && isUnit(end - unit, '\r');
        if (hasEnding && !endingSeen) {
            m_crlf = crlf;
            endingSeen = true;
        }
        const std::size_t contentEnd = crlf ? end - unit : end;
        const std::size_t next = hasEnding ? end + unit : end;
        std::string raw(bytes.substr(start, contentEnd - start));
        std::u16string text = decodeText(raw);
        Line line = makeLine(std::move(text), std::move(raw),
                             std::string(bytes.substr(contentEnd, next - contentEnd)));
        if (line.kind == LineKind::Section) {
            addSection(std::move(line));
        } else {
            m_sections.back().lines.push_back(std::move(line));
        }
        start = next;
    }
}

std::u16string ProfileFile::decodeText(std::string_view raw) const {
    switch (m_encoding) {
    case Encoding::Utf16Le:
        return decodeUtf16Le(raw);
    case Encoding::Cp932:
        return cp932::Decode(raw);
    case Encoding::Utf8:
        break;
    }
    return DecodeUtf8(raw);
}

ProfileFile::Line ProfileFile::makeLine(std::u16string text, std::string raw,
                                        std::string terminator) const {
    Line line;
    line.raw = std::move(raw);
    line.terminator = std::move(terminator);
    const std::u16string_view trimmed = trim(text);
    line.blank = trimmed.empty();
    if (trimmed.starts_with(u'[')) {
        const std::u16string_view inner = trimmed.substr(1);
        line.kind = LineKind::Section;
        line.name = trim(inner.substr(0, inner.find(u']')));
    } else if (trimmed.starts_with(u';') || trimmed.starts_with(u'#')) {
        line.kind = LineKind::Other;
    } else if (const auto equals = trimmed.find(u'='); equals != std::u16string_view::npos) {
        line.kind = LineKind::Key;
        line.name = trim(trimmed.substr(0, equals));
        line.value = unquote(trim(trimmed.substr(equals + 1)));
    }
    line.folded = fold(line.name);
    return line;
}

ProfileFile::Line ProfileFile::encodeLine(std::u16string text) const {
    std::string raw = encodeText(text);
    return makeLine(std::move(text), std::move(raw), lineEnding());
}

std::string ProfileFile::encodeText(std::u16string_view text) const {
    switch (m_encoding) {
    case Encoding::Utf16Le: {
        std::string out;
        out.reserve(text.size() * 2);
        for (char16_t c : text) {
            out.push_back(char(c & 0xFF));
            out.push_back(char(c >> 8));
        }
        return out;
    }
    case Encoding::Cp932:
        return cp932::Encode(text, '?');
    case Encoding::Utf8:
        break;
    }
    return EncodeUtf8(text);
}

std::string ProfileFile::lineEnding() const {
    return encodeText(m_crlf ? u"\r\n" : u"\n");
}

void ProfileFile::addSection(Line header) {
    m_sectionIndex.try_emplace(header.folded, m_sections.size());
    m_sections.push_back(Section{});
    m_sections.back().lines.push_back(std::move(header));
}

const ProfileFile::Section* ProfileFile::findSection(std::u16string_view name) const {
    const auto it = m_sectionIndex.find(fold(name));
    return it == m_sectionIndex.end() ? nullptr : &m_sections[it->second];
}

const ProfileFile::Line* ProfileFile::findKey(std::u16string_view section,
                                              std::u16string_view key) const {
    const Section* found = findSection(section);
    if (found == nullptr) {
        return nullptr;
    }
    const std::u16string folded = fold(key);
    for (const Line& line : found->lines) {
        if (line.kind == LineKind::Key && line.folded == folded) {
            return &line;
        }
    }
    return nullptr;
}

std::u16string ProfileFile::readString(std::u16string_view section, std::u16string_view key,
                                       std::u16string_view defaultValue,
                                       std::size_t bufferSize) const {
    const Line* line = findKey(section, key);
    return cutToBuffer(line != nullptr ? std::u16string_view(line->value) : defaultValue,
                       bufferSize);
}

int ProfileFile::readInt(std::u16string_view section, std::u16string_view key,
                         int defaultValue) const {
    const Line* line = findKey(section, key);
    if (line == nullptr) {
        return defaultValue;
    }
    std::u16string_view text = line->value;
    const bool negative = text.starts_with(u'-');
    if (negative || text.starts_with(u'+')) {
        text.remove_prefix(1);
    }
    if (text.empty() || text.front() < u'0' || text.front() > u'9') {
        return defaultValue;
    }
    long long magnitude = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') {
            break;
        }
        magnitude = std::min(magnitude * 10 + (c - u'0'), (long long)INT_MAX + 1);
    }
    const long long value = negative ? -magnitude : magnitude;
    return int(std::clamp(value, (long long)INT_MIN, (long long)INT_MAX));
}

ProfileFile::Section& ProfileFile::obtainSection(std::u16string_view name) {
    if (const auto it = m_sectionIndex.find(fold(name)); it != m_sectionIndex.end()) {
        return m_sections[it->second];
    }
    // The file's last line gets an ending before anything follows it.
    for (auto it = m_sections.rbegin(); it != m_sections.rend(); ++it) {
        if (!it->lines.empty()) {
            if (it->lines.back().terminator.empty()) {
                it->lines.back().terminator = lineEnding();
            }
            break;
        }
    }
    addSection(encodeLine(u"[" + std::u16string(name) + u"]"));
    return m_sections.back();
}

void ProfileFile::writeString(std::u16string_view section, std::u16string_view key,
                              std::u16string_view value) {
    const std::u16string cleanKey = withoutLineBreaks(key);
    const std::u16string cleanValue = quotedIfNeeded(withoutLineBreaks(value));
    std::vector<Line>& lines = obtainSection(withoutLineBreaks(section)).lines;
    const std::u16string folded = fold(cleanKey);
    for (Line& line : lines) {
        if (line.kind == LineKind::Key && line.folded == folded) {
            std::string terminator = std::move(line.terminator);
            line = encodeLine(line.name + u"=" + cleanValue);
            line.terminator = std::move(terminator);
            return;
        }
    }
    // After the section's last line that holds anything, so blank lines before the next
    // section stay where they are.
    std::size_t position = lines.size();
    while (position > 1 && lines[position - 1].blank) {
        --position;
    }
    if (lines[position - 1].terminator.empty()) {
        lines[position - 1].terminator = lineEnding();
    }
    lines.insert(lines.begin() + std::ptrdiff_t(position),
                 encodeLine(cleanKey + u"=" + cleanValue));
}

std::string ProfileFile::serialise() const {
    std::string out = m_byteOrderMark;
    for (const Section& section : m_sections) {
        for (const Line& line : section.lines) {
            out += line.raw;
            out += line.terminator;
        }
    }
    return out;
}

bool ProfileFile::save(const std::filesystem::path& path) const {
    if (m_unreadable) {
        return false;
    }
    const std::filesystem::path target = resolveTarget(path);
    // Replacing by rename would get round a file the user made read-only.
    if (::access(target.c_str(), F_OK) == 0 && ::access(target.c_str(), W_OK) != 0) {
        return false;
    }
    std::filesystem::path tempPath;
    FileDescriptor temp{createTemporary(target, tempPath)};
    if (temp.fd < 0) {
        return false;
    }
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0) {
        // Keep the old file's permissions and, where allowed, its owner.
        ::fchmod(temp.fd, old.st_mode & 07777);
        [[maybe_unused]] const int ignored = ::fchown(temp.fd, old.st_uid, old.st_gid);
    }
    bool ok = writeAll(temp.fd, serialise()) && ::fsync(temp.fd) == 0;
    ok = ::close(temp.fd) == 0 && ok;
    temp.fd = -1;
    ok = ok && ::rename(tempPath.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(tempPath.c_str());
        return false;
    }
    syncFolder(target.parent_path());
    return true;
}

void ProfileFile::setWriteHook(WriteHook hook) {
    writeHook() = std::move(hook);
}

} // namespace kestrova
