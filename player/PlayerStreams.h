#pragma once

#include "service/StreamSupply.h"

#include <filesystem>
#include <memory>
#include <string>

class QObject;

namespace kestrova {

// The supply of the service's streams for the player. Its answers reach the GUI thread through
// `context`, which outlives it; what it does goes to the player's log. yt-dlp is looked for on
// PATH and in Kestrova's own folder; a new one is fetched from `releaseUrl` (empty: never)
// and checked against the armored key in `releaseKey`.
std::unique_ptr<StreamSupply> MakePlayerStreams(QObject& context,
                                                const std::string& releaseUrl = {},
                                                const std::filesystem::path& releaseKey = {});

} // namespace kestrova
