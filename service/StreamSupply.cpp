#include "service/StreamSupply.h"

#include "res/Texts.h"
#include "service/YtDlpFailure.h"
#include "text/TextFormat.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace kestrova {

namespace {

constexpr int kWorkers = 2; // a video readied while typed never holds up one asked for
constexpr std::size_t kMaxAnswerBytes = 32 * 1024 * 1024;

std::vector<std::string> ytDlpArguments(const YtDlpKeeper::Tools& tools,
                                        const StreamRequest& request) {
    std::vector<std::string> arguments{tools.ytDlp->path.string(), "-J", "--no-playlist"};
    if (!request.format.empty())
        arguments.insert(arguments.end(), {"--format", request.format});
    // Since 2025.11.12 the service's pages need a JavaScript runtime; yt-dlp looks only for
    // Deno unless told of another, and an older yt-dlp stops at the option.
    const auto version = tools.ytDlp->parsedVersion();
    if (tools.runtime && version && TakesJsRuntimes(*version))
        arguments.insert(arguments.end(), {"--js-runtimes", tools.runtime->option()});
    arguments.insert(arguments.end(), {"--", request.address});
    return arguments;
}

std::filesystem::path makePrivateFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const char* tmp = std::getenv("TMPDIR");
    const std::string base = runtime && *runtime == '/' ? runtime
                             : tmp && *tmp == '/'       ? tmp
                                                        : "/tmp";
    std::string pattern = base + "/kestrova-answers-XXXXXX";
    return ::mkdtemp(pattern.data()) ? std::filesystem::path(pattern) : std::filesystem::path();
}

bool writePrivateFile(const std::filesystem::path& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    bool written = true;
    while (written && !bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        written = n > 0;
        if (written)
            bytes.remove_prefix(std::size_t(n));
    }
    return ::close(fd) == 0 && written;
}

StreamResult failure(std::u16string line) {
    return {nullptr, std::move(line)};
}

} // namespace

StreamAnswer::~StreamAnswer() {
    std::error_code ignored;
    if (!hookFile.empty())
        std::filesystem::remove(hookFile, ignored);
}

StreamSupply::StreamSupply(Settings settings, Post post)
    : m_settings(std::move(settings))
    , m_post(std::move(post))
    , m_keeper(m_settings.keeper, [this](bool updating) { tellUpdating(updating); }) {
    for (int i = 0; i < kWorkers; ++i)
        m_workers.emplace_back([this] { work(); });
}

StreamSupply::~StreamSupply() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_jobsChanged.notify_all();
    m_keeper.stop();
    for (std::thread& worker : m_workers)
        worker.join();
    m_kept.clear();
    std::error_code ignored;
    if (m_ownsAnswerFolder)
        std::filesystem::remove_all(m_answerFolder, ignored);
}

void StreamSupply::resolve(const StreamRequest& request, Done done) {
    if (auto answer = kept(request)) {
        m_post([done = std::move(done), answer] { done({answer, {}}); });
        return;
    }
    {
        const std::lock_guard lock(m_mutex);
        auto [waiting, added] = m_waiting.try_emplace(request);
        waiting->second.done.push_back(std::move(done));
        if (!added) {
            // Readied but not yet running: it goes before the other readied ones now.
            const auto queued = std::find_if(m_jobs.begin(), m_jobs.end(), [&](const Job& job) {
                return job.request == request && job.prepared;
            });
            if (queued == m_jobs.end())
                return;
            m_jobs.erase(queued);
        }
        const auto firstPrepared =
            std::find_if(m_jobs.begin(), m_jobs.end(), [](const Job& job) { return job.prepared; });
        m_jobs.insert(firstPrepared, Job{request, false});
    }
    m_jobsChanged.notify_one();
}

void StreamSupply::prepare(const StreamRequest& request) {
    if (kept(request))
        return;
    {
        const std::lock_guard lock(m_mutex);
        if (!m_waiting.try_emplace(request).second)
            return;
        // Only the video readied last is likely wanted. A readied one waits for nobody: a
        // resolve of it would have made it a job of its own.
        std::erase_if(m_jobs, [this](const Job& job) {
            const bool replaced = job.prepared && !job.toolsOnly;
            if (replaced)
                m_waiting.erase(job.request);
            return replaced;
        });
        m_jobs.push_back(Job{request, true});
    }
    m_jobsChanged.notify_one();
}

void StreamSupply::prime() {
    {
        const std::lock_guard lock(m_mutex);
        m_jobs.push_back(Job{{}, true, true});
    }
    m_jobsChanged.notify_one();
}

std::shared_ptr<const StreamAnswer> StreamSupply::kept(const StreamRequest& request) {
    const std::lock_guard lock(m_mutex);
    const auto found = m_kept.find(request);
    if (found == m_kept.end())
        return nullptr;
    if (found->second.answer->keepUntil <= m_settings.clock()) {
        m_kept.erase(found);
        return nullptr;
    }
    found->second.lastUse = ++m_uses;
    return found->second.answer;
}

void StreamSupply::forget(const StreamRequest& request) {
    const std::lock_guard lock(m_mutex);
    m_kept.erase(request);
}

void StreamSupply::setUpdatingListener(std::function<void(bool)> listener) {
    const std::lock_guard lock(m_mutex);
    m_updatingListener = std::move(listener);
}

bool StreamSupply::updating() const {
    const std::lock_guard lock(m_mutex);
    return m_updating;
}

void StreamSupply::tellUpdating(bool updating) {
    std::function<void(bool)> listener;
    {
        const std::lock_guard lock(m_mutex);
        m_updating = updating;
        listener = m_updatingListener;
    }
    if (listener)
        m_post([listener, updating] { listener(updating); });
}

