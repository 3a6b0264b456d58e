#include "widgets/Compositor.h"

namespace kestrova {

namespace {

// The first platform version with a compositor.
constexpr int kCompositorMajorVersion = 6;

struct VersionRecord {
    bool read = false;
    int major = 0;
};

VersionRecord& versionRecord() {
    static VersionRecord record;
    return record;
}

bool platformHasCompositor(Compositor& compositor) {
    VersionRecord& record = versionRecord();
    if (!record.read) {
        record = {};
        if (const std::optional<int> major = compositor.platformMajorVersion()) {
            record = {true, *major};
        }
    }
    return record.read && record.major >= kCompositorMajorVersion;
}

class NoGlassCompositor : public Compositor {
public:
    // Claims the compositor interface so the calls are made, and answers them with "off".
    std::optional<int> platformMajorVersion() override { return kCompositorMajorVersion; }
    long isCompositionEnabled(bool* enabled) override {
        *enabled = false;
        return 0;
    }
    long extendFrame(QWidget*, const GlassMargins&) override { return kNoCompositor; }
};

} // namespace

Compositor& SystemCompositor() {
    static NoGlassCompositor compositor;
    return compositor;
}

long QueryGlassEnabled(Compositor& compositor, bool* enabled) {
    if (!platformHasCompositor(compositor)) {
        *enabled = false;
        return kNoCompositor;
    }
    return compositor.isCompositionEnabled(enabled);
}

long ExtendGlassFrame(Compositor& compositor, QWidget* window, const GlassMargins& margins) {
    if (!platformHasCompositor(compositor)) {
        return kNoCompositor;
    }
    return compositor.extendFrame(window, margins);
}

void ForgetPlatformVersion() {
    versionRecord() = {};
}

} // namespace kestrova
