#include "service/YtDlp.h"

#include "process/ChildProcess.h"
#include "support/Programs.h"
#include "support/TempDir.h"

#include <chrono>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using namespace std::chrono;
using namespace std::chrono_literals;
using test::TempDir;
using test::WriteScript;

struct VersionCase {
    const char* name;
    std::string script;
    std::string expected; // after "<path> "
};

void PrintTo(const VersionCase& c, std::ostream* os) {
    *os << c.name;
}

class YtDlpVersionLineTest : public ::testing::TestWithParam<VersionCase> {};

TEST_P(YtDlpVersionLineTest, DescribesTheProgramFoundAndItsVersion) {
    const TempDir dir;
    WriteScript(dir / "bin/yt-dlp", GetParam().script);
    const auto found = FindYtDlp({(dir / "bin").string(), dir / "own"}, 2s);
    EXPECT_EQ(DescribeYtDlp(found, sys_days(2025y / 1 / 10)),
              "yt-dlp=" + (dir / "bin/yt-dlp").string() + " " + GetParam().expected);
}

const VersionCase kVersionCases[] = {
    {"PlainVersion", "echo 2024.12.13", "2024.12.13"},
    {"FirstLineOnlyTrimmed", "printf '  2025.01.02\\r\\nmore\\n'", "2025.01.02"},
    {"ArgumentIsVersionSwitch", "[ \"$1\" = --version ] && echo ok || echo wrong", "ok"},
    {"FailureStatus", "echo 2024.1.1; exit 2", "unknown"},
    {"NoOutput", "exit 0", "unknown"},
    {"ErrorsOnly", "echo broken >&2; exit 1", "unknown"},
    {"OutOfDate", "echo 2024.12.10", "2024.12.10 (out of date)"},
};

