#pragma once

#include <string>

namespace kestrova {

// Reduces what the user typed (a video page address or a bare ID) to a video ID.
// The empty string means the text was rejected. Nothing is trimmed, decoded or validated:
// the rule is deliberately literal, see the tests for its table.
std::u16string ParseVideoReference(std::u16string text);

} // namespace kestrova
