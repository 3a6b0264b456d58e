#include "platform/Trace.h"
#include "player/MovieEngine.h"
#include "player/PlayerLog.h"

#include <dlfcn.h>
#include <filesystem>
#include <future>
#include <mutex>

#include <QObject>

namespace kestrova {
namespace {

// Where the module may lie: beside the executable (a build tree, a copied program folder),
// in the installed library folder, and in the folder it was built in (tests).
std::vector<std::filesystem::path> moduleCandidates() {
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    std::vector<std::filesystem::path> candidates;
    if (!error)
        candidates.push_back(executable.parent_path() / KESTROVA_ENGINE_FILE_NAME);
    candidates.emplace_back(KESTROVA_ENGINE_INSTALLED_PATH);
    candidates.emplace_back(KESTROVA_ENGINE_BUILD_PATH);
    return candidates;
}

CreateMovieEngineFunction loadModule() {
    for (const auto& candidate : moduleCandidates()) {
        if (!std::filesystem::exists(candidate))
            continue;
        // Never unloaded: engines made by it may live until the program ends.
        void* module = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        if (!module) {
            qCWarning(lcPlayer, "cannot load the movie engine: %s", ::dlerror());
            continue;
        }
        if (auto* create = reinterpret_cast<CreateMovieEngineFunction>(
                ::dlsym(module, kCreateMovieEngineSymbol)))
            return create;
    }
    qCWarning(lcPlayer, "no movie engine module found");
    return nullptr;
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
    std::shared_future<CreateMovieEngineFunction> result;
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
                          const CreateMovieEngineFunction create = loadModule();
                          QMetaObject::invokeMethod(
                              &load.notifier,
                              [&load] {
                                  load.done = true;
                                  emit load.notifier.loaded();
                              },
                              Qt::QueuedConnection);
                          return create;
                      }).share();
    });
}

std::unique_ptr<MovieEngine> CreateMovieEngine(QWidget* parent, bool software,
                                               MovieEngineEvents events) {
    PreloadMovieEngine();
    const CreateMovieEngineFunction create = moduleLoad().result.get();
    TraceStep("engine-module");
    return std::unique_ptr<MovieEngine>(create ? create(parent, software, std::move(events))
                                               : nullptr);
}

} // namespace kestrova

#include "MovieEngineLoader.moc"
