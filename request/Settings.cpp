#include "request/Settings.h"

#include "platform/ProfileFile.h"
#include "platform/Utf8.h"
#include "request/DataFiles.h"
#include "res/Texts.h"

namespace kestrova {

namespace {

// The Windows profile buffer of 261 characters, the terminating null included.
constexpr std::size_t kValueBufferSize = 261;
constexpr std::size_t kAddressBufferSize = 4096;
constexpr std::size_t kFormatBufferSize = 4096;

std::string addressOrDefault(const ProfileFile& file, std::u16string_view key,
                             std::string_view defaultValue) {
    const std::u16string value =
        file.readString(texts::kSectionNetwork, key, u"", kAddressBufferSize);
    return value.empty() ? std::string(defaultValue) : EncodeUtf8(value);
}

} // namespace

std::u16string ReadLastVideoId(std::u16string_view defaultValue) {
    const ProfileFile file = ProfileFile::load(DataFilePath(texts::kSettingsFileName));
    return file.readString(texts::kSectionSystem, texts::kKeyVideoId, defaultValue,
                           kValueBufferSize);
}

bool WriteLastVideoId(std::u16string_view videoId) {
    const std::filesystem::path path = DataFilePath(texts::kSettingsFileName);
    ProfileFile file = ProfileFile::load(path);
    file.writeString(texts::kSectionSystem, texts::kKeyVideoId, videoId);
    return file.save(path);
}

ServiceAddresses ReadServiceAddresses() {
    const ProfileFile file = ProfileFile::load(DataFilePath(texts::kSettingsFileName));
    return {addressOrDefault(file, texts::kKeyFeedUrl, texts::kDefaultFeedUrl),
            addressOrDefault(file, texts::kKeyPlayerUrl, texts::kDefaultPlayerUrl)};
}

std::string ReadYtDlpFormat() {
    const ProfileFile file = ProfileFile::load(DataFilePath(texts::kSettingsFileName));
    return EncodeUtf8(
        file.readString(texts::kSectionPlayer, texts::kKeyFormat, u"", kFormatBufferSize));
}

} // namespace kestrova
