#include "res/ProgramIcon.h"

#include <QtGlobal>

// Resources compiled into a static library are registered by hand, from the global namespace.
static void initProgramResources() {
    Q_INIT_RESOURCE(Kestrova);
}

namespace kestrova {

QIcon ProgramIcon() {
    static const bool registered = (initProgramResources(), true);
    Q_UNUSED(registered);
    return QIcon(QStringLiteral(":/kestrova/icon128.svg"));
}

} // namespace kestrova
