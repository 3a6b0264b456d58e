#pragma once

// The GUI thread's event latency, as the benchmarks measure it: how late a chain of short
// precise timers fires while the event loop runs.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QObject>
#include <QTimer>

namespace kestrova::bench {

inline constexpr int kProbeMs = 5;

// Runs the event loop for `ms` without the 10 ms naps QTest::qWait takes between passes,
// which would show up as latency of their own.
inline void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// The value below which `share` (0 to 1) of `values` lie; NaN when there are none.
inline double percentile(std::vector<double> values, double share) {
    if (values.empty())
        return NAN;
    std::sort(values.begin(), values.end());
    return values[std::size_t(std::lround(share * double(values.size() - 1)))];
}

// How late a chain of kProbeMs precise single-shot timers fires, in milliseconds, over `ms`.
inline std::vector<double> timerLateness(int ms) {
    std::vector<double> late;
    QElapsedTimer clock;
    clock.start();
    qint64 due = clock.nsecsElapsed() + kProbeMs * 1000000LL;
    QTimer probe;
    probe.setSingleShot(true);
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        late.push_back(double(clock.nsecsElapsed() - due) / 1e6);
        due = clock.nsecsElapsed() + kProbeMs * 1000000LL;
        probe.start(kProbeMs);
    });
    probe.start(kProbeMs);
    runFor(ms);
    return late;
}

} // namespace kestrova::bench
