#pragma once

#include <string>
#include <string_view>

namespace kestrova {

// Percent-encodes the UTF-8 form of the text: every byte but A-Z a-z 0-9 - . _ ~ becomes %XX,
// and the dots too when the whole text is "." or "..", which a client would otherwise take
// for a step to the same or the parent folder. A video ID appended to an address can then
// never change the address's path or query, whichever client sends it.
std::string PercentEncode(std::u16string_view text);

} // namespace kestrova
