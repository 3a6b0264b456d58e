#include "request/Settings.h"

#include "engine/EngineModulePath.h"
#include "playback/PlaybackModel.h"
#include "profile/DataFiles.h"
#include "profile/ProfileFile.h"
#include "res/Texts.h"
#include "service/YtDlpRelease.h"
#include "text/Utf8.h"

#include <charconv>
#include <strings.h>
#include <utility>

namespace kestrova {

namespace {

constexpr std::size_t kAddressBufferSize = 4096;
constexpr std::size_t kFormatBufferSize = 4096;
constexpr int kMinSpeedPercent = int(PlaybackModel::kSpeeds.front() * 100);
constexpr int kMaxSpeedPercent = int(PlaybackModel::kSpeeds.back() * 100);
constexpr int kMaxQualityLines = 4320;
constexpr std::size_t kMaxLanguageTag = 35;

// A language as the service codes its captions ("en", "pt-BR", "zh-Hans"); anything else is
// not one, and goes no further than this file.
std::string languageTag(std::u16string_view text) {
    if (text.empty() || text.size() > kMaxLanguageTag)
        return {};
    std::string tag;
    for (const char16_t c : text) {
        const bool fits = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                          (c >= u'0' && c <= u'9') || c == u'-' || c == u'_';
        if (!fits)
            return {};
        tag += char(c);
    }
    return tag;
}

std::string addressOrDefault(const ProfileFile& file, std::u16string_view key,
                             std::string_view defaultValue) {
    const std::u16string value =
        file.readString(texts::kSectionNetwork, key, u"", kAddressBufferSize);
    return value.empty() ? std::string(defaultValue) : EncodeUtf8(value);
}

// The player hands its address to an engine that opens files, devices and generated media as
// readily as web addresses; only these two schemes belong in a service address.
bool isWebAddress(std::string_view address) {
    const auto startsWith = [address](std::string_view scheme) {
        return address.size() >= scheme.size() &&
               strncasecmp(address.data(), scheme.data(), scheme.size()) == 0;
    };
    return startsWith("http://") || startsWith("https://");
}

// A whole number and nothing else: an optional minus sign and digits, within int.
std::optional<int> wholeNumber(std::u16string_view text) {
    std::string ascii;
    for (char16_t c : text) {
        if (c > 0x7F)
            return std::nullopt;
        ascii.push_back(char(c));
    }
    int value = 0;
    const char* end = ascii.data() + ascii.size();
    const auto [stop, error] = std::from_chars(ascii.data(), end, value);
    if (ascii.empty() || error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

std::optional<int> readWholeNumber(const ProfileFile& file, std::u16string_view key) {
    return wholeNumber(
        file.readString(texts::kSectionPlayer, key, u"", ProfileFile::kValueBufferSize));
}

std::u16string decimal(int value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

void writePlayerGeometry(ProfileFile& file, const PlayerGeometry& g) {
    const std::pair<std::u16string_view, int> values[] = {
        {texts::kKeyX, g.x},
        {texts::kKeyY, g.y},
        {texts::kKeyWidth, g.width},
        {texts::kKeyHeight, g.height},
        {texts::kKeyMaximized, g.maximized ? 1 : 0},
    };
    for (const auto& [key, value] : values)
        file.writeString(texts::kSectionPlayer, key, decimal(value));
}

void writePlaybackChoices(ProfileFile& file, const PlaybackChoices& choices) {
    file.writeString(texts::kSectionPlayer, texts::kKeyVolume, decimal(choices.volume));
    file.writeString(texts::kSectionPlayer, texts::kKeyMute, decimal(choices.muted ? 1 : 0));
    file.writeString(texts::kSectionPlayer, texts::kKeySpeed, decimal(choices.speed));
    file.writeString(texts::kSectionPlayer, texts::kKeyQuality, decimal(choices.quality));
    file.writeString(texts::kSectionPlayer, texts::kKeyCaptions,
                     std::u16string(choices.captions.begin(), choices.captions.end()));
}

} // namespace

std::u16string ReadLastVideoId(std::u16string_view defaultValue) {
    const ProfileFile file = ProfileFile::load(DataFilePath(texts::kSettingsFileName));
    return file.readString(texts::kSectionSystem, texts::kKeyVideoId, defaultValue,
                           ProfileFile::kValueBufferSize);
}

SaveResult WriteLastVideoId(std::u16string_view videoId) {
    return WriteSettings(videoId, std::nullopt);
}

SaveResult WriteSettings(std::u16string_view videoId, const std::optional<PlayerGeometry>& player,
                         const std::optional<PlaybackChoices>& choices) {
    return WriteSettings(DataFilePath(texts::kSettingsFileName), videoId, player, choices);
}

SaveResult WriteSettings(const std::filesystem::path& path, std::u16string_view videoId,
                         const std::optional<PlayerGeometry>& player,
                         const std::optional<PlaybackChoices>& choices) {
    ProfileFile file = ProfileFile::load(path);
    file.writeString(texts::kSectionSystem, texts::kKeyVideoId, videoId);
    if (player)
        writePlayerGeometry(file, *player);
    if (choices)
        writePlaybackChoices(file, *choices);
    return file.save(path);
}

std::optional<PlayerGeometry> ReadPlayerGeometry(int minimumWidth, int minimumHeight) {
    const ProfileFile file = ProfileFile::load(DataFilePath(texts::kSettingsFileName));
    const auto x = readWholeNumber(file, texts::kKeyX);
    const auto y = readWholeNumber(file, texts::kKeyY);
    const auto width = readWholeNumber(file, texts::kKeyWidth);
    const auto height = readWholeNumber(file, texts::kKeyHeight);
    const auto inRange = [](std::optional<int> side, int minimum) {
        return side && *side >= minimum && *side <= kMaxPlayerSide;
    };
    if (!x || !y || !inRange(width, minimumWidth) || !inRange(height, minimumHeight))
        return std::nullopt;
    return PlayerGeometry{*x, *y, *width, *height,
                          readWholeNumber(file, texts::kKeyMaximized) == 1};
}

PlaybackChoices ReadPlaybackChoices() {
    const ProfileFile file = ProfileFile::load(DataFilePath(texts::kSettingsFileName));
    const PlaybackChoices defaults;
    const auto volume = readWholeNumber(file, texts::kKeyVolume);
    const auto mute = readWholeNumber(file, texts::kKeyMute);
    const auto speed = readWholeNumber(file, texts::kKeySpeed);
    const auto quality = readWholeNumber(file, texts::kKeyQuality);
    const std::u16string captions =
        file.readString(texts::kSectionPlayer, texts::kKeyCaptions, u"", kMaxLanguageTag + 2);
    const auto within = [](std::optional<int> value, int least, int most) {
        return value && *value >= least && *value <= most;
    };
    return {within(volume, 0, PlaybackModel::kMaxVolume) ? *volume : defaults.volume,
            within(mute, 0, 1) ? *mute == 1 : defaults.muted,
            within(speed, kMinSpeedPercent, kMaxSpeedPercent) ? *speed : defaults.speed,
            within(quality, 0, kMaxQualityLines) ? *quality : defaults.quality,
            languageTag(captions)};
}

ServiceAddresses ReadServiceAddresses() {
    const ProfileFile file = ProfileFile::load(DataFilePath(texts::kSettingsFileName));
    ServiceAddresses addresses{
        addressOrDefault(file, texts::kKeyFeedUrl, texts::kDefaultFeedUrl),
        addressOrDefault(file, texts::kKeyPlayerUrl, texts::kDefaultPlayerUrl),
        {}};
    if (!isWebAddress(addresses.playerUrl))
        addresses.ignoredPlayerUrl =
            std::exchange(addresses.playerUrl, std::string(texts::kDefaultPlayerUrl));
    return addresses;
}

YtDlpReleaseSettings ReadYtDlpReleaseSettings() {
    const ProfileFile file = ProfileFile::load(DataFilePath(texts::kSettingsFileName));
    // Told apart from an empty value, which turns fetching off.
    constexpr std::u16string_view missing = u"\uFFFF";
    YtDlpReleaseSettings settings;
    const std::u16string url =
        file.readString(texts::kSectionNetwork, texts::kKeyYtDlpUrl, missing, kAddressBufferSize);
    settings.urlPrefix =
        url == missing ? std::string(texts::kDefaultYtDlpReleaseUrl) : EncodeUtf8(url);
    if (!settings.urlPrefix.empty() && !IsAcceptableReleaseUrl(settings.urlPrefix))
        settings.ignoredUrl =
            std::exchange(settings.urlPrefix, std::string(texts::kDefaultYtDlpReleaseUrl));
    const std::u16string key =
        file.readString(texts::kSectionNetwork, texts::kKeyYtDlpKey, u"", kAddressBufferSize);
    std::error_code error;
    settings.keyFile =
        key.empty() ? ShippedReleaseKey(std::filesystem::read_symlink("/proc/self/exe", error))
                    : std::filesystem::path(EncodeUtf8(key));
    return settings;
}

std::filesystem::path ShippedReleaseKey(const std::filesystem::path& executable) {
    const auto candidates =
        EngineModuleCandidates(executable, texts::kYtDlpReleaseKeyFile, "../share/kestrova");
    if (candidates.empty())
        return {};
    return FirstExistingModule(candidates).value_or(candidates.back());
}

std::string ReadYtDlpFormat() {
    const ProfileFile file = ProfileFile::load(DataFilePath(texts::kSettingsFileName));
    return EncodeUtf8(
        file.readString(texts::kSectionPlayer, texts::kKeyFormat, u"", kFormatBufferSize));
}

} // namespace kestrova
