#pragma once

#include "engine/MovieEngine.h"

namespace kestrova::test {

// Test programs are not installed beside the engine module: they load the one in the build
// tree. Called in main, before anything loads the engine.
inline void UseBuildTreeEngine() {
    SetEngineModuleFolder(KESTROVA_ENGINE_BUILD_DIR);
}

} // namespace kestrova::test
