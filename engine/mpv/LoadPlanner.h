#pragma once

#include "engine/mpv/HardwareProbe.h"
#include "service/ServicePlayback.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>

#include <QObject>
#include <QPointer>

class QWidget;

namespace kestrova {

// Decides how each movie is opened: direct media as it stands, the service's pages through
// yt-dlp with a format that fits the screen the player is on and, with hardware decoding, the
// codecs this machine decodes in hardware. Until the hardware has answered, a service page
// waits for it rather than the GUI thread.
class LoadPlanner : public QObject {
    Q_OBJECT

public:
    struct Load {
        LoadPlan plan;
        bool service = false; // one of the service's pages
    };
    using LoadFunction = std::function<void(const Load&)>;

    // `view`: the widget the movie is shown in, whose screen caps the formats asked for.
    explicit LoadPlanner(QWidget* view);

    // From now on the formats may count on hardware decoding; starts asking the hardware.
    void enableHardwareDecoding();
    // A yt-dlp format selection used for the service's videos instead of the one that fits;
    // empty to go back to that one.
    void setFormatOverride(std::string format) { m_formatOverride = std::move(format); }
    // The tallest picture a person asked for (0: what fits the screen); whether that changed.
    bool setChosenLines(int lines) { return std::exchange(m_chosenLines, lines) != lines; }

    // Calls `load` with the plan for `address`: at once, or once the hardware has answered.
    // A later call replaces one still waiting.
    void plan(const std::string& address, LoadFunction load);
    // The plan for `address` if it can be made now, without waiting for the hardware.
    std::optional<Load> planNow(const std::string& address) const;

private:
    Load makeLoad(const std::string& address) const;
    int screenLines() const;

    QPointer<QWidget> m_view;
    std::string m_formatOverride;
    int m_chosenLines = 0;
    bool m_hardwareDecoding = false;
    HardwareProbe m_hardware;
    std::optional<std::pair<std::string, LoadFunction>> m_waiting;
};

} // namespace kestrova
