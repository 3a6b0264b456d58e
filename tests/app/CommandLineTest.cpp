#include "app/CommandLine.h"

#include "process/AppContext.h"
#include "support/TempDir.h"

#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

// Records what ApplyCommandLine does, in order.
class FakeEnvironment : public StartupEnvironment {
public:
    void writeLine(std::string_view line) override { events.emplace_back(line); }
    void redirectToNullDevice() override { events.emplace_back("<null>"); }
    void changeDirectory(const std::filesystem::path& directory) override {
        events.push_back("<chdir " + directory.string() + ">");
    }
    std::filesystem::path executablePath() override { return "/usr/lib/kestrova/kestrova"; }
    std::filesystem::path currentDirectory() override { return "/home/user"; }

    std::vector<std::string> events;
};

struct CommandLineCase {
    const char* name;
    std::vector<std::string> arguments;
    int debugMode;
    std::string programDir;
};

void PrintTo(const CommandLineCase& c, std::ostream* os) {
    *os << c.name;
}

class ApplyCommandLineTest : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(ApplyCommandLineTest, WritesTheStartLinesInOrder) {
    const CommandLineCase& c = GetParam();
    AppContext context;
    FakeEnvironment environment;
    ApplyCommandLine(context, c.arguments, environment);

    EXPECT_EQ(context.m_nDebugMode, c.debugMode);
    EXPECT_EQ(context.m_strProgramDir, c.programDir);
    std::vector<std::string> expected;
    for (const std::string& argument : c.arguments) {
        if (argument == "-D274") {
            expected.push_back("DEBUGMODE ON\n");
        }
    }
    if (c.debugMode == 0) {
        expected.push_back("<null>");
    }
    expected.push_back("********** Start DEBUG MODE  *******\n");
    expected.push_back("PORTABLE VERSION START\n");
    expected.push_back("<chdir " + c.programDir + ">");
    expected.push_back("CurrentDir=" + c.programDir + "\n");
    EXPECT_EQ(environment.events, expected);
}

const CommandLineCase kCommandLineCases[] = {
    {"NoSwitch", {"/opt/kestrova/kestrova"}, 0, "/opt/kestrova"},
    {"Switch", {"/opt/kestrova/kestrova", "-D274"}, 1, "/opt/kestrova"},
    {"SwitchTwice", {"/opt/k/kestrova", "-D274", "x", "-D274"}, 1, "/opt/k"},
    {"SwitchAsArgumentZero", {"-D274"}, 1, "/usr/lib/kestrova"},
    {"OtherCase", {"/opt/k/kestrova", "-d274"}, 0, "/opt/k"},
    {"LongerArgument", {"/opt/k/kestrova", "-D2745"}, 0, "/opt/k"},
    {"SlashForHyphen", {"/opt/k/kestrova", "/D274"}, 0, "/opt/k"},
    {"LeadingSpace", {"/opt/k/kestrova", " -D274"}, 0, "/opt/k"},
    {"ThroughPath", {"kestrova"}, 0, "/usr/lib/kestrova"},
    {"NoArguments", {}, 0, "/usr/lib/kestrova"},
    {"InTheRoot", {"/kestrova"}, 0, "/"},
    {"RelativeDirectory", {"bin/kestrova"}, 0, "/home/user/bin"},
    {"DotDirectory", {"./kestrova"}, 0, "/home/user"},
    {"DoubledSeparator", {"/opt/k//kestrova"}, 0, "/opt/k"},
    {"NonUtf8BytesKept", {"/opt/\xE9t\xE9/kestrova"}, 0, "/opt/\xE9t\xE9"},
};

