// What the write-through saves cost the GUI thread while a movie plays: the control panel with
// its player plays a 60 fps clip from loopback, and Play Back alternates between two of the 50
// history records every 300 ms, so that every play saves Kestrova.ini (and History.ini, the
// place of the video left). The GUI thread's event latency (lateness of a 5 ms precise timer),
// median and 99th percentile:
//   - idle, the windows up and nothing playing;
//   - playing, nothing saved;
//   - playing, with Play Back every 300 ms.
// Then what one save of a video's place costs the GUI thread, timed around the call: the record
// changed and a copy of the 50 records handed to the writer thread, while the clip plays.
// The program folder lies under the system's temporary directory (TMPDIR): on a disk, as a
// user's would, each save waits for it.
//
// Measured on the 2-core work VM, Xvfb, folder on ext4, 30 s a phase, three runs (p99; max):
//   saves on the GUI thread:    idle 0.64-0.73 ms; playing 1.50-1.68 ms;
//                               Play Back 1.99-2.06 ms (max 4.6-6.8 ms)
//   saves on the writer thread: idle 0.66-0.70 ms; playing 1.75-2.02 ms;
//                               Play Back 1.65-2.01 ms (max 4.5-9.0 ms)
// With the writer thread, Play Back costs no more than playing alone in the same run; before,
// it added about 0.4 ms to the p99.
// One save of a place (the same VM shared with other builds, 10 s a phase, three runs): median
// 0.13-0.14 ms on the GUI thread, p99 0.60-0.88 ms (the writer thread and the other builds
// taking the core it ran on).
//
//   save_latency_bench [seconds per phase]   (default 30; under scripts/with-xvfb.sh for the
//                                            OpenGL path, as a person sees it)

#include "bench/EventLatency.h"
#include "history/CHistoryDlg.h"
#include "history/HistoryItem.h"
#include "player/CPlayerDlg.h"
#include "process/AppContext.h"
#include "request/CControlDlg.h"
#include "request/SessionParts.h"
#include "tests/support/BuildTreeEngine.h"
#include "tests/support/MediaClip.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <httplib.h>
#include <thread>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace {

using namespace kestrova;
using namespace kestrova::bench;

constexpr int kPlayBackEveryMs = 300;
constexpr int kPlaceSaves = 200;
constexpr int kHistoryRecords = 50;

void report(const char* phase, const std::vector<double>& late) {
    std::printf("%-26s latency median %6.2f ms   p99 %6.2f ms   max %7.2f ms\n", phase,
                percentile(late, 0.5), percentile(late, 0.99), percentile(late, 1.0));
}

// Serves the clip for every /v/ address, as the media server of the tests does.
class ClipServer {
public:
    explicit ClipServer(std::string clip)
        : m_clip(std::move(clip)) {
        m_server.Get(R"(/v/.*)", [this](const httplib::Request&, httplib::Response& response) {
            response.set_content(m_clip, "video/webm");
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
    }
    ~ClipServer() {
        m_server.stop();
        m_thread.join();
    }
    std::string prefix() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/v/"; }

private:
    std::string m_clip;
    httplib::Server m_server;
    int m_port = 0;
    std::thread m_thread;
};

std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A full history, IDs of 11 characters and Japanese titles, as a person's would be.
std::string fullHistory() {
    std::string text = "[SYSTEM]\nCOUNT=" + std::to_string(kHistoryRecords) + "\n";
    for (int k = 0; k < kHistoryRecords; ++k) {
        char id[16];
        std::snprintf(id, sizeof id, "seed%07d", k);
        text += "[ITEM" + std::to_string(k) + "]\nVIDEOID=" + id +
                "\nTITLE=朝の散歩 Morning walk 第" + std::to_string(k) +
                "回 東京\nPOSITION=" + std::to_string(60 + k) + "\n";
    }
    return text;
}

// Each save of a place, timed on the GUI thread, a moment apart so that the writer keeps up.
void reportPlaceSaves(CHistoryDlg& history, const std::u16string& videoId) {
    std::vector<double> costs;
    QElapsedTimer timer;
    for (int second = 0; second < kPlaceSaves; ++second) {
        timer.start();
        history.keepPlace(videoId, 11 + second);
        costs.push_back(double(timer.nsecsElapsed()) / 1e6);
        runFor(20);
    }
    std::printf("%-26s GUI thread     median %6.3f ms   p99 %6.3f ms   max %7.3f ms\n",
                "one save of a place", percentile(costs, 0.5), percentile(costs, 0.99),
                percentile(costs, 1.0));
}

} // namespace

int main(int argc, char** argv) {
    test::UseBuildTreeEngine();
    QApplication app(argc, argv);
    const int phaseMs = 1000 * (argc > 1 ? std::max(2, std::atoi(argv[1])) : 30);
    test::TempDir folder;
    const auto clipPath = folder / "clip60.webm";
    if (!test::MakeTestClip(clipPath, {160, 90, 60, 12})) {
        std::fprintf(stderr, "ffmpeg could not make the clip\n");
        return 1;
    }
    ClipServer server(readBytes(clipPath));
    GetAppContext().m_strProgramDir = folder.path();
    test::WriteFileBytes(folder / "Kestrova.ini", "[NETWORK]\nPLAYERURL=" + server.prefix() + "\n");
    test::WriteFileBytes(folder / "History.ini", fullHistory());
    std::printf("program folder under %s\n", folder.path().parent_path().c_str());

    QWidget host;
    host.resize(700, 500);
    auto parts = std::make_unique<SessionParts>();
    auto panel = std::make_unique<CControlDlg>(*parts);
    panel->Create(&host);
    host.show();
    runFor(2000); // the player shows, the engine's module loads

    report("idle", timerLateness(phaseMs));

    const std::vector<HistoryItem> records = panel->historyDlg()->store().items();
    panel->PlayFromHistory(records.at(0));
    runFor(1000);
    report("playing 60 fps", timerLateness(phaseMs));

    int plays = 0;
    QTimer playBack;
    QObject::connect(&playBack, &QTimer::timeout,
                     [&] { panel->PlayFromHistory(records.at(std::size_t(++plays % 2))); });
    playBack.start(kPlayBackEveryMs);
    report("playing, Play Back 300 ms", timerLateness(phaseMs));
    playBack.stop();
    std::printf("%d plays, each saving Kestrova.ini\n", plays);
    reportPlaceSaves(*panel->historyDlg(), records.at(0).m_strVideoId);

    panel.reset();
    parts.reset();
    ReleaseAppContext();
    return 0;
}