void StreamSupply::work() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            // One readied video at a time, so that a worker is free for one asked for.
            const auto next = [this] {
                return std::find_if(m_jobs.begin(), m_jobs.end(), [this](const Job& job) {
                    return !job.prepared || m_preparing == 0;
                });
            };
            m_jobsChanged.wait(lock, [&] { return m_stopping || next() != m_jobs.end(); });
            if (m_stopping)
                return;
            const auto picked = next();
            job = std::move(*picked);
            m_jobs.erase(picked);
            m_preparing += job.prepared ? 1 : 0;
        }
        if (job.toolsOnly) {
            m_keeper.tools();
            finish(job, {});
        } else {
            finish(job, run(job));
        }
    }
}

StreamResult StreamSupply::run(const Job& job) {
    YtDlpKeeper::Tools tools = m_keeper.tools();
    if (!job.prepared)
        m_keeper.refreshIfStale();
    if (!tools.ytDlp) {
        if (job.prepared)
            return {};
        const auto fetched = m_keeper.fetchMissing();
        if (fetched.fetch == YtDlpKeeper::Fetch::Failed)
            return failure(FormatText(texts::kPlaybackFailedYtdlUpdate, {fetched.failure}));
        tools = m_keeper.tools();
        if (!tools.ytDlp)
            return failure(std::u16string(texts::kPlaybackFailedYtdlMissing));
    }
    return runWithTools(job, tools, false);
}

StreamResult StreamSupply::runWithTools(const Job& job, const YtDlpKeeper::Tools& tools,
                                        bool retried) {
    ChildOptions options;
    options.timeOut = m_settings.ytDlpTimeOut;
    options.maxOutput = kMaxAnswerBytes;
    options.cancel = &m_keeper.childCancel();
    const ChildRun run = RunChild(ytDlpArguments(tools, job.request), options);
    if (run.cancelled)
        return {};
    if (run.timedOut)
        return failure(FormatText(texts::kPlaybackFailedYtdlTimeOut,
                                  {int(m_settings.ytDlpTimeOut.count() / 1000)}));
    std::string parseError;
    if (run.succeeded()) {
        if (auto answer = ParseYtDlpAnswer(run.output, &parseError)) {
            if (auto kept = keep(job.request, std::move(*answer)))
                return {kept, {}};
            return failure(
                FormatText(texts::kPlaybackFailedOther,
                           {"no room for yt-dlp's answer in " + answerFolder().string()}));
        }
    }
    const YtDlpFailure kind = ClassifyYtDlpFailure(run.errors);
    if (!retried && !job.prepared && tools.runtime && NewerYtDlpMayHelp(kind)) {
        const auto fetched = m_keeper.fetchAfterFailure(*tools.ytDlp);
        if (fetched.fetch == YtDlpKeeper::Fetch::Installed)
            return runWithTools(job, m_keeper.tools(), true);
        if (fetched.fetch == YtDlpKeeper::Fetch::Failed)
            return failure(FormatText(texts::kPlaybackFailedYtdlUpdate, {fetched.failure}));
    }
    return failure(
        DescribeYtDlpFailure(kind, tools.ytDlp->version.value_or(std::string()), !tools.runtime));
}

std::shared_ptr<const StreamAnswer> StreamSupply::keep(const StreamRequest& request,
                                                       YtDlpAnswer answer) {
    auto kept = std::make_shared<StreamAnswer>();
    kept->keepUntil = KeepAnswerUntil(answer, m_settings.clock());
    const std::filesystem::path folder = answerFolder();
    std::filesystem::path file;
    {
        const std::lock_guard lock(m_mutex);
        file = folder / (std::to_string(++m_answerFiles) + ".json");
    }
    if (folder.empty() || !writePrivateFile(file, answer.hookJson))
        return nullptr;
    kept->hookFile = file;
    kept->answer = std::move(answer);

    const std::lock_guard lock(m_mutex);
    m_kept[request] = Kept{kept, ++m_uses};
    while (m_kept.size() > kMaxKeptAnswers) {
        m_kept.erase(
            std::min_element(m_kept.begin(), m_kept.end(), [](const auto& a, const auto& b) {
                return a.second.lastUse < b.second.lastUse;
            }));
    }
    return kept;
}

std::filesystem::path StreamSupply::answerFolder() {
    const std::lock_guard lock(m_mutex);
    if (m_answerFolder.empty()) {
        m_ownsAnswerFolder = m_settings.answerFolder.empty();
        m_answerFolder = m_ownsAnswerFolder ? makePrivateFolder() : m_settings.answerFolder;
    }
    return m_answerFolder;
}

void StreamSupply::finish(const Job& job, StreamResult result) {
    std::vector<Done> done;
    {
        const std::lock_guard lock(m_mutex);
        m_preparing -= job.prepared ? 1 : 0;
        if (m_stopping)
            return;
        if (job.toolsOnly) {
            m_jobsChanged.notify_all();
            return;
        }
        auto& waiting = m_waiting[job.request].done;
        if (job.prepared && !result.answer && !waiting.empty()) {
            // Asked for while it was being readied: what a readied run leaves out (fetching
            // yt-dlp) is done for it now.
            m_jobs.push_front(Job{job.request, false});
            m_jobsChanged.notify_one();
            return;
        }
        done = std::move(waiting);
        m_waiting.erase(job.request);
        m_jobsChanged.notify_all(); // a readied job may run now
    }
    for (Done& call : done)
        m_post([call = std::move(call), result] { call(result); });
}

} // namespace kestrova
