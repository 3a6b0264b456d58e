// Arbitrary bytes as a profile file, behind each kind of byte-order mark or none: the program's
// own keys are written with values from the input, the file is saved and loaded again. Every
// written value must read back unchanged, every other key must read as before, the file must
// keep its encoding (or take the one its first non-ASCII write calls for), and no temporary
// file may remain.
#include "fuzz/FuzzInput.h"
#include "profile/ProfileFile.h"
#include "text/Cp932.h"
#include "text/Utf8.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdlib.h>

namespace {

using namespace kestrova;
using Kind = ProfileEncoding::Kind;

struct Name {
    std::u16string_view section;
    std::u16string_view key;
};

constexpr std::array<Name, 8> kNames = {{
    {u"SYSTEM", u"COUNT"},
    {u"SYSTEM", u"VIDEOID"},
    {u"NETWORK", u"FEEDURL"},
    {u"NETWORK", u"PLAYERURL"},
    {u"ITEM0", u"VIDEOID"},
    {u"ITEM0", u"TITLE"},
    {u"ITEM1", u"TITLE"},
    {u"PLAYER", u"WIDTH"},
}};

constexpr std::string_view kMarks[] = {"", "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"};
constexpr std::u16string_view kMissing = u"\x01missing";
constexpr std::size_t kWholeValue = 1 << 20;

// A fresh folder for one run, removed afterwards (libFuzzer ends without running atexit).
class Folder {
public:
    Folder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "profile-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            __builtin_trap();
        }
        m_path = pattern;
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

void check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

// What a value can be in a file of this encoding: line breaks become spaces; code page 932
// holds what a title holds after its round trip; UTF-8 has no lone surrogates.
std::u16string storable(std::u16string value, Kind encoding) {
    std::replace_if(
        value.begin(), value.end(), [](char16_t c) { return c == u'\r' || c == u'\n'; }, u' ');
    if (encoding == Kind::Cp932) {
        return cp932::Decode(cp932::Encode(value, ' '));
    }
    return encoding == Kind::Utf8 ? DecodeUtf8(EncodeUtf8(value)) : value;
}

// The values' text, read from the input as UTF-16, as code page 932 or as UTF-8 bytes: the
// last two let the input choose the bytes a save writes.
std::u16string valuesFrom(unsigned how, const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    switch (how % 3) {
    case 0:
        return fuzz::Utf16From(data, size);
    case 1:
        return cp932::Decode(bytes);
    default:
        return DecodeUtf8(bytes);
    }
}

bool isAscii(std::u16string_view text) {
    return std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; });
}

bool encodingKept(Kind before, Kind after, bool wroteNonAscii) {
    switch (before) {
    case Kind::Ascii:
        return wroteNonAscii ? after == Kind::Cp932 || after == Kind::Utf16Le
                             : after == Kind::Ascii;
    case Kind::Cp932: // marked when its bytes would otherwise read as UTF-8
        return after == Kind::Cp932 || after == Kind::Utf16Le || after == Kind::Ascii;
    case Kind::Utf8:
        return after == Kind::Utf8 || after == Kind::Ascii;
    default:
        return after == before;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) {
        return 0;
    }
    const unsigned mask = data[1];
    const std::size_t split = std::min<std::size_t>(data[2], size - 3);
    const std::string_view body(reinterpret_cast<const char*>(data) + 3 + split, size - 3 - split);
    const std::u16string material = valuesFrom(data[0] / std::size(kMarks), data + 3, split);

    const Folder folder;
    const std::filesystem::path path = folder.path() / "History.ini";
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        << kMarks[data[0] % std::size(kMarks)] << body;
    ProfileFile file = ProfileFile::load(path);
    const Kind before = file.encoding();
    std::array<std::u16string, kNames.size()> expected;
    bool wroteNonAscii = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        const auto& [section, key] = kNames[i];
        expected[i] = file.readString(section, key, kMissing, kWholeValue);
        if ((mask >> i & 1) == 0) {
            continue;
        }
        const std::size_t end = std::min(material.find(u'\x02', start), material.size());
        const std::u16string value = storable(material.substr(start, end - start), before);
        start = std::min(end + 1, material.size());
        check(file.writeString(section, key, value));
        expected[i] = value;
        wroteNonAscii = wroteNonAscii || !isAscii(value);
    }
    check(file.save(path) == SaveResult::Saved);

    const ProfileFile reread = ProfileFile::load(path);
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        check(reread.readString(kNames[i].section, kNames[i].key, kMissing, kWholeValue) ==
              expected[i]);
    }
    check(encodingKept(before, reread.encoding(), wroteNonAscii));
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        check(entry.path() == path);
    }
    return 0;
}
