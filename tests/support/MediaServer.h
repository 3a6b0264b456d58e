#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace kestrova::test {

// A loopback HTTP server that answers "/v/<ID>" (any query) with the test clip, or the clip it
// was given, and every other path with 404. It runs on its own thread and stops when the
// object goes.
class MediaServer {
public:
    MediaServer();
    ~MediaServer();
    MediaServer(const MediaServer&) = delete;
    MediaServer& operator=(const MediaServer&) = delete;

    // "http://127.0.0.1:<port>"
    std::string baseUrl() const;
    // The player prefix for this server: baseUrl() + "/v/".
    std::string playerPrefix() const { return baseUrl() + "/v/"; }
    // The request targets (path and query as sent) received so far.
    std::vector<std::string> requestTargets() const;
    // The clip's bytes to answer with from now on.
    void setClip(std::string bytes);
    // From now on requests for this path are refused with `status`, as the service refuses
    // stream addresses that have expired.
    void refuse(const std::string& path, int status);
    // From now on requests for this path are answered with `body` of that type.
    void serve(const std::string& path, std::string body, std::string type);

private:
    std::unique_ptr<httplib::Server> m_server;
    int m_port = 0;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_targets;
    std::string m_clip;
    std::map<std::string, int> m_refused;
    std::map<std::string, std::pair<std::string, std::string>> m_served; // body, type
};

} // namespace kestrova::test
