#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The text rules of profile lines: what a line is, how names match and how a value must be
// written to read back unchanged.
namespace kestrova::profile_text {

bool isBlank(char16_t c);
std::u16string_view trim(std::u16string_view s);
// One pair of matching surrounding quotes (double or single) removed.
std::u16string_view unquote(std::u16string_view s);

// At most bufferSize - 1 units, like the Windows buffer, never half a surrogate pair.
std::u16string cutToBuffer(std::u16string_view s, std::size_t bufferSize);
// The leading decimal number (optional sign, digits, anything after them ignored), saturated
// at the range of int; defaultValue when the text does not start with one.
int leadingInteger(std::u16string_view text, int defaultValue);

// Names match whatever the letter case of A-Z.
bool sameName(std::u16string_view a, std::u16string_view b);
struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::u16string_view s) const noexcept;
};
struct NameEqual {
    using is_transparent = void;
    bool operator()(std::u16string_view a, std::u16string_view b) const noexcept {
        return sameName(a, b);
    }
};

// CR and LF become spaces: a line break would end the line there and could start a section.
// Returns s itself when it holds none, else a copy with them replaced, kept in storage.
std::u16string_view withoutLineBreaks(std::u16string_view s, std::u16string& storage);
// The quote to write on both sides of a value, or none: surrounding blanks and quotes would
// be lost on reading; inside one more pair of quotes the value reads back exactly.
std::u16string_view quoteFor(std::u16string_view value);
// Whether a section header and a key line written with these names read back as the same
// names: no surrounding blanks, no "]" in the section, and a key that neither starts like a
// section header or comment ("[", ";", "#") nor holds "=".
bool namesReadBack(std::u16string_view section, std::u16string_view key);

} // namespace kestrova::profile_text
