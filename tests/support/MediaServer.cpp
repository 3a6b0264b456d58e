#include "tests/support/MediaServer.h"

#include "tests/support/MediaClip.h"

#include <chrono>
#include <httplib.h>

namespace kestrova::test {

MediaServer::MediaServer()
    : m_server(std::make_unique<httplib::Server>())
    , m_clip(TestClipBytes()) {
    m_server->set_logger([this](const httplib::Request& request, const httplib::Response&) {
        std::lock_guard lock(m_mutex);
        m_targets.push_back(request.target);
    });
    m_server->Get(
        R"(/v/[^/]*)", [this](const httplib::Request& request, httplib::Response& response) {
            std::lock_guard lock(m_mutex);
            if (const auto refused = m_refused.find(request.path); refused != m_refused.end()) {
                response.status = refused->second;
                return;
            }
            if (const auto served = m_served.find(request.path); served != m_served.end()) {
                response.set_content(served->second.first, served->second.second);
                return;
            }
            response.set_content(m_clip, "video/webm");
        });
    m_port = m_server->bind_to_any_port("127.0.0.1");
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    // stop() does nothing until the accept loop runs; wait for it (bounded) so the
    // destructor can always end the thread.
    for (int i = 0; i < 500 && !m_server->is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

MediaServer::~MediaServer() {
    m_server->stop();
    m_thread.join();
}

std::string MediaServer::baseUrl() const {
    return "http://127.0.0.1:" + std::to_string(m_port);
}

void MediaServer::setClip(std::string bytes) {
    std::lock_guard lock(m_mutex);
    m_clip = std::move(bytes);
}

void MediaServer::refuse(const std::string& path, int status) {
    std::lock_guard lock(m_mutex);
    m_refused[path] = status;
}

void MediaServer::serve(const std::string& path, std::string body, std::string type) {
    std::lock_guard lock(m_mutex);
    m_served[path] = {std::move(body), std::move(type)};
}

std::vector<std::string> MediaServer::requestTargets() const {
    std::lock_guard lock(m_mutex);
    return m_targets;
}

} // namespace kestrova::test
