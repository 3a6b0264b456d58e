#include "widgets/OpenUrl.h"

#include "res/Texts.h"

#include <QDesktopServices>

namespace kestrova {

void OpenUrl(const QUrl& address) {
    if (const auto& sink = OpenUrlSeam().standIn()) {
        sink(address);
        return;
    }
    QDesktopServices::openUrl(address);
}

void OpenMakerHomePage() {
    const std::string_view address = texts::kMakerHomePage;
    OpenUrl(QUrl(QString::fromUtf8(address.data(), static_cast<qsizetype>(address.size()))));
}

Seam<OpenUrlSink>& OpenUrlSeam() {
    static Seam<OpenUrlSink> seam;
    return seam;
}

} // namespace kestrova
