#include "service/JsRuntime.h"

#include "support/Programs.h"
#include "support/TempDir.h"

#include <chrono>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using namespace std::chrono_literals;

struct RuntimeCase {
    const char* name;
    const char* runtime;
    const char* versionLine;
    bool usable;
};

void PrintTo(const RuntimeCase& c, std::ostream* os) {
    *os << c.name;
}

class RuntimeVersionTest : public ::testing::TestWithParam<RuntimeCase> {};

TEST_P(RuntimeVersionTest, OnlyVersionsYtDlpCanUse) {
    EXPECT_EQ(RuntimeIsRecentEnough(GetParam().runtime, GetParam().versionLine), GetParam().usable);
}

const RuntimeCase kRuntimeCases[] = {
    {"Deno1Refused", "deno", "deno 1.46.3 (stable, release, x86_64-unknown-linux-gnu)", false},
    {"Deno2Taken", "deno", "deno 2.1.4 (stable, release, x86_64-unknown-linux-gnu)", true},
    {"Node18Refused", "node", "v18.19.0", false},
    {"Node20Taken", "node", "v20.19.2", true},
    {"Node22Taken", "node", "v22.12.0", true},
    {"NodeGarbage", "node", "twenty", false},
    {"QuickJs2021Refused", "quickjs", "QuickJS version 2021-03-27", false},
    {"QuickJsDayBeforeRefused", "quickjs", "QuickJS version 2023-12-08", false},
    {"QuickJs2024Taken", "quickjs", "QuickJS version 2024-01-13", true},
    {"QuickJsNgTaken", "quickjs", "QuickJS-ng version 0.10.1", true},
    {"BunTaken", "bun", "1.1.38", true},
    {"UnknownRuntime", "rhino", "1.7", false},
};

INSTANTIATE_TEST_SUITE_P(Table, RuntimeVersionTest, ::testing::ValuesIn(kRuntimeCases),
                         [](const auto& info) { return std::string(info.param.name); });

// In yt-dlp's order, the first usable one; a runtime too old is passed over.
TEST(JsRuntimeTest, TheFirstUsableOnPathIsTaken) {
    const test::TempDir dir;
    const std::string path = (dir / "bin").string();
    EXPECT_EQ(FindJsRuntime(path, 2s), std::nullopt);
    EXPECT_EQ(DescribeJsRuntime(std::nullopt), "js-runtime=none");

    test::WriteScript(dir / "bin/deno", "echo 'deno 1.46.3 (stable)'");
    test::WriteScript(dir / "bin/node", "echo v18.19.0");
    test::WriteScript(dir / "bin/qjs", "echo 'QuickJS version 2024-01-13'; echo usage; exit 1");
    auto found = FindJsRuntime(path, 2s);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->option(), "quickjs:" + (dir / "bin/qjs").string());

    test::WriteScript(dir / "bin/node", "[ \"$1\" = --version ] && echo v22.12.0");
    found = FindJsRuntime(path, 2s);
    ASSERT_TRUE(found);
    EXPECT_EQ(DescribeJsRuntime(found),
              "js-runtime=node " + (dir / "bin/node").string() + " v22.12.0");
}

} // namespace
} // namespace kestrova
