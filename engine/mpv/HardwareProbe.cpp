#include "engine/mpv/HardwareProbe.h"

#include <QtConcurrent/QtConcurrentRun>

namespace kestrova {

HardwareProbe::HardwareProbe() {
    connect(&m_watcher, &QFutureWatcherBase::finished, this, [this] {
        m_codecs = m_watcher.result();
        m_answered = true;
        emit answeredNow();
    });
}

void HardwareProbe::start() {
    if (std::exchange(m_started, true))
        return;
    m_watcher.setFuture(QtConcurrent::run([] { return ProbeHardwareCodecs(); }));
}

} // namespace kestrova
