#pragma once

#include <string>
#include <string_view>

namespace kestrova {

// Percent-encodes the UTF-8 form of the text: every byte but A-Z a-z 0-9 - . _ ~ becomes %XX.
// A video ID appended to an address can then never change the address's path or query.
std::string PercentEncode(std::u16string_view text);

} // namespace kestrova
