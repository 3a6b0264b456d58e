#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrova {

// The video's title from the feed text: the text between the first "<title" tag's ">" and the
// first "</title>" after it, with the predefined XML entities and numeric character
// references decoded (a malformed or out-of-range reference is kept as it stands). Plain
// search, case-sensitive; white space, nested tags and CDATA are left alone. Empty when the
// markers are missing.
std::u16string ExtractTitle(std::u16string text);

// The most of a title the program keeps, in UTF-16 units: less than a profile read gives back
// (ProfileFile::kValueBufferSize), so a title in History.ini reads back as it was stored, here
// and in the Windows program.
inline constexpr std::size_t kTitleUnitLimit = 259;

// The title as the program keeps it: ExtractTitle's, cut to kTitleUnitLimit units, never
// between the two units of a surrogate pair. However long the title in the feed, no more than
// that is decoded or copied.
std::u16string TakeTitle(std::u16string_view feedText);

} // namespace kestrova
