#include "engine/EngineModulePath.h"
#include "engine/MovieEngine.h"
#include "engine/PlayerLog.h"
#include "process/Trace.h"

#include <dlfcn.h>
#include <filesystem>
#include <future>
#include <mutex>

#include <QObject>

namespace kestrova {
namespace {

// A folder tried before the executable's own places; set before the first load, if at all.
std::filesystem::path& extraModuleFolder() {
    static std::filesystem::path folder;
    return folder;
}

struct LoadedModule {
    CreateMovieEngineFunction create = nullptr;
    std::string failure; // why there is none, for the player's failure line
};

LoadedModule loadModule() {
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    const auto module = FirstExistingModule(EngineModuleCandidates(
        executable, KESTROVA_ENGINE_FILE_NAME, KESTROVA_ENGINE_RELATIVE_DIR, extraModuleFolder()));
    if (!module) {
        const std::string failure =
            std::string(KESTROVA_ENGINE_FILE_NAME) + " not found beside " + executable.string() +
            " or in " +
            (executable.parent_path() / KESTROVA_ENGINE_RELATIVE_DIR).lexically_normal().string();
        qCWarning(lcPlayer, "no movie engine: %s", failure.c_str());
        return {nullptr, failure};
    }
    // Never unloaded: engines made by it may live until the program ends.
    void* handle = ::dlopen(module->c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!handle) {
        const std::string failure = ::dlerror();
        qCWarning(lcPlayer, "cannot load the movie engine: %s", failure.c_str());
        return {nullptr, failure};
    }
    auto* create =
        reinterpret_cast<CreateMovieEngineFunction>(::dlsym(handle, kCreateMovieEngineSymbol));
    if (!create)
        return {nullptr, module->string() + ": " + kCreateMovieEngineSymbol + " missing"};
    return {create, {}};
}

// Lives on the GUI thread; the loading thread signals through it, so a receiver that has
// gone meanwhile is simply not called.
class ModuleNotifier : public QObject {
    Q_OBJECT

signals:
    void loaded();
};

struct ModuleLoad {
    std::once_flag started;
    ModuleNotifier notifier;
    bool done = false; // read and written on the GUI thread only
    // Declared last, so that at exit it goes first: its destruction waits for a load still
    // running, which posts to the notifier when it ends.
    std::shared_future<LoadedModule> result;
};

ModuleLoad& moduleLoad() {
    static ModuleLoad load;
    return load;
}

} // namespace

void PreloadMovieEngine(QObject* context, std::function<void()> ready) {
    ModuleLoad& load = moduleLoad();
    if (context && ready) {
        if (load.done)
            QMetaObject::invokeMethod(context, std::move(ready), Qt::QueuedConnection);
        else
            QObject::connect(&load.notifier, &ModuleNotifier::loaded, context, std::move(ready),
                             Qt::SingleShotConnection);
    }
    std::call_once(load.started, [&load] {
        load.result = std::async(std::launch::async, [&load] {
                          LoadedModule module = loadModule();
                          QMetaObject::invokeMethod(
                              &load.notifier,
                              [&load] {
                                  load.done = true;
                                  emit load.notifier.loaded();
                              },
                              Qt::QueuedConnection);
                          return module;
                      }).share();
    });
}

void FinishEnginePreload() {
    const ModuleLoad& load = moduleLoad();
    if (load.result.valid())
        load.result.wait();
}

void SetEngineModuleFolder(std::filesystem::path folder) {
    extraModuleFolder() = std::move(folder);
}

std::unique_ptr<MovieEngine> CreateMovieEngine(QWidget* parent, bool software,
                                               MovieEngineEvents events, StreamSupply& supply,
                                               std::string* failure) {
    PreloadMovieEngine();
    const LoadedModule& module = moduleLoad().result.get();
    TraceStep("engine-module");
    std::unique_ptr<MovieEngine> engine(
        module.create ? module.create(parent, software, std::move(events), supply) : nullptr);
    if (!engine && failure)
        *failure = module.create ? "the engine could not be started" : module.failure;
    return engine;
}

} // namespace kestrova

#include "MovieEngineLoader.moc"
