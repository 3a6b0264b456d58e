// What keeping yt-dlp's answers and readying a typed video save: the control panel plays the
// service's videos through a stand-in yt-dlp that takes 1.5 s (as the real one takes 1.5-5 s on
// the service), with the title from a loopback feed and the media from a loopback server.
// "Play Video" or Play Back to the first frame, medians of the runs:
//   - first play: the ID pasted and Play Video pressed at once (yt-dlp runs);
//   - Play Back of the video played a moment before (the kept answer);
//   - the ID typed 2 s before the press (yt-dlp ran while it rested in the box).
//
//   service_streams_bench [runs]   (default 5; under scripts/with-xvfb.sh for the OpenGL path)

#include "history/HistoryItem.h"
#include "player/CPlayerDlg.h"
#include "process/AppContext.h"
#include "request/CControlDlg.h"
#include "request/SessionParts.h"
#include "res/DialogTemplates.h"
#include "tests/support/BuildTreeEngine.h"
#include "tests/support/FeedServer.h"
#include "tests/support/MediaServer.h"
#include "tests/support/StandInYtDlp.h"
#include "tests/support/TempDir.h"
#include "widgets/DialogBuilder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

using namespace kestrova;

constexpr int kTimeoutMs = 20000;
constexpr double kYtDlpSeconds = 1.5;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

QString serviceId(int n) {
    return QStringLiteral("Bench%1xxxxxx").arg(n).left(11);
}

class Bench {
public:
    explicit Bench(CControlDlg& panel)
        : m_panel(panel)
        , m_edit(findControl<QLineEdit>(&panel, ids::kAddressEdit))
        , m_play(findControl<QPushButton>(&panel, ids::kPlayVideoButton)) {}

    // From `start()` to the first frame, in milliseconds; negative on time-out.
    template <typename Start>
    double timeToFirstFrame(Start start) {
        QSignalSpy frames(&m_panel.playerDlg()->flash(), &CShockwaveflash1::firstFrameRendered);
        QElapsedTimer timer;
        timer.start();
        start();
        if (!frames.wait(kTimeoutMs))
            return -1;
        return double(timer.nsecsElapsed()) / 1e6;
    }

    double pastedAndPressed(const QString& id) {
        return timeToFirstFrame([&] {
            m_edit->selectAll();
            m_edit->insert(QStringLiteral("https://www.youtube.com/watch?v=") + id);
            QTest::mouseClick(m_play, Qt::LeftButton);
        });
    }

    double typedBefore(const QString& id, int restMs) {
        m_edit->selectAll();
        QTest::keyClicks(m_edit, QStringLiteral("https://www.youtube.com/watch?v=") + id);
        QTest::qWait(restMs);
        return timeToFirstFrame([&] { QTest::mouseClick(m_play, Qt::LeftButton); });
    }

    double playBack(const QString& id) {
        return timeToFirstFrame([&] {
            m_panel.PlayFromHistory(HistoryItem{id.toStdU16String(), u"", 0, 80, 0, 0});
        });
    }

private:
    CControlDlg& m_panel;
    QLineEdit* m_edit;
    QPushButton* m_play;
};

} // namespace

int main(int argc, char** argv) {
    test::UseBuildTreeEngine();
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    test::TempDir folder;
    test::FeedServer feed;
    test::MediaServer media;
    test::StandInYtDlp ytDlp(media.playerPrefix() + "clip");
    ytDlp.takeSeconds(kYtDlpSeconds);
    GetAppContext().m_strProgramDir = folder.path();
    // The default player address, the service's; no yt-dlp is fetched.
    test::WriteFileBytes(folder / "Kestrova.ini",
                         "[NETWORK]\nFEEDURL=" + feed.feedUrl() + "\nYTDLPURL=\n");

    QWidget host;
    host.resize(700, 500);
    auto parts = std::make_unique<SessionParts>();
    auto panel = std::make_unique<CControlDlg>(*parts);
    panel->Create(&host);
    host.show();
    QTest::qWait(2000); // the player shows, the engine's module loads
    Bench bench(*panel);
    for (int n = 0; n < 3 * runs; ++n)
        feed.setTitle(serviceId(n).toStdU16String(), u"Bench video");

    std::vector<double> first, back, typed;
    for (int i = 0; i < runs; ++i) {
        first.push_back(bench.pastedAndPressed(serviceId(3 * i)));
        QTest::qWait(1000);
        bench.pastedAndPressed(serviceId(3 * i + 1));
        QTest::qWait(1000);
        back.push_back(bench.playBack(serviceId(3 * i)));
        typed.push_back(bench.typedBefore(serviceId(3 * i + 2), 2000));
        QTest::qWait(500);
    }
    const double firstMs = median(first);
    std::printf("stand-in yt-dlp takes %.1f s; medians of %d runs, to the first frame:\n",
                kYtDlpSeconds, runs);
    std::printf("  pasted and pressed at once   %8.1f ms\n", firstMs);
    std::printf("  Play Back a moment later     %8.1f ms   %.3fx the first play (target <= 0.1)\n",
                median(back), median(back) / firstMs);
    std::printf(
        "  typed 2 s before the press   %8.1f ms   %.3fx pasted and pressed (target <= 0.3)\n",
        median(typed), median(typed) / firstMs);
    std::printf("  yt-dlp runs: %zu for %d videos\n", ytDlp.calls().size(), 3 * runs);

    panel.reset();
    parts.reset();
    ReleaseAppContext();
    return 0;
}
