#pragma once

#include "process/Seam.h"

#include <functional>

#include <QUrl>

namespace kestrova {

// Opens a web address in the user's default handler. The result is not reported: a browser
// that fails to start shows nothing, and the program carries on as it was.
void OpenUrl(const QUrl& address);

// The maker's home page, which the "Powered By" and "Web Page" links both open.
void OpenMakerHomePage();

using OpenUrlSink = std::function<void(const QUrl& address)>;

// Where addresses go instead of the desktop's handler (tests take them instead of starting a
// browser).
Seam<OpenUrlSink>& OpenUrlSeam();

} // namespace kestrova
