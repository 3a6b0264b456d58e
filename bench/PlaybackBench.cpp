// What playing costs the program, beside the mpv command-line player in the same run:
//   - the GUI thread's event latency (lateness of a 5 ms precise timer), idle and while a
//     25 fps and a 60 fps clip play, median and 99th percentile;
//   - CPU while each clip plays in a window of the same size (the player's template size);
//   - A/V sync (mpv's "avsync" property) while each clip plays;
//   - how often each of the player window's widgets but the movie repaints while a clip plays;
//   - the same for the 25 fps clip as one of the service's videos with captions shown (through
//     a stand-in yt-dlp whose answer carries them), against mpv with the same captions;
//   - the GUI thread's event latency while a new movie (the 25 fps clip, from loopback) is loaded
//     every 300 ms, as when "Play Video" is pressed again and again.
// While the clips play, in either program, the pointer moves over the middle of the screen,
// where both windows open: over the movie, with the control bar showing (mpv shows its own
// on-screen controller then).
//
//   player_playback_bench [seconds per phase]   (default 8; run under xvfb-run for the OpenGL
//                                               path, QT_QPA_PLATFORM=offscreen for software)

#include "bench/EventLatency.h"
#include "player/CPlayerDlg.h"
#include "player/ControlBar.h"
#include "tests/support/BuildTreeEngine.h"
#include "tests/support/MediaClip.h"
#include "tests/support/MediaServer.h"
#include "tests/support/StandInYtDlp.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <map>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QTimer>

extern char** environ;

namespace {

using kestrova::CPlayerDlg;
using namespace kestrova::bench;

constexpr QSize kWindow(249, 171);

double processCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The process's CPU share (100 = one core) over `ms` of running the event loop.
double cpuShare(int ms) {
    const double before = processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    runFor(ms);
    return 100.0 * (processCpuSeconds() - before) / (double(wall.nsecsElapsed()) / 1e9);
}

std::vector<double> avSyncSamples(CPlayerDlg& player, int ms) {
    std::vector<double> samples;
    QElapsedTimer wall;
    wall.start();
    while (wall.elapsed() < ms) {
        if (const auto sync = player.flash().avSync())
            samples.push_back(*sync * 1000.0);
        runFor(100);
    }
    return samples;
}

double maxAbs(const std::vector<double>& values) {
    double worst = 0;
    for (double v : values)
        worst = std::max(worst, std::abs(v));
    return values.empty() ? NAN : worst;
}

// CPU share of another process over `ms`, from its /proc stat (user + system ticks).
double childCpuShare(pid_t pid, int ms) {
    const auto ticks = [pid] {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), {});
        const auto close = text.rfind(')');
        if (close == std::string::npos)
            return -1.0;
        std::vector<std::string> fields;
        std::string field;
        for (char c : text.substr(close + 2)) {
            if (c == ' ') {
                fields.push_back(field);
                field.clear();
            } else {
                field += c;
            }
        }
        // Fields 14 and 15 of the file (utime, stime) are 12 and 13 after the name.
        return fields.size() > 12 ? std::stod(fields[11]) + std::stod(fields[12]) : -1.0;
    };
    const double before = ticks();
    QElapsedTimer wall;
    wall.start();
    runFor(ms);
    const double after = ticks();
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    return before < 0 || after < 0
               ? NAN
               : 100.0 * (after - before) / double(sysconf(_SC_CLK_TCK)) / seconds;
}

pid_t startMpv(const std::filesystem::path& clip, const std::string& captions) {
    std::vector<std::string> arguments = {"mpv",
                                          "--no-config",
                                          "--gpu-sw",
                                          "--really-quiet",
                                          "--force-window=yes",
                                          "--loop-file=inf",
                                          "--geometry=" + std::to_string(kWindow.width()) + "x" +
                                              std::to_string(kWindow.height()),
                                          clip.string()};
    if (!captions.empty())
        arguments.push_back("--sub-file=" + captions);
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    return posix_spawnp(&pid, "mpv", nullptr, nullptr, argv.data(), environ) == 0 ? pid : -1;
}

