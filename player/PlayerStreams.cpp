#include "player/PlayerStreams.h"

#include "engine/PlayerLog.h"

#include <fstream>
#include <sstream>

#include <QMetaObject>
#include <QObject>

namespace kestrova {

namespace {

std::string readKey(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

std::unique_ptr<StreamSupply> MakePlayerStreams(QObject& context, const std::string& releaseUrl,
                                                const std::filesystem::path& releaseKey) {
    StreamSupply::Settings settings;
    settings.keeper.places = DefaultYtDlpPlaces();
    settings.keeper.release.urlPrefix = releaseUrl;
    settings.keeper.release.searchPath = settings.keeper.places.searchPath + ":/usr/bin:/bin";
    if (!releaseUrl.empty())
        settings.keeper.release.armoredKey = readKey(releaseKey);
    settings.keeper.log = [](const std::string& line) { qCDebug(lcPlayer, "%s", line.c_str()); };
    // The supply goes before its context, and with it every thread that posts.
    return std::make_unique<StreamSupply>(
        std::move(settings), [&context](std::function<void()> call) {
            QMetaObject::invokeMethod(&context, std::move(call), Qt::QueuedConnection);
        });
}

} // namespace kestrova
