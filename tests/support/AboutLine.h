#pragma once

#include "res/ProgramVersion.h"

#include <QString>

namespace kestrova::test {

// The About box's version line for this build's version, e.g. "Kestrova Ver.:1-0-1-108".
inline QString ProgramAboutLine() {
    QString version = QString::fromUtf16(kProgramVersion.data(), qsizetype(kProgramVersion.size()));
    return QStringLiteral("Kestrova Ver.:") + version.replace(u'.', u'-');
}

} // namespace kestrova::test