// A line of captions every second, for the whole clip.
void writeCaptions(const std::filesystem::path& path) {
    std::ofstream file(path);
    file << "WEBVTT\n\n";
    for (int second = 0; second < 12; ++second)
        file << "00:" << (second < 10 ? "0" : "") << second
             << ".000 --> 00:" << (second < 9 ? "0" : "") << second + 1
             << ".000\nThe captions' line " << second << ", shown over the movie\n\n";
}

// Moves the pointer in a small circle around the middle of the screen, 50 times a second.
class PointerMover {
public:
    PointerMover() {
        const QPoint middle = QGuiApplication::primaryScreen()->geometry().center();
        QObject::connect(&m_timer, &QTimer::timeout, [this, middle] {
            const double angle = 0.2 * ++m_step;
            QCursor::setPos(middle + QPoint(int(40 * std::cos(angle)), int(20 * std::sin(angle))));
        });
        m_timer.start(20);
    }

private:
    QTimer m_timer;
    int m_step = 0;
};

// Counts the paint events of every widget of a window but one.
class PaintCounter : public QObject {
public:
    PaintCounter(QWidget& window, const QWidget* except) {
        QList<QWidget*> widgets = window.findChildren<QWidget*>();
        widgets << &window;
        for (QWidget* widget : widgets) {
            if (!except || (widget != except && !except->isAncestorOf(widget)))
                widget->installEventFilter(this);
        }
    }
    std::map<std::string, int> take() { return std::exchange(m_paints, {}); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++m_paints[nameOf(*watched)];
        return false;
    }

private:
    static std::string nameOf(const QObject& object) {
        QString name = object.objectName();
        if (name.isEmpty())
            name = object.property("accessibleName").toString();
        if (name.isEmpty())
            name = QString::fromLatin1(object.metaObject()->className());
        return name.toStdString();
    }
    std::map<std::string, int> m_paints;
};

struct Row {
    std::string name;
    double lateMedian = NAN, late99 = NAN, cpu = NAN, mpvCpu = NAN, avsync = NAN;
    std::map<std::string, int> paints{}; // over the CPU phase
};

void print(const std::vector<Row>& rows, int phaseMs) {
    std::printf("%-10s %12s %12s %9s %9s %7s %12s\n", "phase", "late median", "late p99", "CPU %",
                "mpv CPU %", "ratio", "|avsync| max");
    for (const Row& r : rows) {
        std::printf("%-10s %9.2f ms %9.2f ms %9.1f %9.1f %7.2f %9.1f ms\n", r.name.c_str(),
                    r.lateMedian, r.late99, r.cpu, r.mpvCpu, r.cpu / r.mpvCpu, r.avsync);
    }
    for (const Row& r : rows) {
        std::printf("repaints a second, %s:", r.name.c_str());
        for (const auto& [widget, count] : r.paints)
            std::printf(" %s %.1f", widget.c_str(), 1000.0 * count / phaseMs);
        std::printf(r.paints.empty() ? " none\n" : "\n");
    }
}

} // namespace

