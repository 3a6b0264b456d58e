#include "service/YtDlpKeeper.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace kestrova {

namespace {

// Beside the own copy; its time is that of the last fetch tried for an out-of-date yt-dlp.
constexpr std::string_view kFetchMark = "yt-dlp.checked";
constexpr auto kStaleFetchEvery = std::chrono::hours(24);

bool needsRefresh(const std::optional<YtDlpProgram>& program, std::chrono::sys_days today) {
    if (!program)
        return false; // fetched when a video asks for it
    const auto version = program->parsedVersion();
    return !version || IsStale(*version, today);
}

} // namespace

YtDlpKeeper::YtDlpKeeper(Settings settings, UpdatingListener updating)
    : m_settings(std::move(settings))
    , m_updating(std::move(updating)) {
    m_settings.release.folder = m_settings.places.ownFolder;
    m_settings.release.downloadCancel = &m_downloadCancel;
    m_settings.release.verifierCancel = &m_childCancel;
}

YtDlpKeeper::~YtDlpKeeper() {
    stop();
    if (m_staleRefresh.joinable())
        m_staleRefresh.join();
}

void YtDlpKeeper::stop() {
    m_childCancel.cancel();
    m_downloadCancel.cancel();
}

YtDlpKeeper::Tools YtDlpKeeper::tools() {
    const std::lock_guard lock(m_toolsMutex);
    if (!m_tools)
        m_tools = findTools();
    return *m_tools;
}

YtDlpKeeper::Tools YtDlpKeeper::findTools() {
    Tools found{
        FindYtDlp(m_settings.places, m_settings.versionTimeOut, &m_childCancel),
        FindJsRuntime(m_settings.places.searchPath, m_settings.versionTimeOut, &m_childCancel)};
    log(DescribeYtDlp(found.ytDlp, m_settings.today()) + " " + DescribeJsRuntime(found.runtime));
    return found;
}

YtDlpKeeper::FetchResult YtDlpKeeper::fetchMissing() {
    const std::lock_guard lock(m_fetchMutex);
    if (tools().ytDlp)
        return {Fetch::Installed, {}};
    if (std::exchange(m_fetchedForMissing, true))
        return {};
    return fetch(true);
}

YtDlpKeeper::FetchResult YtDlpKeeper::fetchAfterFailure(const YtDlpProgram& failed) {
    const std::lock_guard lock(m_fetchMutex);
    const auto chosen = tools().ytDlp;
    if (chosen && (chosen->path != failed.path || chosen->version != failed.version))
        return {Fetch::Installed, {}};
    if (std::exchange(m_fetchedForFailure, true))
        return {};
    return fetch(true);
}

void YtDlpKeeper::refreshIfStale() {
    if (m_settings.release.urlPrefix.empty() || !needsRefresh(tools().ytDlp, m_settings.today()) ||
        fetchedToday())
        return;
    std::call_once(m_staleRefreshStarted, [this] {
        m_staleRefresh = std::thread([this] {
            const std::lock_guard lock(m_fetchMutex);
            if (needsRefresh(tools().ytDlp, m_settings.today()))
                fetch(false);
        });
    });
}

YtDlpKeeper::FetchResult YtDlpKeeper::fetch(bool videoWaits) {
    if (m_settings.release.urlPrefix.empty())
        return {};
    markFetchTried();
    log("fetching yt-dlp from " + m_settings.release.urlPrefix);
    if (videoWaits && m_updating)
        m_updating(true);
    const auto failure = InstallYtDlpRelease(m_settings.release);
    if (videoWaits && m_updating)
        m_updating(false);
    if (failure) {
        log("yt-dlp not fetched: " + *failure);
        return {Fetch::Failed, *failure};
    }
    const std::lock_guard lock(m_toolsMutex);
    m_tools = findTools();
    return {Fetch::Installed, {}};
}

bool YtDlpKeeper::fetchedToday() const {
    std::error_code error;
    const auto mark = m_settings.places.ownFolder / kFetchMark;
    const auto when = std::filesystem::last_write_time(mark, error);
    return !error && std::filesystem::file_time_type::clock::now() - when < kStaleFetchEvery;
}

void YtDlpKeeper::markFetchTried() const {
    std::error_code error;
    std::filesystem::create_directories(m_settings.places.ownFolder, error);
    ::chmod(m_settings.places.ownFolder.c_str(), 0700);
    const auto mark = m_settings.places.ownFolder / kFetchMark;
    const int fd = ::open(mark.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0) {
        ::futimens(fd, nullptr);
        ::close(fd);
    }
}

void YtDlpKeeper::log(const std::string& line) const {
    if (m_settings.log)
        m_settings.log(line);
}

} // namespace kestrova
