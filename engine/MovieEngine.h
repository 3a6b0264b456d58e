#pragma once

#include "playback/PlaybackCommands.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QByteArray>
#include <QImage>
#include <QString>

class QObject;
class QWidget;

namespace kestrova {

class StreamSupply;

// What the engine tells the player widget; each is called on the GUI thread.
struct MovieEngineEvents {
    std::function<void()> fileLoaded; // the movie loaded last has been opened
    std::function<void()> frameDrawn; // a movie frame has been drawn and shown
    std::function<void(const QString& reason)> playbackFailed;
    // A value the player shows has changed (the position, the volume ...).
    std::function<void(PlaybackProperty property, std::optional<double> value)> propertyChanged;
    // Playback has started, or gone on after a seek or the loop.
    std::function<void()> playbackRestarted;
    // The movie's chapters, none when it has none.
    std::function<void(std::vector<PlaybackChapter> chapters)> chaptersChanged;
    // What the movie just opened offers besides its defaults.
    std::function<void(const PlaybackOffers& offers)> offersChanged;
};

// What tests and benchmarks read of the engine; the program itself never asks. Each reads the
// engine's state at once, so it may wait for the engine.
class MovieEngineProbe {
public:
    // A numeric property of the engine; nothing when it has no value now.
    virtual std::optional<double> doubleProperty(const char* name) const = 0;
    // The address of the movie being played; empty when none.
    virtual QString path() const = 0;
    // The frame last drawn by the software view; null on the OpenGL view.
    virtual QImage lastFrame() const = 0;
    // An option's current value as text, e.g. "hwdec"; empty when it has none.
    virtual QString option(const char* name) const = 0;

protected:
    ~MovieEngineProbe() = default;
};

// The movie engine behind the player widget: libmpv and its views. It lives in a module of
// its own, loaded at the first need, so that the program starts without the engine's
// libraries (a few hundred of them, the software OpenGL renderer among them) and keeps them
// out of memory until a movie is wanted.
class MovieEngine {
public:
    virtual ~MovieEngine() = default;

    // The widget the frames are drawn in, a child of the parent the engine was made for.
    virtual QWidget* view() const = 0;
    virtual bool usesSoftwareRendering() const = 0;
    // Replaces the current movie: at once, or for one of the service's videos once yt-dlp has
    // told its streams.
    virtual void loadFile(const QByteArray& address) = 0;
    // Asks for the streams of a video of the service's that is likely wanted soon, so that its
    // load need not wait for yt-dlp.
    virtual void prepare(const QByteArray& address) = 0;
    // A yt-dlp format selection used for the service's videos instead of the one that fits
    // the screen; empty for that one.
    virtual void setYtDlpFormatOverride(const std::string& format) = 0;
    // Readies the engine's video and audio output for the first movie, which then starts as
    // fast as any later one. Nothing shows or sounds; does nothing once a movie was loaded.
    virtual void warmUp() = 0;
    // Carries out the playback commands without waiting for them to take effect.
    virtual PlaybackCommands& commands() = 0;
    // What tests and benchmarks read of the engine.
    virtual const MovieEngineProbe& probe() const = 0;
};

// The module's entry point; the engine has the streams of the service's videos from `supply`,
// which outlives it.
using CreateMovieEngineFunction = MovieEngine* (*)(QWidget* parent, bool software,
                                                   MovieEngineEvents events, StreamSupply& supply);
// KESTROVA_ENGINE_ENTRY comes from the build: the name carries a digest of the headers whose
// types cross between the program and the module.
#define KESTROVA_STRING(name) #name
#define KESTROVA_NAME_OF(name) KESTROVA_STRING(name)
inline constexpr char kCreateMovieEngineSymbol[] = KESTROVA_NAME_OF(KESTROVA_ENGINE_ENTRY);

// Starts loading the engine's module in the background, so that a later CreateMovieEngine
// finds it ready; `ready` is then called on the GUI thread, unless `context` has gone.
// Calling it again only adds the call (at once when the module is already there).
void PreloadMovieEngine(QObject* context = nullptr, std::function<void()> ready = {});

// Waits for a preload of the module still running; called before the program ends, so that
// no library is still being loaded while the others clean up at exit.
void FinishEnginePreload();

// A new engine drawing into a view inside `parent` (on the CPU when `software`); nothing
// when the module or the engine cannot be had, and then `failure` says why. Waits for a
// preload still running.
std::unique_ptr<MovieEngine> CreateMovieEngine(QWidget* parent, bool software,
                                               MovieEngineEvents events, StreamSupply& supply,
                                               std::string* failure = nullptr);

// A folder to look for the module in before the executable's own places. Only programs that
// run from the build tree without being installed there (tests, benchmarks) set it, before
// the first load.
void SetEngineModuleFolder(std::filesystem::path folder);

} // namespace kestrova
