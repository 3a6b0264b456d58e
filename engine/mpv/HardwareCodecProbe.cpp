#include "engine/mpv/HardwareCodecProbe.h"

#include <algorithm>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <unistd.h>
#include <va/va.h>
#include <va/va_drm.h>
#include <vector>

namespace kestrova {

namespace {

class OpenFile {
public:
    explicit OpenFile(const std::filesystem::path& path)
        : m_fd(::open(path.c_str(), O_RDWR | O_CLOEXEC)) {}
    ~OpenFile() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    int fd() const { return m_fd; }

private:
    int m_fd;
};

struct DisplayCloser {
    void operator()(VADisplay display) const { vaTerminate(display); }
};
using Display = std::unique_ptr<void, DisplayCloser>;

bool decodes(VADisplay display, VAProfile profile) {
    std::vector<VAEntrypoint> entrypoints(std::size_t(std::max(1, vaMaxNumEntrypoints(display))));
    int count = 0;
    if (vaQueryConfigEntrypoints(display, profile, entrypoints.data(), &count) !=
        VA_STATUS_SUCCESS) {
        return false;
    }
    return std::find(entrypoints.begin(), entrypoints.begin() + count, VAEntrypointVLD) !=
           entrypoints.begin() + count;
}

HardwareCodecs codecsOf(VADisplay display) {
    std::vector<VAProfile> profiles(std::size_t(std::max(1, vaMaxNumProfiles(display))));
    int count = 0;
    HardwareCodecs codecs;
    if (vaQueryConfigProfiles(display, profiles.data(), &count) != VA_STATUS_SUCCESS) {
        return codecs;
    }
    for (int i = 0; i < count; ++i) {
        const VAProfile profile = profiles[std::size_t(i)];
        const bool h264 = profile == VAProfileH264Main || profile == VAProfileH264High ||
                          profile == VAProfileH264ConstrainedBaseline;
        codecs.h264 |= h264 && decodes(display, profile);
        codecs.vp9 |= profile == VAProfileVP9Profile0 && decodes(display, profile);
        codecs.av1 |= profile == VAProfileAV1Profile0 && decodes(display, profile);
    }
    return codecs;
}

std::vector<std::filesystem::path> renderNodes(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> nodes;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.path().filename().string().starts_with("renderD")) {
            nodes.push_back(entry.path());
        }
    }
    std::sort(nodes.begin(), nodes.end());
    return nodes;
}

std::optional<HardwareCodecs> probeNode(const std::filesystem::path& node) {
    // Declared first, so the display is terminated before its file is closed.
    const OpenFile file(node);
    if (file.fd() < 0) {
        return std::nullopt;
    }
    const Display display(vaGetDisplayDRM(file.fd()));
    if (!display) {
        return std::nullopt;
    }
    // libva writes its driver's name and version to standard output otherwise.
    vaSetInfoCallback(display.get(), nullptr, nullptr);
    vaSetErrorCallback(display.get(), nullptr, nullptr);
    int major = 0;
    int minor = 0;
    if (vaInitialize(display.get(), &major, &minor) != VA_STATUS_SUCCESS) {
        return std::nullopt;
    }
    return codecsOf(display.get());
}

} // namespace

HardwareCodecs ProbeHardwareCodecs(const std::filesystem::path& deviceFolder) {
    for (const auto& node : renderNodes(deviceFolder)) {
        if (const auto codecs = probeNode(node)) {
            return *codecs;
        }
    }
    return {};
}

} // namespace kestrova
