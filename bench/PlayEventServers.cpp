// play_event_servers: the offline demo's feed and media servers for by-hand crash runs. Every
// request is written to an event log with its wall-clock time in microseconds (the clock of
// bash's EPOCHREALTIME), and a trigger file can have the program killed a set time after a
// given request arrives, which a script polling the log could not time as closely.
//
//   play_event_servers --info FILE --titles FILE --log FILE [--trigger FILE]
//
// Log lines: "<us> feed-asked <ID>", "<us> feed-answered <ID> <status>" (once the answer is
// written), "<us> movie-asked <ID>", "<us> killed <ID> <PID>" (taken just before kill(2)).
// Trigger file, one line, read at every request and removed when it fires:
// "<feed-asked|movie-asked> <ID> <PID> <DELAY_US>". The feed knows the demo's titles, answers
// 404 for the demo's unknown ID and makes up a title for any other ID.
#include "support/FeedServer.h"
#include "support/MediaClip.h"
#include "text/Utf8.h"
#include "tools/demo/ChildProcess.h"
#include "tools/demo/DemoCatalogue.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <httplib.h>
#include <iostream>
#include <mutex>
#include <optional>
#include <sstream>
#include <string_view>
#include <thread>
#include <vector>

namespace kestrova::bench {
namespace {

long long nowMicroseconds() {
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

class EventLog {
public:
    explicit EventLog(const std::filesystem::path& path)
        : m_file(std::fopen(path.c_str(), "a")) {
        if (!m_file)
            throw std::runtime_error("cannot open " + path.string());
    }
    ~EventLog() { std::fclose(m_file); }
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;

    void write(long long time, std::string_view line) {
        std::lock_guard lock(m_mutex);
        std::fprintf(m_file, "%lld %.*s\n", time, int(line.size()), line.data());
        std::fflush(m_file);
    }

private:
    std::mutex m_mutex;
    std::FILE* m_file;
};

// Kills a process a set time after the request a trigger file names. One-shot: the file is
// removed when it fires, so a later request of the same kind does not fire it again.
class KillTrigger {
public:
    KillTrigger(std::filesystem::path path, EventLog& log)
        : m_path(std::move(path))
        , m_log(log) {}
    ~KillTrigger() {
        for (std::thread& killer : m_killers)
            killer.join();
    }
    KillTrigger(const KillTrigger&) = delete;
    KillTrigger& operator=(const KillTrigger&) = delete;

    void onRequest(std::string_view event, const std::string& id) {
        if (m_path.empty())
            return;
        std::lock_guard lock(m_mutex);
        std::ifstream in(m_path);
        std::string wantedEvent, wantedId;
        pid_t pid = 0;
        long long delay = 0;
        if (!(in >> wantedEvent >> wantedId >> pid >> delay) || wantedEvent != event ||
            wantedId != id || pid <= 0)
            return;
        std::filesystem::remove(m_path);
        m_killers.emplace_back([this, id, pid, delay] {
            std::this_thread::sleep_for(std::chrono::microseconds(delay));
            const long long time = nowMicroseconds();
            ::kill(pid, SIGKILL);
            m_log.write(time, "killed " + id + " " + std::to_string(pid));
        });
    }

private:
    std::filesystem::path m_path;
    EventLog& m_log;
    std::mutex m_mutex;
    std::vector<std::thread> m_killers;
};

std::optional<std::u16string> titleFor(const std::u16string& id) {
    for (const demo::DemoVideo& video : demo::DemoVideos()) {
        if (video.id == id)
            return video.title.empty() ? std::nullopt : std::optional(video.title);
    }
    return u"動画 " + id;
}

// Starts listening on a free loopback port in a thread of its own; returns the port.
int listenInBackground(httplib::Server& server, std::thread& thread) {
    const int port = server.bind_to_any_port("127.0.0.1");
    if (port <= 0)
        throw std::runtime_error("cannot listen on 127.0.0.1");
    thread = std::thread([&server] { server.listen_after_bind(); });
    for (int i = 0; i < 500 && !server.is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return port;
}

struct Paths {
    std::filesystem::path info, titles, log, trigger;
};

std::optional<Paths> parseArguments(int argc, char** argv) {
    Paths paths;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view option = argv[i];
        std::filesystem::path* target = option == "--info"      ? &paths.info
                                        : option == "--titles"  ? &paths.titles
                                        : option == "--log"     ? &paths.log
                                        : option == "--trigger" ? &paths.trigger
                                                                : nullptr;
        if (!target)
            return std::nullopt;
        *target = argv[i + 1];
    }
    if (argc % 2 == 0 || paths.info.empty() || paths.titles.empty() || paths.log.empty())
        return std::nullopt;
    return paths;
}

void writeTitles(const std::filesystem::path& path) {
    std::ofstream out(path, std::ios::trunc);
    for (const demo::DemoVideo& video : demo::DemoVideos()) {
        if (!video.title.empty())
            out << EncodeUtf8(video.id) << '\t' << EncodeUtf8(video.title) << '\n';
    }
}

// The logs and the trigger see a request as soon as its head is read.
void watchRequests(httplib::Server& server, std::string event, EventLog& log,
                   KillTrigger& trigger) {
    server.set_pre_routing_handler(
        [event, &log, &trigger](const httplib::Request& request, httplib::Response&) {
            const std::string id = request.path.substr(request.path.rfind('/') + 1);
            log.write(nowMicroseconds(), event + " " + id);
            trigger.onRequest(event, id);
            return httplib::Server::HandlerResponse::Unhandled;
        });
}

int run(const Paths& paths) {
    const std::string& clip = test::TestClipBytes();
    if (clip.empty()) {
        std::cerr << "play_event_servers: the test clip could not be made (is ffmpeg installed?)\n";
        return 1;
    }
    demo::BlockProgramSignals();
    EventLog log(paths.log);
    KillTrigger trigger(paths.trigger, log);

    httplib::Server feed;
    watchRequests(feed, "feed-asked", log, trigger);
    feed.Get(R"(/feeds/api/videos/([^/]+))",
             [](const httplib::Request& request, httplib::Response& response) {
                 const std::u16string id = DecodeUtf8(request.matches[1].str());
                 if (const auto title = titleFor(id))
                     response.set_content(test::AtomEntry(id, *title), "application/atom+xml");
                 else
                     response.status = 404;
             });
    feed.set_logger([&log](const httplib::Request& request, const httplib::Response& response) {
        const std::string id = request.path.substr(request.path.rfind('/') + 1);
        log.write(nowMicroseconds(), "feed-answered " + id + " " + std::to_string(response.status));
    });

    httplib::Server media;
    watchRequests(media, "movie-asked", log, trigger);
    media.Get(R"(/v/[^/]+)", [&clip](const httplib::Request&, httplib::Response& response) {
        response.set_content(clip, "video/webm");
    });

    std::thread feedThread, mediaThread;
    const int feedPort = listenInBackground(feed, feedThread);
    const int mediaPort = listenInBackground(media, mediaThread);
    writeTitles(paths.titles);
    {
        // Written last, so a reader that sees the file can use the servers.
        std::ofstream info(paths.info, std::ios::trunc);
        info << "FEEDURL=http://127.0.0.1:" << feedPort << "/feeds/api/videos/\n"
             << "PLAYERURL=http://127.0.0.1:" << mediaPort << "/v/\n";
    }
    demo::WaitForTerminationSignal();
    feed.stop();
    media.stop();
    feedThread.join();
    mediaThread.join();
    return 0;
}

} // namespace
} // namespace kestrova::bench

int main(int argc, char** argv) {
    const auto paths = kestrova::bench::parseArguments(argc, argv);
    if (!paths) {
        std::cerr << "Usage: play_event_servers --info FILE --titles FILE --log FILE "
                     "[--trigger FILE]\n";
        return 2;
    }
    try {
        return kestrova::bench::run(*paths);
    } catch (const std::exception& error) {
        std::cerr << "play_event_servers: " << error.what() << "\n";
        return 1;
    }
}
