#pragma once

#include "player/PlayerGeometry.h"
#include "profile/SaveResult.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kestrova {

// The last video ID played, from Kestrova.ini ("SYSTEM", "VIDEOID"); defaultValue when the
// file, section or key is missing. At most 260 characters are read.
std::u16string ReadLastVideoId(std::u16string_view defaultValue);

// Writes the last video ID; an empty ID is written as an empty value, never removed. Every
// other line of the file is kept. Tells what became of the save.
SaveResult WriteLastVideoId(std::u16string_view videoId);

// The largest width or height taken from the file.
inline constexpr int kMaxPlayerSide = 16384;

// The stored geometry; nothing when a position or size is missing or not a whole number, or a
// size lies outside [minimum, kMaxPlayerSide]. MAXIMIZED other than 0 or 1 counts as 0.
std::optional<PlayerGeometry> ReadPlayerGeometry(int minimumWidth, int minimumHeight);

// What a person chose for every video: the volume (0 to 100), whether it is muted, the speed
// in percent of the normal one (25 to 200), the tallest picture (0: what fits the screen) and
// the language of the captions (empty: none).
struct PlaybackChoices {
    int volume = 100;
    bool muted = false;
    int speed = 100;
    int quality = 0;
    std::string captions;

    bool operator==(const PlaybackChoices&) const = default;
};

// The stored choices, read by the rule of the geometry: VOLUME a whole number from 0 to 100,
// MUTE 0 or 1, SPEED a whole number from 25 to 200, QUALITY one from 0 to 4320 and SUBLANG a
// language tag (letters, digits and "-", at most 35), else each its default.
PlaybackChoices ReadPlaybackChoices();

// Writes the last video ID and, when given, the player's geometry and choices, in one save; the
// rest of the file is kept. Tells what became of the save.
SaveResult WriteSettings(std::u16string_view videoId, const std::optional<PlayerGeometry>& player,
                         const std::optional<PlaybackChoices>& choices = std::nullopt);
// The same, into the settings file at `path`.
SaveResult WriteSettings(const std::filesystem::path& path, std::u16string_view videoId,
                         const std::optional<PlayerGeometry>& player,
                         const std::optional<PlaybackChoices>& choices);

// The service addresses the video ID is appended to, from the optional "NETWORK" section of
// Kestrova.ini (read at start, never written), as UTF-8. A player address that is not http or
// https is not used: the default takes its place.
struct ServiceAddresses {
    std::string feedUrl;
    std::string playerUrl;
    std::string ignoredPlayerUrl; // the address given in its place, if any
};
ServiceAddresses ReadServiceAddresses();

// Where Kestrova fetches its own yt-dlp from, and the key the release must be signed with,
// from the "NETWORK" section of Kestrova.ini (YTDLPURL and YTDLPKEY; read at start, never
// written). YTDLPURL missing: the yt-dlp project's latest release; empty: nothing is fetched.
// An address that is neither https nor on a loopback host is not used: the default takes its
// place. YTDLPKEY names an armored key file instead of the one the program comes with.
struct YtDlpReleaseSettings {
    std::string urlPrefix;
    std::filesystem::path keyFile;
    std::string ignoredUrl; // the address given in its place, if any
};
YtDlpReleaseSettings ReadYtDlpReleaseSettings();

// The release key the program comes with: beside it (a build tree, a copied program folder),
// else in the data folder of its install (../share/kestrova from the program's folder).
std::filesystem::path ShippedReleaseKey(const std::filesystem::path& executable);

// The yt-dlp format selection that replaces the player's own for the service's videos, from
// Kestrova.ini ("PLAYER", "FORMAT"; read at start, never written), as UTF-8; empty when the
// key is missing or empty, and the player then chooses.
std::string ReadYtDlpFormat();

} // namespace kestrova
