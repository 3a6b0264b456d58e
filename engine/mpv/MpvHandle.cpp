#include "engine/mpv/MpvHandle.h"

#include "engine/mpv/MpvLog.h"
#include "engine/mpv/MpvNode.h"
#include "engine/mpv/MpvPlaybackChannel.h"
#include "res/Texts.h"
#include "text/QtText.h"
#include "text/TextFormat.h"

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <utility>
#include <vector>

#include <QMetaObject>
#include <QPointer>

namespace kestrova {
namespace {

// The player's starting state. Every option is set before mpv_initialize: some take effect
// only then.
constexpr std::pair<const char*, const char*> kOptions[] = {
    {"vo", "libmpv"},                 // drawn into our widget, never a window of its own
    {"keepaspect", "yes"},            // the whole movie visible, proportions kept
    {"ytdl", "yes"},                  // media plays directly; a page is handed to yt-dlp
    {"fs", "no"},                     // never full screen ...
    {"input-default-bindings", "no"}, // ... and no key that toggles it
    {"input-vo-keyboard", "no"},
    {"pause", "no"},      // starts at once
    {"loop-file", "inf"}, // and loops
    {"hwdec", "no"},      // until a render path that can take hardware frames asks for them
};

// White around the movie. libmpv 0.35 takes the colour as "background"; 0.40 made that a choice
// of what to draw there and takes the colour as "background-color".
void setWhiteBackground(mpv_handle* handle) {
    if (mpv_set_option_string(handle, "background-color", "#FFFFFF") < 0)
        checkMpv(mpv_set_option_string(handle, "background", "#FFFFFF"), "background");
}

// Hardware decoders the engine considers safe; any other setting falls back to software.
constexpr const char* kHardwareDecoding = "auto-safe";

// Replies of observed properties and of the handle's own commands. A load's reply is kFirstLoad
// plus the load's number, so that the reply of a load replaced since is told apart.
enum class Reply : uint64_t { HwdecCurrent = 1, WarmUp = 2, Stop = 3 };
constexpr uint64_t kFirstLoad = uint64_t(1) << 32;

// What the engine's yt-dlp hook runs in yt-dlp's place: it hands over the answer Kestrova has
// already had of yt-dlp. It lies beside this module, in the build tree as when installed.
std::filesystem::path answerProgram() {
    Dl_info module{};
    if (::dladdr(reinterpret_cast<const void*>(&answerProgram), &module) == 0 || !module.dli_fname)
        return {};
    return std::filesystem::path(module.dli_fname).parent_path() / texts::kAnswerProgram;
}

// The hook runs for "ytdl://" addresses alone: an address that fails to open as media is never
// handed to yt-dlp afterwards ("exclude" matches every address).
void setYtDlpHook(mpv_handle* handle) {
    const std::filesystem::path program = answerProgram();
    std::error_code error;
    if (program.empty() || !std::filesystem::exists(program, error))
        qCWarning(lcPlayer, "%s not found beside the engine", texts::kAnswerProgram.data());
    const std::string options = "ytdl_hook-ytdl_path=" + program.string() + ",ytdl_hook-exclude=.";
    checkMpv(mpv_set_option_string(handle, "script-opts", options.c_str()), "script-opts");
}

using FileOptions = std::vector<std::pair<const char*, std::string>>;

// The answer the hook is to hand over, as its option to the answer program.
std::string answerOption(const StreamAnswer& answer) {
    return "kestrova-answer=[" + answer.hookFile.string() + "]";
}

// "loadfile <url> replace" with per-file options, which hold while this movie plays (the
// hook that runs yt-dlp reads ytdl-format then). Named arguments: libmpv 0.38 put the playlist
// index where the options used to be, so positions mean different things across versions.
// Asynchronous, so the GUI thread never waits for the engine: the playlist entry comes with the
// reply (`reply`), after any command issued before.
int commandLoadFile(mpv_handle* handle, const std::string& url, const FileOptions& options,
                    uint64_t reply) {
    std::vector<char*> optionKeys;
    std::vector<mpv_node> optionValues;
    for (const auto& [name, value] : options) {
        optionKeys.push_back(const_cast<char*>(name));
        optionValues.push_back(StringNode(value.c_str()));
    }
    mpv_node_list optionList{int(options.size()), optionValues.data(), optionKeys.data()};
    char* keys[] = {const_cast<char*>("name"), const_cast<char*>("url"), const_cast<char*>("flags"),
                    const_cast<char*>("options")};
    mpv_node values[] = {StringNode("loadfile"), StringNode(url.c_str()), StringNode("replace"),
                         ListNode(optionList, MPV_FORMAT_NODE_MAP)};
    mpv_node_list arguments{4, values, keys};
    mpv_node command = ListNode(arguments, MPV_FORMAT_NODE_MAP);
    return mpv_command_node_async(handle, reply, &command);
}

FileOptions optionsOf(const LoadPlan& plan) {
    if (plan.ytdlFormat.empty())
        return {};
    return {{"ytdl-format", plan.ytdlFormat}};
}

std::string propertyString(mpv_handle* handle, const char* name) {
    char* value = mpv_get_property_string(handle, name);
    std::string text = value ? value : "";
    mpv_free(value);
    return text;
}

// The decoder in use as "name (description)", e.g. "libdav1d (dav1d AV1 decoder by VideoLAN)".
// libmpv 0.35 gives that whole text as decoder-desc; 0.40 gives the name apart, as decoder.
std::string decoderOf(mpv_handle* handle) {
    const std::string name = propertyString(handle, "current-tracks/video/decoder");
    const std::string description = propertyString(handle, "current-tracks/video/decoder-desc");
    return name.empty() ? description : name + " (" + description + ")";
}

int64_t entryIdOf(const mpv_node& result) {
    if (result.format != MPV_FORMAT_NODE_MAP)
        return -1;
    const mpv_node_list& map = *result.u.list;
    for (int i = 0; i < map.num; ++i) {
        if (std::string_view(map.keys[i]) == "playlist_entry_id" &&
            map.values[i].format == MPV_FORMAT_INT64)
            return map.values[i].u.int64;
    }
    return -1;
}

} // namespace

void MpvHandleDeleter::operator()(mpv_handle* handle) const {
    // After this returns the engine calls the wakeup callback no more, so it cannot post to
    // an object that is going away.
    mpv_set_wakeup_callback(handle, nullptr, nullptr);
    mpv_terminate_destroy(handle);
}

std::unique_ptr<MpvHandle> MpvHandle::create(StreamSupply& supply, MovieEngineEvents events,
                                             QWidget* view) {
    // Qt sets the whole locale from the environment; mpv_create fails unless numbers are
    // formatted the C way (see the general remarks in mpv/client.h). Nothing else in the
    // program formats or parses numbers through the C locale, so this is the one place.
    std::setlocale(LC_NUMERIC, "C");
    MpvHandlePtr handle(mpv_create());
    if (!handle) {
        qCWarning(lcPlayer, "mpv_create failed");
        return nullptr;
    }
    for (const auto& [name, value] : kOptions)
        checkMpv(mpv_set_option_string(handle.get(), name, value), name);
    setWhiteBackground(handle.get());
    setYtDlpHook(handle.get());
    if (!checkMpv(mpv_initialize(handle.get()), "mpv_initialize"))
        return nullptr;
    // A refused address or a missing yt-dlp shows only in the log.
    checkMpv(mpv_request_log_messages(handle.get(), "warn"), "mpv_request_log_messages");
    checkMpv(mpv_observe_property(handle.get(), uint64_t(Reply::HwdecCurrent), "hwdec-current",
                                  MPV_FORMAT_STRING),
             "observe hwdec-current");
    return std::unique_ptr<MpvHandle>(
        new MpvHandle(std::move(handle), supply, std::move(events), view));
}

MpvHandle::MpvHandle(MpvHandlePtr handle, StreamSupply& supply, MovieEngineEvents events,
                     QWidget* view)
    : m_handle(std::move(handle))
    , m_supply(supply)
    , m_events(std::move(events))
    , m_playback(std::make_unique<MpvPlaybackChannel>(*this, m_events))
    , m_planner(view) {
    connect(&m_failures, &FailureReporter::failed, this, &MpvHandle::tellFailure);
    connect(&m_failures, &FailureReporter::streamsExpired, this, &MpvHandle::renewStreams);
    mpv_set_wakeup_callback(
        m_handle.get(),
        [](void* self) {
            QMetaObject::invokeMethod(static_cast<MpvHandle*>(self), &MpvHandle::drainEvents,
                                      Qt::QueuedConnection);
        },
        this);
}

MpvHandle::~MpvHandle() = default;

PlaybackCommands& MpvHandle::commands() {
    return *m_playback;
}

void MpvHandle::frameDrawn() {
    m_events.frameDrawn();
}

void MpvHandle::tellFailure(const QString& reason) {
    m_events.playbackFailed(reason);
}

void MpvHandle::loadFile(const QByteArray& address) {
    m_planner.plan(address.toStdString(),
                   [this](const LoadPlanner::Load& load) { startLoad(load); });
}

void MpvHandle::prepare(const QByteArray& address) {
    const auto load = m_planner.planNow(address.toStdString());
    if (load && load->service)
        m_supply.prepare({std::string(AddressOfLoad(load->plan.url)), load->plan.ytdlFormat});
}

void MpvHandle::startLoad(const LoadPlanner::Load& load) {
    ++m_loadNumber;
    m_service.reset();
    if (!load.service) {
        issueLoad(load.plan, optionsOf(load.plan), false);
        return;
    }
    m_service = ServiceLoad{
        load, {std::string(AddressOfLoad(load.plan.url)), load.plan.ytdlFormat}, nullptr, false};
    resolveStreams(0);
}

// A kept answer loads at once; otherwise the movie before stops now, as a load would stop it,
// and the load follows yt-dlp's answer.
void MpvHandle::resolveStreams(double startAt) {
    if (auto kept = m_supply.kept(m_service->request)) {
        loadStreams({std::move(kept), {}}, startAt);
        return;
    }
    m_currentEntry = -1;
    m_pendingLoad.reset();
    m_failures.loadAsked(-1, false);
    // The engine runs asynchronous commands in the order they are issued, so the load that
    // follows the answer comes after this stop.
    const char* stop[] = {"stop", nullptr};
    checkMpv(mpv_command_async(m_handle.get(), uint64_t(Reply::Stop), stop), "stop");
    m_supply.resolve(m_service->request, [self = QPointer<MpvHandle>(this), number = m_loadNumber,
                                          startAt](StreamResult result) {
        if (self && number == self->m_loadNumber)
            self->loadStreams(result, startAt);
    });
}

void MpvHandle::loadStreams(const StreamResult& result, double startAt) {
    if (!result.answer) {
        if (!result.failureLine.empty())
            tellFailure(QString::fromStdU16String(result.failureLine));
        return;
    }
    m_service->answer = result.answer;
    FileOptions options = optionsOf(m_service->load.plan);
    options.emplace_back("ytdl-raw-options", answerOption(*result.answer));
    if (startAt >= 1)
        options.emplace_back("start", std::to_string(std::int64_t(startAt)));
    issueLoad(m_service->load.plan, std::move(options), !m_service->renewed);
}

// The streams no longer open, or are about to expire: yt-dlp is asked once more, and the movie
// goes on from where it stood.
void MpvHandle::renewStreams() {
    if (!m_service)
        return;
    qCDebug(lcPlayer, "streams of %s expired: asking yt-dlp again",
            m_service->request.address.c_str());
    m_service->renewed = true;
    m_service->answer.reset();
    m_supply.forget(m_service->request);
    resolveStreams(m_position);
}

void MpvHandle::setQuality(int lines) {
    if (!m_planner.setChosenLines(lines) || !m_service)
        return;
    m_planner.plan(m_service->request.address,
                   [this](const LoadPlanner::Load& load) { reloadInPlace(load); });
}

// Unlike a new video the movie plays on while yt-dlp answers, and goes on from where it stands
// then.
void MpvHandle::reloadInPlace(const LoadPlanner::Load& load) {
    ServiceLoad next{
        load, {std::string(AddressOfLoad(load.plan.url)), load.plan.ytdlFormat}, nullptr, false};
    if (auto kept = m_supply.kept(next.request)) {
        ++m_loadNumber;
        takeReload(std::move(next), {std::move(kept), {}});
        return;
    }
    const StreamRequest request = next.request;
    m_supply.resolve(request, [self = QPointer<MpvHandle>(this), number = ++m_loadNumber,
                               next = std::move(next)](StreamResult result) {
        if (self && number == self->m_loadNumber)
            self->takeReload(next, result);
    });
}

// A movie playing goes on as it was when yt-dlp has no streams in the new quality; one still
// waiting for its first streams fails as any load does.
void MpvHandle::takeReload(ServiceLoad next, const StreamResult& result) {
    if (!result.answer && m_service->answer) {
        qCWarning(lcPlayer, "no streams in the quality asked for: %s",
                  QString::fromStdU16String(result.failureLine).toUtf8().constData());
        return;
    }
    m_service = std::move(next);
    loadStreams(result, m_position);
}

void MpvHandle::showCaptions(const std::string& language) {
    if (language.empty()) {
        const char* none = "no";
        checkMpv(mpv_set_property_async(m_handle.get(), 0, "sid", MPV_FORMAT_STRING, &none), "sid");
        return;
    }
    if (!m_service || !m_service->answer)
        return;
    const auto& captions = m_service->answer->answer.captions;
    const auto track = std::find_if(captions.begin(), captions.end(),
                                    [&](const auto& c) { return c.language == language; });
    if (track == captions.end())
        return;
    // "cached": captions added before for this movie are selected again rather than fetched.
    const std::string title = track->name.empty() ? track->language : track->name;
    const char* command[] = {"sub-add",     track->url.c_str(),      "cached",
                             title.c_str(), track->language.c_str(), nullptr};
    checkMpv(mpv_command_async(m_handle.get(), 0, command), "sub-add");
}

PlaybackOffers MpvHandle::currentOffers() const {
    PlaybackOffers offers;
    if (!m_service || !m_service->answer)
        return offers;
    const YtDlpAnswer& answer = m_service->answer->answer;
    offers.heights = answer.heights;
    for (const CaptionTrack& track : answer.captions)
        offers.captions.push_back({track.language, track.name, track.automatic});
    return offers;
}

// The movie before goes on reporting until the engine answers with the new movie's playlist
// entry; its events are ignored from now on.
void MpvHandle::issueLoad(const LoadPlan& plan, FileOptions options, bool expiringStreams) {
    m_currentEntry = -1;
    m_failures.loadAsked(-1, expiringStreams);
    m_position = 0;
    m_pendingLoad = PendingLoad{kFirstLoad + ++m_loadsIssued, expiringStreams};
    const int error = commandLoadFile(m_handle.get(), plan.url, options, m_pendingLoad->reply);
    qCDebug(lcPlayer) << "loadfile" << plan.url.c_str() << "ytdl-format" << plan.ytdlFormat.c_str();
    if (error < 0)
        loadRefused(error);
}

void MpvHandle::loadAnswered(const mpv_event& reply) {
    const PendingLoad load = *std::exchange(m_pendingLoad, std::nullopt);
    if (reply.error < 0) {
        loadRefused(reply.error);
        return;
    }
    m_currentEntry = entryIdOf(static_cast<const mpv_event_command*>(reply.data)->result);
    m_failures.loadAsked(m_currentEntry, load.expiringStreams);
    qCDebug(lcPlayer) << "loadfile entry" << m_currentEntry;
    // The engine queues a command's reply before the events of the movie it starts; should the
    // start come first all the same, it is taken now.
    if (m_startedEntry == m_currentEntry) {
        m_decoderReported = false;
        m_failures.fileStarted(m_currentEntry);
    }
}

void MpvHandle::loadRefused(int error) {
    m_pendingLoad.reset();
    checkMpv(error, "loadfile");
    tellFailure(ToQString(FormatText(texts::kPlaybackFailedOther, {mpv_error_string(error)})));
}

void MpvHandle::warmUp() {
    if (m_loadNumber > 0)
        return;
    // White, like the player's background; the tone is at volume 0. Not looped, unlike a movie.
    const std::string warmUpMovie =
        "av://lavfi:color=c=white:s=16x16:d=0.2[out0];sine=f=1:d=0.2,volume=0[out1]";
    checkMpv(commandLoadFile(m_handle.get(), warmUpMovie, {{"loop-file", "no"}},
                             uint64_t(Reply::WarmUp)),
             "loadfile (warm-up)");
}

void MpvHandle::enableHardwareDecoding() {
    if (checkMpv(mpv_set_property_string(m_handle.get(), "hwdec", kHardwareDecoding), "hwdec"))
        m_planner.enableHardwareDecoding();
}

// On a software renderer every pass of a scaler costs processor time each frame, and libmpv
// 0.40's default convolution scalers drew the movie black on Mesa 25's llvmpipe in most runs.
// Bilinear, libmpv 0.35's default, is cheap there and draws on both.
void MpvHandle::useBilinearScaling() {
    for (const char* name : {"scale", "cscale", "dscale"})
        checkMpv(mpv_set_property_string(m_handle.get(), name, "bilinear"), name);
}

void MpvHandle::setYtDlpFormatOverride(std::string format) {
    m_planner.setFormatOverride(std::move(format));
}

QString MpvHandle::option(const char* name) const {
    return QString::fromStdString(propertyString(m_handle.get(), name));
}

std::optional<double> MpvHandle::doubleProperty(const char* name) const {
    double value = 0;
    if (mpv_get_property(m_handle.get(), name, MPV_FORMAT_DOUBLE, &value) < 0 ||
        !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString MpvHandle::path() const {
    const std::string path = propertyString(m_handle.get(), "path");
    return QString::fromStdString(std::string(AddressOfLoad(path)));
}

void MpvHandle::drainEvents() {
    for (;;) {
        const mpv_event* event = mpv_wait_event(m_handle.get(), 0);
        if (event->event_id == MPV_EVENT_NONE)
            break;
        handleEvent(*event);
    }
    // The engine hands out queued events before buffered log messages, so the messages that
    // explain a failed load may come after its end; by now they have all been read.
    m_failures.eventsRead();
}

void MpvHandle::handleEvent(const mpv_event& event) {
    m_playback->handleEvent(event);
    switch (event.event_id) {
    case MPV_EVENT_LOG_MESSAGE: {
        const auto& message = *static_cast<const mpv_event_log_message*>(event.data);
        m_failures.logMessage(message);
        qCDebug(lcPlayer, "[%s] %s", message.prefix, message.text);
        break;
    }
    case MPV_EVENT_START_FILE: {
        const auto& start = *static_cast<const mpv_event_start_file*>(event.data);
        m_startedEntry = start.playlist_entry_id;
        m_failures.fileStarted(m_startedEntry);
        if (m_startedEntry == m_currentEntry)
            m_decoderReported = false;
        break;
    }
    case MPV_EVENT_PROPERTY_CHANGE:
        if (event.reply_userdata == uint64_t(Reply::HwdecCurrent))
            reportDecoder(*static_cast<const mpv_event_property*>(event.data));
        else
            notePosition(*static_cast<const mpv_event_property*>(event.data));
        break;
    case MPV_EVENT_FILE_LOADED:
        if (m_startedEntry == m_currentEntry) {
            m_events.fileLoaded();
            if (m_events.offersChanged)
                m_events.offersChanged(currentOffers());
        }
        break;
    case MPV_EVENT_END_FILE:
        m_failures.fileEnded(*static_cast<const mpv_event_end_file*>(event.data));
        break;
    case MPV_EVENT_COMMAND_REPLY:
        commandAnswered(event);
        break;
    default:
        break;
    }
}

void MpvHandle::commandAnswered(const mpv_event& reply) {
    if (m_pendingLoad && reply.reply_userdata == m_pendingLoad->reply)
        loadAnswered(reply);
    else if (reply.reply_userdata == uint64_t(Reply::WarmUp))
        checkMpv(reply.error, "loadfile (warm-up)");
    else if (reply.reply_userdata == uint64_t(Reply::Stop))
        checkMpv(reply.error, "stop");
}

// Where the movie stands and whether it is paused, as the playback channel has the engine
// report them: a movie whose streams must be asked for again goes on from there, and one paused
// until its streams expired gets new ones when it goes on.
void MpvHandle::notePosition(const mpv_event_property& property) {
    if (std::strcmp(property.name, "time-pos") == 0 && property.format == MPV_FORMAT_INT64) {
        m_position = double(*static_cast<const int64_t*>(property.data));
    } else if (std::strcmp(property.name, "pause") == 0 && property.format == MPV_FORMAT_FLAG) {
        const bool wasPaused = std::exchange(m_paused, *static_cast<const int*>(property.data));
        if (wasPaused && !m_paused && m_service && m_service->answer &&
            m_service->answer->keepUntil <= m_supply.now())
            renewStreams();
    }
}

void MpvHandle::reportDecoder(const mpv_event_property& property) {
    if (m_decoderReported || m_startedEntry != m_currentEntry ||
        property.format != MPV_FORMAT_STRING)
        return;
    // Once per movie, for the debugging console: "no" is software decoding.
    m_decoderReported = true;
    qCDebug(lcPlayer, "decoder: %s hwdec-current=%s", decoderOf(m_handle.get()).c_str(),
            *static_cast<char* const*>(property.data));
}

} // namespace kestrova
