#include "engine/mpv/LoadPlanner.h"

#include <cmath>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace kestrova {

LoadPlanner::LoadPlanner(QWidget* view)
    : m_view(view) {
    connect(&m_hardware, &HardwareProbe::answeredNow, this, [this] {
        if (auto waiting = std::exchange(m_waiting, std::nullopt))
            waiting->second(makeLoad(waiting->first));
    });
}

void LoadPlanner::enableHardwareDecoding() {
    m_hardwareDecoding = true;
    m_hardware.start();
}

void LoadPlanner::plan(const std::string& address, LoadFunction load) {
    auto now = planNow(address);
    if (!now) {
        m_waiting.emplace(address, std::move(load));
        return;
    }
    m_waiting.reset();
    load(*now);
}

std::optional<LoadPlanner::Load> LoadPlanner::planNow(const std::string& address) const {
    if (IsServiceAddress(address) && m_hardwareDecoding && !m_hardware.answered())
        return std::nullopt;
    return makeLoad(address);
}

LoadPlanner::Load LoadPlanner::makeLoad(const std::string& address) const {
    const bool service = IsServiceAddress(address);
    const FormatNeeds needs =
        service ? FormatNeeds{screenLines(), m_hardwareDecoding, m_hardware.codecs(), m_chosenLines}
                : FormatNeeds{};
    return {PlanLoad(address, needs, m_formatOverride), service};
}

int LoadPlanner::screenLines() const {
    const QScreen* screen = m_view ? m_view->screen() : QGuiApplication::primaryScreen();
    return screen ? int(std::lround(screen->geometry().height() * screen->devicePixelRatio())) : 0;
}

} // namespace kestrova
