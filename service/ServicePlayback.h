#pragma once

#include "service/YtDlpFormat.h"

#include <string>
#include <string_view>

namespace kestrova {

// Whether the address is one of the service's pages: http or https on the host of the
// default player prefix or another host of its domain (youtube.com, m.youtube.com ...). Only
// yt-dlp can turn such a page into media; every other address is direct media to the engine.
bool IsServiceAddress(std::string_view address);

// How the engine is to open an address.
struct LoadPlan {
    std::string url;        // what the engine loads
    std::string ytdlFormat; // the format yt-dlp is asked for; empty for direct media
};

// Direct media is opened as it stands. A service address goes to yt-dlp at once (the
// engine's "ytdl://" form, rather than a wasted first attempt over HTTP) with `formatOverride`
// when it is given, else with the format that fits `needs`.
LoadPlan PlanLoad(std::string_view address, const FormatNeeds& needs,
                  std::string_view formatOverride);

// The address a loaded `url` stands for: a plan's url without what PlanLoad put in front.
std::string_view AddressOfLoad(std::string_view url);

} // namespace kestrova
