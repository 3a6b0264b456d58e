#pragma once

#include "metadata/FeedCancel.h"
#include "process/ChildProcess.h"
#include "service/JsRuntime.h"
#include "service/YtDlp.h"
#include "service/YtDlpRelease.h"

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace kestrova {

// Keeps a yt-dlp that can play the service's videos: finds the newest of the one on PATH and
// Kestrova's own copy, and the JavaScript runtime yt-dlp needs, and fetches a new own copy of
// yt-dlp (checked before it runs) when there is none, when it failed on the service's pages,
// or in the background when it is out of date. Fetching is off when no release address is set.
// Safe from any thread; a fetch runs on the thread that asks for it, one at a time.
class YtDlpKeeper {
public:
    struct Settings {
        YtDlpPlaces places;
        // The release to fetch; an empty urlPrefix turns fetching off. Its folder is
        // places.ownFolder.
        YtDlpRelease release;
        std::chrono::milliseconds versionTimeOut{std::chrono::seconds(10)};
        std::function<std::chrono::sys_days()> today = Today;
        // What the keeper did, for the debugging console.
        std::function<void(const std::string&)> log;
    };
    struct Tools {
        std::optional<YtDlpProgram> ytDlp;
        std::optional<JsRuntime> runtime;
    };
    // Whether a fetch that a video waits for runs; told from the thread that fetches.
    using UpdatingListener = std::function<void(bool updating)>;

    YtDlpKeeper(Settings settings, UpdatingListener updating);
    // Stops a fetch still running, and the programs it runs.
    ~YtDlpKeeper();
    YtDlpKeeper(const YtDlpKeeper&) = delete;
    YtDlpKeeper& operator=(const YtDlpKeeper&) = delete;

    // Found at the first call; later calls give what was found, or found after a fetch.
    Tools tools();

    enum class Fetch { NotTried, Installed, Failed };
    struct FetchResult {
        Fetch fetch = Fetch::NotTried;
        std::string failure; // why, when Failed
    };
    // There is no yt-dlp: fetches one, at most once a run.
    FetchResult fetchMissing();
    // `failed` could not cope with the service's pages: fetches a newer one, at most once a run.
    // Installed also when another is chosen by now (a fetch that ended meanwhile).
    FetchResult fetchAfterFailure(const YtDlpProgram& failed);
    // The chosen yt-dlp is out of date: fetches a new one on a thread of its own, at most once a
    // day (the mark is kept beside the own copy).
    void refreshIfStale();

    // What the programs run for the keeper's owner wait on too: stop() ends them.
    const ChildCancel& childCancel() const { return m_childCancel; }
    // Ends the fetch and the programs running, at once; nothing starts after.
    void stop();

private:
    Tools findTools();
    FetchResult fetch(bool videoWaits);
    bool fetchedToday() const;
    void markFetchTried() const;
    void log(const std::string& line) const;

    Settings m_settings;
    UpdatingListener m_updating;
    ChildCancel m_childCancel;
    FeedCancel m_downloadCancel;

    std::mutex m_toolsMutex; // held while the tools are found
    std::optional<Tools> m_tools;
    std::mutex m_fetchMutex; // one fetch at a time
    bool m_fetchedForMissing = false;
    bool m_fetchedForFailure = false;
    std::once_flag m_staleRefreshStarted;
    std::thread m_staleRefresh;
};

} // namespace kestrova
