#pragma once

#include <functional>

class QDialog;

namespace kestrova::test {

// Result of a modal run that the time limit ended.
inline constexpr int kTimedOut = -100;

// Runs the dialog modally, calls whileOpen once the run has begun, and ends the run with
// kTimedOut if nothing else ends it within the limit.
int RunModal(QDialog& dialog, const std::function<void()>& whileOpen, int limitMs = 5000);

// Processes events until the condition holds or the limit passes; returns the condition.
bool WaitFor(const std::function<bool()>& condition, int limitMs = 5000);

} // namespace kestrova::test
