#include "platform/OpenUrl.h"

#include "res/Texts.h"

#include <utility>

#include <QDesktopServices>

namespace kestrova {

namespace {

OpenUrlSink& currentSink() {
    static OpenUrlSink sink;
    return sink;
}

} // namespace

void OpenUrl(const QUrl& address) {
    if (const auto& sink = currentSink()) {
        sink(address);
        return;
    }
    QDesktopServices::openUrl(address);
}

void OpenMakerHomePage() {
    const std::string_view address = texts::kMakerHomePage;
    OpenUrl(QUrl(QString::fromUtf8(address.data(), static_cast<qsizetype>(address.size()))));
}

OpenUrlSink SetOpenUrlSink(OpenUrlSink sink) {
    return std::exchange(currentSink(), std::move(sink));
}

} // namespace kestrova
