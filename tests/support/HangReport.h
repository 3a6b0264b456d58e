#pragma once

#include <chrono>

namespace kestrova::test {

// When one test runs longer than `limit`, writes its name and the stack of the main thread
// (where the widgets' tests run) to standard error and aborts, so that a test stuck in a call
// that never returns says where, instead of ending at CTest's timeout without a word. Call once
// from main(), after InitGoogleTest.
void ReportHangsAfter(std::chrono::seconds limit);

} // namespace kestrova::test
