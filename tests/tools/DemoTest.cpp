#include "support/TempDir.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <httplib.h>
#include <map>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>

#include <gtest/gtest.h>

extern char** environ;

namespace kestrova {
namespace {

using namespace std::chrono_literals;
using test::TempDir;

// kestrova-demo as a child process; killed at the end if it is still there.
class DemoProcess {
public:
    explicit DemoProcess(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), KESTROVA_DEMO);
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        if (::posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            m_pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    ~DemoProcess() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }

    void signal(int number) const { ::kill(m_pid, number); }

    // The exit status, or -1 when it has not ended within the time-out.
    int waitForExit(std::chrono::milliseconds timeOut = 20s) {
        const auto deadline = std::chrono::steady_clock::now() + timeOut;
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(20ms);
        }
        return -1;
    }

private:
    pid_t m_pid = -1;
};

// The KEY=VALUE lines of the --info file, once it is complete (the clip may take a while to
// be made on a first run).
std::map<std::string, std::string> readInfo(const std::filesystem::path& file) {
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    std::map<std::string, std::string> info;
    while (std::chrono::steady_clock::now() < deadline && !info.contains("CLIPURL")) {
        std::this_thread::sleep_for(20ms);
        std::istringstream lines(test::ReadFileBytes(file));
        for (std::string line; std::getline(lines, line);) {
            if (const auto equals = line.find('='); equals != std::string::npos) {
                info[line.substr(0, equals)] = line.substr(equals + 1);
            }
        }
    }
    return info;
}

httplib::Result get(const std::string& url) {
    const auto pathStart = url.find('/', std::string("http://").size());
    httplib::Client client(url.substr(0, pathStart));
    client.set_connection_timeout(5s);
    client.set_read_timeout(5s);
    return client.Get(url.substr(pathStart));
}

// A stand-in for the program: it runs `setup`, records where it ran, its arguments and its
// settings file, then runs `body`.
void writeFakeProgram(const std::filesystem::path& path, const std::filesystem::path& record,
                      const std::string& body, const std::string& setup = {}) {
    test::WriteFileBytes(path, "#!/bin/sh\n" + setup +
                                   "\ndir=$(dirname \"$0\")\n{ echo \"$dir\"; "
                                   "echo \"$*\"; cat \"$dir/Kestrova.ini\"; } > '" +
                                   record.string() + "'\n" + body + "\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

std::vector<std::string> recordLines(const std::filesystem::path& record) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < deadline && test::ReadFileBytes(record).empty()) {
        std::this_thread::sleep_for(20ms);
    }
    std::vector<std::string> lines;
    std::istringstream in(test::ReadFileBytes(record));
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(DemoTest, ServesTheFeedAndTheClipUntilTerminated) {
    const TempDir dir;
    DemoProcess demo({"--serve", "--history", "--info", (dir / "info").string()});
    const auto info = readInfo(dir / "info");
    ASSERT_TRUE(info.contains("CLIPURL"));
    const std::filesystem::path folder = info.at("FOLDER");
    EXPECT_TRUE(std::filesystem::exists(folder / "History.ini"));
    EXPECT_EQ(std::filesystem::read_symlink(folder / "kestrova"),
              std::filesystem::absolute(KESTROVA_BUILT_PROGRAM_FOR_TEST));

    const auto known = get(info.at("FEEDURL") + "jazzCafe010");
    ASSERT_TRUE(known);
    EXPECT_EQ(known->status, 200);
    EXPECT_NE(known->body.find("ジャズ喫茶 Jazz Café in Shibuya"), std::string::npos);
    const auto escaped = get(info.at("FEEDURL") + "catsAndDogs");
    ASSERT_TRUE(escaped);
    EXPECT_NE(escaped->body.find("Cats &amp; Dogs: &lt;a quiet afternoon&gt;"), std::string::npos);
    const auto unknown = get(info.at("FEEDURL") + "noSuchVideo");
    ASSERT_TRUE(unknown);
    EXPECT_EQ(unknown->status, 404);
    const auto clip = get(info.at("PLAYERURL") + "pianoLive05?version=3&rel=0&autoplay=1&loop=1");
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->status, 200);
    EXPECT_GT(clip->body.size(), 1000u);

    demo.signal(SIGTERM);
    EXPECT_EQ(demo.waitForExit(), 0);
    EXPECT_FALSE(std::filesystem::exists(folder)) << "the program folder outlived the demo";
}

TEST(DemoTest, RunsTheProgramInItsFolderAndReturnsItsStatus) {
    const TempDir dir;
    writeFakeProgram(dir / "fake", dir / "record", "exit 7");
    DemoProcess demo({"--program", (dir / "fake").string(), "--", "-D274", "x y"});
    EXPECT_EQ(demo.waitForExit(), 7);

    const auto lines = recordLines(dir / "record");
    ASSERT_GE(lines.size(), 8u);
    EXPECT_NE(lines[0].find("kestrova-demo-"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(lines[0])) << "the program folder was not removed";
    EXPECT_EQ(lines[1], "-D274 x y");
    EXPECT_EQ(lines[2], "[SYSTEM]");
    EXPECT_EQ(lines[3], "VIDEOID=kyotoWalk01");
    EXPECT_EQ(lines[4], "[NETWORK]");
    EXPECT_TRUE(lines[5].starts_with("FEEDURL=http://127.0.0.1:"));
    EXPECT_TRUE(lines[5].ends_with("/feeds/api/videos/"));
    EXPECT_TRUE(lines[6].starts_with("PLAYERURL=http://127.0.0.1:"));
    EXPECT_TRUE(lines[6].ends_with("/v/"));
    EXPECT_EQ(lines[7], "YTDLPURL="); // offline: no yt-dlp is fetched
}

TEST(DemoTest, KeepLeavesTheFolder) {
    const TempDir dir;
    writeFakeProgram(dir / "fake", dir / "record", "exit 0");
    DemoProcess demo({"--keep", "--program", (dir / "fake").string()});
    EXPECT_EQ(demo.waitForExit(), 0);
    const auto lines = recordLines(dir / "record");
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(lines[0]) / "Kestrova.ini"));
    std::filesystem::remove_all(lines[0]);
}

TEST(DemoTest, PassesTerminationOnToTheProgram) {
    const TempDir dir;
    // The trap is set before the record appears, so the signal cannot come first.
    writeFakeProgram(dir / "fake", dir / "record", "while :; do sleep 0.05; done",
                     "trap 'exit 5' TERM");
    DemoProcess demo({"--program", (dir / "fake").string()});
    ASSERT_FALSE(recordLines(dir / "record").empty());
    demo.signal(SIGTERM);
    EXPECT_EQ(demo.waitForExit(), 5);
}

TEST(DemoTest, RejectsUnknownOptions) {
    DemoProcess demo({"--frobnicate"});
    EXPECT_EQ(demo.waitForExit(), 2);
}

} // namespace
} // namespace kestrova