int main(int argc, char** argv) {
    // Machines without a sound device (CI, containers) would play without audio, and mpv has
    // no A/V sync to report then; SDL's dummy device keeps time like a real one.
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    kestrova::test::UseBuildTreeEngine();
    QApplication app(argc, argv);
    const int phaseMs = 1000 * (argc > 1 ? std::max(2, std::atoi(argv[1])) : 8);
    kestrova::test::TempDir folder;
    const struct {
        const char* name;
        int rate;
        bool captions;
    } clips[] = {{"25 fps", 25, false}, {"60 fps", 60, false}, {"25 fps+cc", 25, true}};

    // The service's video with captions comes from loopback; the stand-in goes first on PATH
    // before the player looks for yt-dlp.
    kestrova::test::MediaServer media;
    kestrova::test::StandInYtDlp ytDlp(media.playerPrefix() + "clip");
    const auto captions = folder / "captions.vtt";
    writeCaptions(captions);
    media.serve("/v/captions.vtt", kestrova::test::ReadFileBytes(captions), "text/vtt");
    ytDlp.answerAlsoWith(R"("subtitles": {"en": [{"ext": "vtt", "url": ")" + media.playerPrefix() +
                         R"(captions.vtt", "name": "English"}]})");

    CPlayerDlg player;
    player.controlBar().timeLabel()->setObjectName("time");
    player.resize(kWindow);
    player.show();
    runFor(500);
    // The movie's view exists from the first load; the counter is made after it.
    std::unique_ptr<PaintCounter> paints;

    std::vector<Row> rows;
    {
        Row idle{"idle"};
        const auto late = timerLateness(phaseMs);
        idle.lateMedian = percentile(late, 0.5);
        idle.late99 = percentile(late, 0.99);
        idle.cpu = cpuShare(phaseMs);
        rows.push_back(idle);
    }
    for (const auto& clip : clips) {
        const auto path = folder / ("clip" + std::to_string(clip.rate) + ".webm");
        if (!kestrova::test::MakeTestClip(path, {160, 90, clip.rate, 12})) {
            std::fprintf(stderr, "ffmpeg could not make the %s clip\n", clip.name);
            return 1;
        }
        Row row{clip.name};
        const PointerMover pointer;
        // mpv first, while this player is still idle, so the two never play at once.
        const pid_t mpv = startMpv(path, clip.captions ? captions.string() : std::string());
        if (mpv > 0) {
            runFor(1500);
            row.mpvCpu = childCpuShare(mpv, phaseMs);
            kill(mpv, SIGTERM);
            waitpid(mpv, nullptr, 0);
        }
        QSignalSpy first(&player.flash(), &kestrova::CShockwaveflash1::firstFrameRendered);
        if (clip.captions) {
            media.setClip(kestrova::test::ReadFileBytes(path));
            player.flash().playback().setCaptions("en");
            player.PlayVideo(u"Ab3dE5gH1jK");
        } else {
            player.flash().LoadMovie(0, QString::fromStdString(path.string()));
        }
        if (!first.wait(10000)) {
            std::fprintf(stderr, "no first frame of the %s clip\n", clip.name);
            return 1;
        }
        if (clip.captions && player.flash().playback().state().captionsShown != "en") {
            std::fprintf(stderr, "no captions shown\n");
            return 1;
        }
        runFor(1000);
        if (!paints)
            paints = std::make_unique<PaintCounter>(player, player.flash().findChild<QWidget*>());
        const auto late = timerLateness(phaseMs);
        row.lateMedian = percentile(late, 0.5);
        row.late99 = percentile(late, 0.99);
        paints->take();
        row.cpu = cpuShare(phaseMs);
        row.paints = paints->take();
        row.avsync = maxAbs(avSyncSamples(player, phaseMs / 2));
        rows.push_back(row);
    }
    {
        // Each load is of another address, so none is taken for the movie already playing.
        Row row{"reloads"};
        media.setClip(kestrova::test::ReadFileBytes(folder / "clip25.webm"));
        int loads = 0;
        QTimer reload;
        QObject::connect(&reload, &QTimer::timeout, [&] {
            const std::string address = media.playerPrefix() + "reload" + std::to_string(++loads);
            player.flash().LoadMovie(0, QString::fromStdString(address));
        });
        reload.start(300);
        const auto late = timerLateness(phaseMs);
        row.lateMedian = percentile(late, 0.5);
        row.late99 = percentile(late, 0.99);
        rows.push_back(row);
    }
    std::printf("platform %s, window %dx%d, %d s per phase\n",
                qPrintable(QGuiApplication::platformName()), kWindow.width(), kWindow.height(),
                phaseMs / 1000);
    print(rows, phaseMs);
    return 0;
}
