#include "player/LoadPlanner.h"

#include <cmath>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace kestrova {

LoadPlanner::LoadPlanner(QWidget* view)
    : m_view(view) {
    connect(&m_hardware, &HardwareProbe::answeredNow, this, [this] {
        if (auto waiting = std::exchange(m_waiting, std::nullopt))
            planNow(waiting->first, waiting->second);
    });
}

void LoadPlanner::enableHardwareDecoding() {
    m_hardwareDecoding = true;
    m_hardware.start();
}

void LoadPlanner::plan(const std::string& address, LoadFunction load) {
    const bool service = IsServiceAddress(address);
    if (service && m_hardwareDecoding && !m_hardware.answered()) {
        m_waiting.emplace(address, std::move(load));
        return;
    }
    m_waiting.reset();
    planNow(address, load);
}

void LoadPlanner::planNow(const std::string& address, const LoadFunction& load) {
    const bool service = IsServiceAddress(address);
    const FormatNeeds needs =
        service ? FormatNeeds{screenLines(), m_hardwareDecoding, m_hardware.codecs()}
                : FormatNeeds{};
    load({PlanLoad(address, needs, m_formatOverride), service});
}

int LoadPlanner::screenLines() const {
    const QScreen* screen = m_view ? m_view->screen() : QGuiApplication::primaryScreen();
    return screen ? int(std::lround(screen->geometry().height() * screen->devicePixelRatio())) : 0;
}

} // namespace kestrova
