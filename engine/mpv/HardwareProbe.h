#pragma once

#include "engine/mpv/HardwareCodecProbe.h"

#include <QFutureWatcher>
#include <QObject>

namespace kestrova {

// Asks VA-API which codecs this machine decodes in hardware, once, on a thread of its own: the
// question loads a driver, which takes tens of milliseconds the GUI thread must not wait.
class HardwareProbe : public QObject {
    Q_OBJECT

public:
    HardwareProbe();

    // Asks, unless that has been done.
    void start();
    bool started() const { return m_started; }
    // The answer is in, and codecs() holds it. The probe's thread may end earlier; until the
    // watcher has told the GUI thread, the answer is not here yet.
    bool answered() const { return m_answered; }
    // None until the answer is in.
    const HardwareCodecs& codecs() const { return m_codecs; }

signals:
    void answeredNow();

private:
    QFutureWatcher<HardwareCodecs> m_watcher;
    HardwareCodecs m_codecs;
    bool m_started = false;
    bool m_answered = false;
};

} // namespace kestrova
