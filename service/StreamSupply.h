#pragma once

#include "service/YtDlpAnswer.h"
#include "service/YtDlpKeeper.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kestrova {

// One video's streams as the engine asks for them: the service page's address, and the format
// yt-dlp is to choose.
struct StreamRequest {
    std::string address;
    std::string format;

    auto operator<=>(const StreamRequest&) const = default;
};

// A kept answer of yt-dlp's, and the file the engine's yt-dlp hook reads it from; the file goes
// with the last holder of the answer.
struct StreamAnswer {
    YtDlpAnswer answer;
    std::filesystem::path hookFile;
    std::chrono::system_clock::time_point keepUntil;

    StreamAnswer() = default;
    ~StreamAnswer();
    StreamAnswer(const StreamAnswer&) = delete;
    StreamAnswer& operator=(const StreamAnswer&) = delete;
};

struct StreamResult {
    std::shared_ptr<const StreamAnswer> answer; // nothing when it failed
    std::u16string failureLine;                 // then what the player says
};

// Asks yt-dlp for the streams of the service's videos, on threads of its own, and keeps each
// answer until its stream addresses are about to expire (at most kMaxKeptAnswers), so that a
// replay, Play Back and a video readied while its address was typed need no new run. yt-dlp
// itself is kept current by a YtDlpKeeper.
class StreamSupply {
public:
    // Carries a call over to the thread that asked (the GUI thread).
    using Post = std::function<void(std::function<void()>)>;
    using Done = std::function<void(StreamResult)>;

    struct Settings {
        YtDlpKeeper::Settings keeper;
        std::chrono::milliseconds ytDlpTimeOut{std::chrono::seconds(60)};
        // Where the answers for the engine's hook are written; empty: a private folder made in
        // $XDG_RUNTIME_DIR (else the temporary folder), removed when the supply goes.
        std::filesystem::path answerFolder;
        std::function<std::chrono::system_clock::time_point()> clock =
            std::chrono::system_clock::now;
    };

    static constexpr std::size_t kMaxKeptAnswers = 50;

    StreamSupply(Settings settings, Post post);
    // Ends the runs of yt-dlp still going, without answering them.
    ~StreamSupply();
    StreamSupply(const StreamSupply&) = delete;
    StreamSupply& operator=(const StreamSupply&) = delete;

    // The streams of the video, through `done` (posted, also when an answer is kept). A video
    // already being asked for is not asked for twice.
    void resolve(const StreamRequest& request, Done done);
    // Asks for the streams of a video that is likely wanted soon, to keep the answer. Never
    // fetches yt-dlp and never holds up a resolve.
    void prepare(const StreamRequest& request);
    // Finds yt-dlp and the JavaScript runtime now (each a run of a program), so that the first
    // video asked for need not wait for that.
    void prime();
    // The kept answer, when it is still good; else nothing.
    std::shared_ptr<const StreamAnswer> kept(const StreamRequest& request);
    // Drops the kept answer: its streams no longer open.
    void forget(const StreamRequest& request);

    // Called (posted) when a fetch of yt-dlp that a video waits for starts and ends.
    void setUpdatingListener(std::function<void(bool)> listener);
    bool updating() const;

    // The time the kept answers are judged by.
    std::chrono::system_clock::time_point now() const { return m_settings.clock(); }

    YtDlpKeeper& keeper() { return m_keeper; }

private:
    struct Job {
        StreamRequest request;
        bool prepared = false;  // only to keep the answer; a resolve goes first
        bool toolsOnly = false; // only to find yt-dlp and the runtime
    };
    struct Waiting {
        std::vector<Done> done;
    };

    void enqueue(const StreamRequest& request, bool prepared);
    void work();
    StreamResult run(const Job& job);
    StreamResult runWithTools(const Job& job, const YtDlpKeeper::Tools& tools, bool retried);
    std::shared_ptr<const StreamAnswer> keep(const StreamRequest& request, YtDlpAnswer answer);
    std::filesystem::path answerFolder();
    void finish(const Job& job, StreamResult result);
    void tellUpdating(bool updating);

    Settings m_settings;
    Post m_post;
    YtDlpKeeper m_keeper;

    mutable std::mutex m_mutex;
    std::condition_variable m_jobsChanged;
    std::deque<Job> m_jobs;
    std::map<StreamRequest, Waiting> m_waiting; // asked for, not yet answered
    int m_preparing = 0;                        // readied videos being run
    struct Kept {
        std::shared_ptr<const StreamAnswer> answer;
        std::uint64_t lastUse = 0;
    };
    std::map<StreamRequest, Kept> m_kept;
    std::uint64_t m_uses = 0;
    std::function<void(bool)> m_updatingListener;
    bool m_updating = false;
    std::filesystem::path m_answerFolder;
    bool m_ownsAnswerFolder = false;
    std::uint64_t m_answerFiles = 0;
    bool m_stopping = false;
    std::vector<std::thread> m_workers;
};

} // namespace kestrova
