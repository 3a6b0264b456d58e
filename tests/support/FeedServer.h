#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace kestrova::test {

// What the server does with a request for one path.
struct FeedReply {
    enum class Kind {
        Answer,  // status, headers, body
        Hang,    // reads the request and never answers
        Reset,   // sends `pieces` (if any) after a head promising more, then resets
        Endless, // `status` with a chunked body that never ends
    };
    Kind kind = Kind::Answer;
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers;
    // The body, each piece sent by its own write after a short pause, so the client reads
    // them separately. More than one piece: chunked encoding; else Content-Length.
    std::vector<std::string> pieces;
    // Answer as if the connection stayed open, wait for the next request on it and reset the
    // connection instead of answering: the client fails there and has to connect again.
    bool resetAfterAnswer = false;

    static FeedReply ok(std::string body);
    static FeedReply inPieces(std::vector<std::string> pieces);
    static FeedReply withStatus(int status, std::string body = {});
    static FeedReply redirect(int status, std::string location);
    static FeedReply redirectThenReset(int status, std::string location);
    static FeedReply hang();
    static FeedReply reset(std::string partialBody = {});
    static FeedReply endless();
};

struct FeedRequest {
    std::string target; // as sent: path and query, still percent-encoded
    std::string userAgent;
};

// The Atom entry the server sends for a known video: its first <title type='text'> holds the
// title, XML-escaped.
std::string AtomEntry(const std::u16string& id, const std::u16string& title);

// An HTTP/1.1 server on 127.0.0.1 (a free port) in its own threads, one connection per
// request. It answers /feeds/api/videos/<ID> like the service's old feed (unknown IDs: 404)
// and any path given a scripted reply. The destructor cuts open connections (hung ones too)
// and joins every thread, so it never outlives or blocks a test.
class FeedServer {
public:
    FeedServer();
    ~FeedServer();
    FeedServer(const FeedServer&) = delete;
    FeedServer& operator=(const FeedServer&) = delete;

    int port() const { return m_port; }
    std::string baseUrl() const; // http://127.0.0.1:<port>
    std::string feedUrl() const; // the feed address prefix; the ID is appended

    void setTitle(const std::u16string& id, const std::u16string& title);
    // `target` is matched exactly against the request target as sent.
    void setReply(const std::string& target, FeedReply reply);
    // Requests for the target, once read, wait for releaseRequests (or the server's end)
    // before they get their reply: a request held open for as long as a test needs.
    void holdRequests(const std::string& target);
    void releaseRequests(const std::string& target);
    std::vector<FeedRequest> requests() const;

private:
    void acceptLoop();
    void reapFinishedHandlers();
    void serve(std::uint64_t handler, int fd);
    bool readHead(int fd, std::string& head);
    void respond(int fd, const std::string& head);
    FeedReply replyFor(const std::string& target) const;
    bool waitWhileHeld(const std::string& target); // false once the server stops
    void answer(int fd, const FeedReply& reply);
    bool pause(); // false once the server stops
    bool sendAll(int fd, const std::string& bytes);
    void closeConnection(int fd, bool reset);

    int m_listenFd = -1;
    int m_wakePipe[2] = {-1, -1};
    int m_port = 0;

    mutable std::mutex m_mutex;
    // Notified when the server stops and when held requests are released.
    std::condition_variable m_stopped;
    bool m_stopping = false;
    std::map<std::string, FeedReply> m_replies;
    std::set<std::string> m_held;
    std::map<std::string, std::u16string> m_titles; // UTF-8 ID -> title
    std::vector<FeedRequest> m_requests;
    std::set<int> m_openFds;
    // One thread per connection; finished ones are joined as new connections come, so a
    // long-lived server (the offline demo, a benchmark) does not pile them up.
    std::map<std::uint64_t, std::thread> m_handlers;
    std::vector<std::uint64_t> m_finishedHandlers;
    std::uint64_t m_nextHandler = 0;
    std::thread m_acceptor;
};

} // namespace kestrova::test