INSTANTIATE_TEST_SUITE_P(Table, ApplyCommandLineTest, ::testing::ValuesIn(kCommandLineCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct AddressCase {
    const char* name;
    std::vector<std::string> arguments; // argument 0 first
    std::optional<std::string> address;
};

void PrintTo(const AddressCase& c, std::ostream* os) {
    *os << c.name;
}

class AddressArgumentTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(AddressArgumentTest, TakesTheLastArgumentThatIsNoSwitch) {
    EXPECT_EQ(AddressArgument(GetParam().arguments), GetParam().address);
}

const std::string kAddress = "https://www.youtube.com/watch?v=Ab3dE5gH1jK";

const AddressCase kAddressCases[] = {
    {"None", {"kestrova"}, std::nullopt},
    {"NoArgumentZero", {}, std::nullopt},
    {"Id", {"kestrova", "Ab3dE5gH1jK"}, "Ab3dE5gH1jK"},
    {"Address", {"kestrova", kAddress}, kAddress},
    {"AddressWithMoreQuery", {"kestrova", kAddress + "&t=42s&list=x"}, kAddress + "&t=42s&list=x"},
    {"SwitchBefore", {"kestrova", "-D274", kAddress}, kAddress},
    {"SwitchAfter", {"kestrova", kAddress, "-D274"}, kAddress},
    {"SwitchOnly", {"kestrova", "-D274"}, std::nullopt},
    {"ArgumentZeroIsNone", {"Ab3dE5gH1jK"}, std::nullopt},
    {"TwoAddressesTheLastWins", {"kestrova", kAddress, "Zy9xW8vU7tS"}, "Zy9xW8vU7tS"},
    {"RejectedTextIsStillTheAddress", {"kestrova", "not a video"}, "not a video"},
    {"UnknownSwitchIgnored", {"kestrova", "Ab3dE5gH1jK", "-x"}, "Ab3dE5gH1jK"},
    {"DashedIdAfterTheEndOfSwitches", {"kestrova", "--", "-b3dE5gH1jK"}, "-b3dE5gH1jK"},
    {"SwitchAfterTheEndOfSwitchesStaysASwitch", {"kestrova", "--", "x", "-D274"}, "x"},
    {"SecondEndOfSwitchesIsAnAddress", {"kestrova", "--", "--"}, "--"},
    {"EndOfSwitchesAlone", {"kestrova", "--"}, std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(Table, AddressArgumentTest, ::testing::ValuesIn(kAddressCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AppContextTest, CreatedOnFirstUseAndReleased) {
    AppContext& first = GetAppContext();
    EXPECT_TRUE(first.m_strProgramDir.empty());
    EXPECT_EQ(first.m_nDebugMode, 0);
    first.m_nDebugMode = 1;
    EXPECT_EQ(&GetAppContext(), &first);
    ReleaseAppContext();
    EXPECT_EQ(GetAppContext().m_nDebugMode, 0);
    ReleaseAppContext();
}

std::string readAll(int fd) {
    std::string out;
    char buffer[4096];
    pollfd p{fd, POLLIN, 0};
    ssize_t n = 0;
    while (::poll(&p, 1, 10000) > 0 && (n = ::read(fd, buffer, sizeof buffer)) > 0) {
        out.append(buffer, std::size_t(n));
    }
    ::close(fd);
    return out;
}

bool isNullDevice(int fd) {
    struct stat a {
    }, b{};
    return ::fstat(fd, &a) == 0 && ::stat("/dev/null", &b) == 0 && S_ISCHR(a.st_mode) &&
           a.st_rdev == b.st_rdev;
}

// Runs ApplyCommandLine for real in a child whose standard output and input are pipes.
// Returns what reached the output pipe, then the child's report on its descriptors and
// working directory.
std::pair<std::string, std::string> runInChild(const std::vector<std::string>& arguments) {
    int out[2], in[2], report[2];
    if (::pipe(out) != 0 || ::pipe(in) != 0 || ::pipe(report) != 0) {
        return {"pipe failed", ""};
    }
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(in[0], STDIN_FILENO);
        for (int fd : {out[0], out[1], in[0], in[1], report[0]}) {
            ::close(fd);
        }
        AppContext context;
        ApplyCommandLine(context, arguments);
        std::fputs("written after start-up\n", stdout);
        std::fflush(stdout);
        char cwd[4096] = {};
        const std::string text = "stdout-null=" + std::to_string(isNullDevice(STDOUT_FILENO)) +
                                 " stdin-null=" + std::to_string(isNullDevice(STDIN_FILENO)) +
                                 " cwd=" + (::getcwd(cwd, sizeof cwd) ? cwd : "?");
        [[maybe_unused]] const ssize_t n = ::write(report[1], text.data(), text.size());
        ::_exit(0);
    }
    for (int fd : {out[1], in[0], report[1]}) {
        ::close(fd);
    }
    std::pair<std::string, std::string> result{readAll(out[0]), readAll(report[0])};
    ::close(in[1]);
    ::kill(child, SIGKILL); // harmless once it has exited; ends it if it hangs
    ::waitpid(child, nullptr, 0);
    return result;
}

TEST(ApplyCommandLineProcessTest, WithoutSwitchStandardStreamsGoToTheNullDevice) {
    test::TempDir dir;
    const std::string programDir = std::filesystem::canonical(dir.path()).string();
    const auto [output, report] = runInChild({programDir + "/kestrova", "-d274"});
    EXPECT_EQ(output, "");
    EXPECT_EQ(report, "stdout-null=1 stdin-null=1 cwd=" + programDir);
}

TEST(ApplyCommandLineProcessTest, WithSwitchTheInheritedOutputShowsEveryLine) {
    test::TempDir dir;
    const std::string programDir = std::filesystem::canonical(dir.path()).string();
    const auto [output, report] = runInChild({programDir + "/kestrova", "-D274", "-D274"});
    EXPECT_EQ(output, "DEBUGMODE ON\nDEBUGMODE ON\n"
                      "********** Start DEBUG MODE  *******\n"
                      "PORTABLE VERSION START\n"
                      "CurrentDir=" +
                          programDir + "\nwritten after start-up\n");
    EXPECT_EQ(report, "stdout-null=0 stdin-null=0 cwd=" + programDir);
}

} // namespace
} // namespace kestrova
