#pragma once

#include <QIcon>

namespace kestrova {

// Icon 128, the program icon: window icons, the About box and the minimised main window.
QIcon ProgramIcon();

} // namespace kestrova
