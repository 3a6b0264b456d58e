#include "player/YtDlp.h"

#include "player/HardwareCodecs.h"
#include "support/TempDir.h"

#include <chrono>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using namespace std::chrono_literals;
using test::TempDir;

// A fake yt-dlp: a shell script with the given body, executable or not.
void writeScript(const std::filesystem::path& path, const std::string& body,
                 bool executable = true) {
    std::filesystem::create_directories(path.parent_path());
    test::WriteFileBytes(path, "#!/bin/sh\n" + body + "\n");
    std::filesystem::permissions(path, executable ? std::filesystem::perms::owner_all
                                                  : std::filesystem::perms::owner_read |
                                                        std::filesystem::perms::owner_write);
}

struct VersionCase {
    const char* name;
    std::string script;
    std::string expected; // after "<path> "
};

void PrintTo(const VersionCase& c, std::ostream* os) {
    *os << c.name;
}

class YtDlpVersionTest : public ::testing::TestWithParam<VersionCase> {};

TEST_P(YtDlpVersionTest, DescribesTheProgramFoundAndItsVersion) {
    const TempDir dir;
    writeScript(dir / "bin/yt-dlp", GetParam().script);
    EXPECT_EQ(DescribeYtDlp((dir / "bin").string(), 2s),
              "yt-dlp=" + (dir / "bin/yt-dlp").string() + " " + GetParam().expected);
}

const VersionCase kVersionCases[] = {
    {"PlainVersion", "echo 2024.12.13", "2024.12.13"},
    {"FirstLineOnlyTrimmed", "printf '  2025.01.02\\r\\nmore\\n'", "2025.01.02"},
    {"ArgumentIsVersionSwitch", "[ \"$1\" = --version ] && echo ok || echo wrong", "ok"},
    {"FailureStatus", "echo 2024.1.1; exit 2", "unknown"},
    {"NoOutput", "exit 0", "unknown"},
    {"ErrorsOnly", "echo broken >&2; exit 1", "unknown"},
};

INSTANTIATE_TEST_SUITE_P(Table, YtDlpVersionTest, ::testing::ValuesIn(kVersionCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(YtDlpTest, NoneWhenNotOnPath) {
    const TempDir dir;
    writeScript(dir / "a/yt-dlp", "echo 1", false);
    std::filesystem::create_directories(dir / "b/yt-dlp");
    const std::string path = (dir / "a").string() + ":" + (dir / "b").string();
    EXPECT_EQ(DescribeYtDlp(path, 2s), "yt-dlp=none");
    EXPECT_EQ(DescribeYtDlp("", 2s), "yt-dlp=none");
}

TEST(YtDlpTest, FirstExecutableFileOnPathWins) {
    const TempDir dir;
    writeScript(dir / "noexec/yt-dlp", "echo 1", false);
    std::filesystem::create_directories(dir / "folder/yt-dlp");
    writeScript(dir / "first/yt-dlp", "echo 1");
    writeScript(dir / "second/yt-dlp", "echo 2");
    const std::string path = ":" + (dir / "noexec").string() + "::" + (dir / "folder").string() +
                             ":" + (dir / "first").string() + ":" + (dir / "second").string();
    EXPECT_EQ(FindExecutableOnPath("yt-dlp", path), dir / "first/yt-dlp");
}

TEST(YtDlpTest, HangingProgramIsKilledAtTheTimeOut) {
    const TempDir dir;
    // The child keeps the output open after the script itself is gone; it must die too.
    writeScript(dir / "bin/yt-dlp", "sleep 30 & sleep 30");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ReadProgramVersion(dir / "bin/yt-dlp", 300ms), std::nullopt);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

TEST(YtDlpTest, ProgramThatCannotStart) {
    const TempDir dir;
    test::WriteFileBytes(dir / "yt-dlp", "#!/nonexistent/interpreter\n");
    std::filesystem::permissions(dir / "yt-dlp", std::filesystem::perms::owner_all);
    EXPECT_EQ(ReadProgramVersion(dir / "yt-dlp", 2s), std::nullopt);
    EXPECT_EQ(ReadProgramVersion(dir / "missing", 2s), std::nullopt);
}

TEST(HardwareCodecsTest, NoneWithoutAWorkingRenderNode) {
    const TempDir dir;
    EXPECT_FALSE(ProbeHardwareCodecs(dir / "missing").any());
    EXPECT_FALSE(ProbeHardwareCodecs(dir.path()).any());
    // A file that only looks like a render node: the driver cannot start on it.
    test::WriteFileBytes(dir / "renderD128", "");
    EXPECT_FALSE(ProbeHardwareCodecs(dir.path()).any());
}

} // namespace
} // namespace kestrova
