// Time from LoadMovie to the first drawn frame of the loopback test clip, beside the same
// clip loaded into the mpv command-line player (through its IPC socket, time from the
// loadfile command to its "playback-restart" event, which follows the first frame).
//
//   player_first_frame_bench [runs]       (QT_QPA_PLATFORM=offscreen: software path;
//                                          under xvfb-run: the OpenGL path)

#include "player/CShockwaveflash1.h"
#include "tests/support/BuildTreeEngine.h"
#include "tests/support/MediaClip.h"
#include "tests/support/MediaServer.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kTimeoutMs = 10000;

double median(std::vector<double> values) {
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// LoadMovie to firstFrameRendered, in milliseconds; negative on time-out.
double timeFirstFrame(kestrova::CShockwaveflash1& player, const QString& address) {
    QSignalSpy frames(&player, &kestrova::CShockwaveflash1::firstFrameRendered);
    QElapsedTimer timer;
    timer.start();
    player.LoadMovie(0, address);
    if (!frames.wait(kTimeoutMs))
        return -1;
    return timer.nsecsElapsed() / 1e6;
}

std::vector<double> timeWrapper(const QString& address, int runs, double* cold) {
    std::vector<double> warm;
    QElapsedTimer created;
    created.start();
    kestrova::CShockwaveflash1 player;
    player.resize(320, 180);
    player.show();
    QTest::qWait(50);
    const qint64 creation = created.nsecsElapsed();
    const double first = timeFirstFrame(player, address);
    *cold = first < 0 ? -1 : first + creation / 1e6;
    for (int i = 0; i < runs; ++i)
        warm.push_back(timeFirstFrame(player, address));
    return warm;
}

// A minimal client of mpv's JSON IPC socket.
class MpvProcess {
public:
    // audioOutput: e.g. "null"; empty for mpv's own choice, as the player makes it.
    MpvProcess(const std::string& socketPath, const std::string& audioOutput)
        : m_socketPath(socketPath) {
        std::vector<std::string> arguments = {
            "mpv",        "--no-config",     "--idle=yes",     "--vo=null",
            "--ytdl=yes", "--loop-file=inf", "--really-quiet", "--input-ipc-server=" + socketPath};
        if (!audioOutput.empty())
            arguments.push_back("--ao=" + audioOutput);
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        if (posix_spawnp(&m_pid, "mpv", nullptr, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
    }
    ~MpvProcess() {
        if (m_socket >= 0)
            close(m_socket);
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }

    bool connectSocket() {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", m_socketPath.c_str());
        for (int i = 0; i < 500 && m_pid > 0; ++i) {
            m_socket = socket(AF_UNIX, SOCK_STREAM, 0);
            if (connect(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
                return true;
            close(m_socket);
            m_socket = -1;
            usleep(10000);
        }
        return false;
    }

    // loadfile to playback-restart, in milliseconds; negative on time-out.
    double timeLoad(const std::string& url) {
        const std::string command = R"({"command":["loadfile",")" + url +
                                    R"(","replace"]})"
                                    "\n";
        const auto start = Clock::now();
        if (write(m_socket, command.data(), command.size()) != ssize_t(command.size()))
            return -1;
        if (!waitFor("\"playback-restart\""))
            return -1;
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }

private:
    bool waitFor(const std::string& event) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(kTimeoutMs);
        while (Clock::now() < deadline) {
            const auto newline = m_buffer.find('\n');
            if (newline != std::string::npos) {
                const std::string line = m_buffer.substr(0, newline);
                m_buffer.erase(0, newline + 1);
                if (line.find(event) != std::string::npos)
                    return true;
                continue;
            }
            pollfd fd{m_socket, POLLIN, 0};
            if (poll(&fd, 1, 100) <= 0)
                continue;
            char chunk[4096];
            const ssize_t got = read(m_socket, chunk, sizeof chunk);
            if (got <= 0)
                return false;
            m_buffer.append(chunk, size_t(got));
        }
        return false;
    }

    std::string m_socketPath;
    pid_t m_pid = -1;
    int m_socket = -1;
    std::string m_buffer;
};

std::vector<double> timeCommandLinePlayer(const std::string& url, int runs,
                                          const std::string& audioOutput) {
    kestrova::test::TempDir folder;
    MpvProcess mpv((folder / "mpv.sock").string(), audioOutput);
    std::vector<double> times;
    if (!mpv.connectSocket())
        return times;
    mpv.timeLoad(url); // the first load warms the process up, as the wrapper's does
    for (int i = 0; i < runs; ++i)
        times.push_back(mpv.timeLoad(url));
    return times;
}

} // namespace

int main(int argc, char** argv) {
    kestrova::test::UseBuildTreeEngine();
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    if (kestrova::test::TestClipBytes().empty()) {
        std::fprintf(stderr, "ffmpeg could not make the test clip\n");
        return 1;
    }
    kestrova::test::MediaServer server;
    const std::string url = server.playerPrefix() + "clip?version=3&rel=0&autoplay=1&loop=1";

    double cold = -1;
    const auto wrapper = timeWrapper(QString::fromStdString(url), runs, &cold);
    const auto commandLine = timeCommandLinePlayer(url, runs, "null");
    const auto commandLineAudio = timeCommandLinePlayer(url, runs, "");
    std::printf("platform %s, %d runs, median milliseconds\n",
                qPrintable(QGuiApplication::platformName()), runs);
    std::printf("  CShockwaveflash1 LoadMovie -> first frame drawn:            %7.1f\n",
                median(wrapper));
    std::printf("  CShockwaveflash1 creation + LoadMovie (first time):         %7.1f\n", cold);
    std::printf("  mpv command line --ao=null, loadfile -> playback-restart:  %7.1f\n",
                median(commandLine));
    std::printf("  mpv command line default audio output, same:               %7.1f\n",
                median(commandLineAudio));
    return 0;
}
