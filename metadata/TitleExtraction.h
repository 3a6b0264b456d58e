#pragma once

#include <string>

namespace kestrova {

// The video's title from the feed text: the text between the first "<title" tag's ">" and the
// first "</title>" after it, with the predefined XML entities and numeric character
// references decoded (a malformed or out-of-range reference is kept as it stands). Plain
// search, case-sensitive; white space, nested tags and CDATA are left alone. Empty when the
// markers are missing.
std::u16string ExtractTitle(std::u16string text);

} // namespace kestrova
