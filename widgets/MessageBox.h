#pragma once

#include "process/Seam.h"

#include <functional>

#include <QString>

class QWidget;

namespace kestrova {

// The application's message box: a warning with one OK button and the application's name
// (the executable's file name without extension) as caption, modal to the window of `owner`
// only, so the player keeps playing and can be moved while it is open. It returns at once: the
// operation that shows it has ended. Every message the user must see goes through here, so
// tests can take the texts instead of answering a box.
void ShowMessageBox(const QString& text, QWidget* owner = nullptr);

using MessageBoxSink = std::function<void(const QString& text)>;

// Where messages go instead of the real message box.
Seam<MessageBoxSink>& MessageBoxSeam();

} // namespace kestrova
