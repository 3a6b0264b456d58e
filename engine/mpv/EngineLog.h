#pragma once

class QLoggingCategory;

namespace kestrova {

// The engine module logs under the program's own "kestrova.player" category (engine/PlayerLog.h),
// handed over when an engine is made, so that the debug console's rules reach one category.
void UseProgramLog(const QLoggingCategory& category);

} // namespace kestrova
