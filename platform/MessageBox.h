#pragma once

#include <functional>

#include <QString>

namespace kestrova {

// The application's message box: a warning with one OK button and the application's name
// (the executable's file name without extension) as caption. Every message the user must
// see goes through here, so tests can take the texts instead of answering a modal box.
void ShowMessageBox(const QString& text);

using MessageBoxSink = std::function<void(const QString& text)>;

// Replaces where messages go; an empty sink restores the real message box.
// Returns the sink that was in place.
MessageBoxSink SetMessageBoxSink(MessageBoxSink sink);

} // namespace kestrova
