#pragma once

#include <string_view>

#include <QString>

namespace kestrova {

// The core keeps text as UTF-16; the windows take it as QString at this one boundary.
inline QString ToQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace kestrova
