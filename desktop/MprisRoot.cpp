#include "desktop/MprisRoot.h"

#include "res/ProgramVersion.h"
#include "res/Texts.h"
#include "text/QtText.h"

namespace kestrova {

MprisRoot::MprisRoot(QObject* object, MprisHost host)
    : QDBusAbstractAdaptor(object)
    , m_host(std::move(host)) {}

QString MprisRoot::identity() const {
    return ToQString(texts::kProgramName);
}

QString MprisRoot::desktopEntry() const {
    return ToQString(kDesktopEntry);
}

// After the reply: quitting destroys what answers the call.
void MprisRoot::Quit() {
    QMetaObject::invokeMethod(
        this, [quit = m_host.quit] { quit(); }, Qt::QueuedConnection);
}

void MprisRoot::Raise() {
    m_host.raise();
}

} // namespace kestrova