INSTANTIATE_TEST_SUITE_P(Table, YtDlpVersionLineTest, ::testing::ValuesIn(kVersionCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(YtDlpVersionTest, DatesWithAnOptionalBuildNumber) {
    EXPECT_EQ(ParseYtDlpVersion("2025.11.12"), (YtDlpVersion{2025y / 11 / 12, 0}));
    EXPECT_EQ(ParseYtDlpVersion("2025.11.12.232015"), (YtDlpVersion{2025y / 11 / 12, 232015}));
    EXPECT_LT(*ParseYtDlpVersion("2025.11.12"), *ParseYtDlpVersion("2025.11.12.1"));
    EXPECT_LT(*ParseYtDlpVersion("2025.9.30.9"), *ParseYtDlpVersion("2025.10.01"));
    for (const char* text : {"", "2025", "2025.11", "2025.13.01", "2025.02.30", "2025.11.12.",
                             "v2025.11.12", "2025.11.12 ", "2025.11.12.x", "99999.1.1"})
        EXPECT_EQ(ParseYtDlpVersion(text), std::nullopt) << text;
}

// Stale only when more than 30 days have passed; the runtime switch from the first release
// that takes it.
TEST(YtDlpVersionTest, StalenessAndTheRuntimeSwitch) {
    const YtDlpVersion version{2025y / 11 / 12};
    EXPECT_FALSE(IsStale(version, sys_days(2025y / 12 / 12)));
    EXPECT_TRUE(IsStale(version, sys_days(2025y / 12 / 13)));
    EXPECT_FALSE(IsStale(version, sys_days(2025y / 1 / 1))); // a clock set back
    EXPECT_TRUE(TakesJsRuntimes(version));
    EXPECT_FALSE(TakesJsRuntimes({2025y / 11 / 11, 999}));
}

struct ChoiceCase {
    const char* name;
    std::optional<std::string> onPath; // its version; "?" for an unreadable one
    std::optional<std::string> own;
    const char* chosen; // "path", "own" or "none"
};

void PrintTo(const ChoiceCase& c, std::ostream* os) {
    *os << c.name;
}

std::optional<YtDlpProgram> program(const std::optional<std::string>& version, bool own) {
    if (!version)
        return std::nullopt;
    return YtDlpProgram{own ? "/own/yt-dlp" : "/path/yt-dlp",
                        *version == "?" ? std::nullopt : version, own};
}

class YtDlpChoiceTest : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(YtDlpChoiceTest, TheNewestPlays) {
    const auto chosen =
        ChooseYtDlp(program(GetParam().onPath, false), program(GetParam().own, true));
    const std::string which = !chosen ? "none" : chosen->own ? "own" : "path";
    EXPECT_EQ(which, GetParam().chosen);
}

const ChoiceCase kChoiceCases[] = {
    {"PathNewer", "2025.12.01", "2025.11.12", "path"},
    {"OwnNewer", "2023.03.04", "2025.11.12", "own"},
    {"OwnNightlyNewer", "2025.11.12", "2025.11.12.1", "own"},
    {"SameVersion", "2025.11.12", "2025.11.12", "path"},
    {"OnlyOnPath", "2023.03.04", std::nullopt, "path"},
    {"OnlyOwn", std::nullopt, "2025.11.12", "own"},
    {"None", std::nullopt, std::nullopt, "none"},
    {"PathUnreadable", "?", "2025.11.12", "own"},
    {"OwnUnreadable", "2023.03.04", "?", "path"},
    {"BothUnreadable", "?", "?", "path"},
};

INSTANTIATE_TEST_SUITE_P(Table, YtDlpChoiceTest, ::testing::ValuesIn(kChoiceCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(YtDlpTest, FindsTheOwnCopyBesideTheOneOnPath) {
    const TempDir dir;
    WriteScript(dir / "bin/yt-dlp", "echo 2023.03.04");
    WriteScript(dir / "own/yt-dlp", "echo 2025.11.12");
    const auto found = FindYtDlp({(dir / "bin").string(), dir / "own"}, 2s);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->path, dir / "own/yt-dlp");
    EXPECT_EQ(found->version, "2025.11.12");
    EXPECT_EQ(DescribeYtDlp(std::nullopt, sys_days(2025y / 1 / 1)), "yt-dlp=none");
}

TEST(ChildProcessTest, FirstExecutableFileOnPathWins) {
    const TempDir dir;
    WriteScript(dir / "noexec/yt-dlp", "echo 1", false);
    std::filesystem::create_directories(dir / "folder/yt-dlp");
    WriteScript(dir / "first/yt-dlp", "echo 1");
    WriteScript(dir / "second/yt-dlp", "echo 2");
    const std::string path = ":" + (dir / "noexec").string() + "::" + (dir / "folder").string() +
                             ":" + (dir / "first").string() + ":" + (dir / "second").string();
    EXPECT_EQ(FindExecutableOnPath("yt-dlp", path), dir / "first/yt-dlp");
    EXPECT_EQ(FindExecutableOnPath("yt-dlp", ""), std::nullopt);
}

// A program that outlasts its time, or is cancelled, dies with what it started (which keeps
// the output open after the script itself is gone); one that cannot start gives nothing.
TEST(ChildProcessTest, HangingProgramsAreKilledAtTheTimeOutOrTheCancel) {
    const TempDir dir;
    WriteScript(dir / "hang", "sleep 30 & sleep 30");
    const auto start = steady_clock::now();
    EXPECT_EQ(ReadProgramVersion(dir / "hang", 300ms), std::nullopt);

    ChildCancel cancel;
    std::thread canceller([&] {
        std::this_thread::sleep_for(200ms);
        cancel.cancel();
    });
    ChildOptions options;
    options.timeOut = 30s;
    options.cancel = &cancel;
    const ChildRun run = RunChild({(dir / "hang").string()}, options);
    canceller.join();
    EXPECT_TRUE(run.cancelled);
    EXPECT_FALSE(RunChild({(dir / "hang").string()}, options).started); // stays cancelled
    EXPECT_LT(steady_clock::now() - start, 5s);

    test::WriteFileBytes(dir / "broken", "#!/nonexistent/interpreter\n");
    std::filesystem::permissions(dir / "broken", std::filesystem::perms::owner_all);
    EXPECT_EQ(ReadProgramVersion(dir / "broken", 2s), std::nullopt);
    EXPECT_EQ(ReadProgramVersion(dir / "missing", 2s), std::nullopt);
}

TEST(ChildProcessTest, BothStreamsAreReadAndTheOutputIsCapped) {
    const TempDir dir;
    WriteScript(dir / "talk", "head -c 300000 /dev/zero; echo oops >&2; exit 3");
    ChildOptions options;
    options.maxOutput = 1000;
    const ChildRun run = RunChild({(dir / "talk").string()}, options);
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.output.size(), 1000u);
    EXPECT_TRUE(run.outputCut);
    EXPECT_EQ(run.errors, "oops\n");
}

} // namespace
} // namespace kestrova
