#include "engine/EngineModulePath.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

constexpr char kModule[] = "kestrova-engine.so";

struct ModuleCase {
    const char* name;
    std::vector<std::string> modules; // relative to the install root
    std::string expected;             // relative to the install root; empty: none found
    std::string extraFolder = {};     // relative to the install root
};

void PrintTo(const ModuleCase& c, std::ostream* os) {
    *os << c.name;
}

class EngineModulePathTest : public ::testing::TestWithParam<ModuleCase> {};

// The program is <root>/bin/kestrova, as in every install prefix.
TEST_P(EngineModulePathTest, FindsTheModuleRelativeToTheExecutable) {
    const test::TempDir root;
    std::filesystem::create_directories(root / "bin");
    std::filesystem::create_directories(root / "lib/kestrova");
    for (const std::string& module : GetParam().modules) {
        std::filesystem::create_directories((root.path() / module).parent_path());
        test::WriteFileBytes(root.path() / module, "");
    }
    const std::filesystem::path extra =
        GetParam().extraFolder.empty() ? std::filesystem::path() : root / GetParam().extraFolder;

    const auto found = FirstExistingModule(
        EngineModuleCandidates(root / "bin/kestrova", kModule, "../lib/kestrova", extra));

    if (GetParam().expected.empty()) {
        EXPECT_FALSE(found) << found->string();
    } else {
        ASSERT_TRUE(found);
        EXPECT_EQ(*found, (root.path() / GetParam().expected).lexically_normal());
    }
}

const ModuleCase kCases[] = {
    {"BesideTheProgram",
     {"bin/kestrova-engine.so", "lib/kestrova/kestrova-engine.so"},
     "bin/kestrova-engine.so"},
    {"InstalledLibraryFolder",
     {"lib/kestrova/kestrova-engine.so"},
     "lib/kestrova/kestrova-engine.so"},
    {"Missing", {}, ""},
    {"AFolderOfThatNameIsNoModule", {"lib/kestrova/kestrova-engine.so/x"}, ""},
    {"ExtraFolderFirst",
     {"build/kestrova-engine.so", "bin/kestrova-engine.so"},
     "build/kestrova-engine.so",
     "build"},
    {"ExtraFolderWithoutModule", {"bin/kestrova-engine.so"}, "bin/kestrova-engine.so", "build"},
};

INSTANTIATE_TEST_SUITE_P(Table, EngineModulePathTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kestrova
