#pragma once

#include <QApplication>
#include <QCursor>

namespace kestrova {

// Shows the wait cursor for as long as the object lives, so a blocking request restores the
// pointer on every way out of it.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace kestrova
