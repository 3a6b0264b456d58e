#include "profile/AtomicFile.h"

#include "profile/ProfileFile.h"
#include "support/TempDir.h"

#include <chrono>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace kestrova {

namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;
namespace fs = std::filesystem;

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

void makeSocket(const fs::path& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
}

// Notes every open of what stands at a path (through a symbolic link, of what it points to).
class OpenWatch {
public:
    explicit OpenWatch(const fs::path& path)
        : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        ::inotify_add_watch(m_fd, path.c_str(), IN_OPEN);
    }
    ~OpenWatch() { ::close(m_fd); }
    bool opened() const {
        alignas(inotify_event) char events[4096];
        return ::read(m_fd, events, sizeof events) > 0;
    }

private:
    int m_fd;
};

struct OddFile {
    const char* name;
    void (*make)(const fs::path& path);
};

// Each stands where History.ini should be. Reading it must not block or exhaust memory, the
// defaults apply, and a save leaves it as it was.
const OddFile kOddFiles[] = {
    {"Directory", [](const fs::path& p) { fs::create_directory(p); }},
    {"Fifo", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }},
    {"LinkToDevZero", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); }},
    {"LinkToFifo",
     [](const fs::path& p) {
         ASSERT_EQ(::mkfifo((p.string() + ".fifo").c_str(), 0600), 0);
         fs::create_symlink(p.filename().string() + ".fifo", p);
     }},
    // A node of its own, so that no other program's use of the device counts as an open.
    {"CharacterDevice",
     [](const fs::path& p) {
         if (::mknod(p.c_str(), S_IFCHR | 0600, makedev(1, 5)) != 0) {
             GTEST_SKIP() << "no device node can be made here";
         }
     }},
    {"Socket", makeSocket},
    {"LargerThan64MiB",
     [](const fs::path& p) {
         WriteFileBytes(p, "[SYSTEM]\nCOUNT=1\n");
         fs::resize_file(p, AtomicFile::kMaxReadSize + 1); // sparse
     }},
};

void PrintTo(const OddFile& c, std::ostream* os) {
    *os << c.name;
}

class OddFileTest : public ::testing::TestWithParam<OddFile> {};

TEST_P(OddFileTest, ReadsAsUnreadableAtOnceAndIsNeverReplaced) {
    TempDir dir;
    const fs::path path = dir / "History.ini";
    GetParam().make(path);
    if (IsSkipped()) {
        return;
    }
    const auto before = fs::symlink_status(path).type();
    // /dev/zero is opened by others all the time; every other node is the test's own.
    std::error_code notALink;
    const bool ownNode = fs::read_symlink(path, notALink) != "/dev/zero";
    const OpenWatch watch(path);
    const auto start = std::chrono::steady_clock::now();
    ProfileFile file = ProfileFile::load(path);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_FALSE(ownNode && watch.opened()) << "opened for reading";
    EXPECT_EQ(file.readInt(u"SYSTEM", u"COUNT", -1), -1);
    file.writeString(u"SYSTEM", u"COUNT", u"2");
    EXPECT_EQ(file.save(path), SaveResult::NotReplaced);
    // Also when the thing appeared only after a readable load.
    EXPECT_EQ(ProfileFile::load(dir / "other.ini").save(path), SaveResult::NotReplaced);
    EXPECT_EQ(fs::symlink_status(path).type(), before);
    std::vector<std::string> names = namesIn(dir.path());
    std::erase(names, "History.ini.fifo");
    EXPECT_EQ(names, std::vector<std::string>{"History.ini"});
}

INSTANTIATE_TEST_SUITE_P(Table, OddFileTest, ::testing::ValuesIn(kOddFiles),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AtomicFileTest, ReadsRegularFilesUpToTheLimit) {
    TempDir dir;
    WriteFileBytes(dir / "a", "12345");
    fs::create_symlink(dir / "a", dir / "link");
    const struct {
        const char* file;
        std::size_t limit;
        AtomicFile::ReadStatus status;
        std::string bytes;
    } cases[] = {
        {"a", 5, AtomicFile::ReadStatus::Read, "12345"},
        {"link", 5, AtomicFile::ReadStatus::Read, "12345"},
        {"a", 4, AtomicFile::ReadStatus::Unreadable, ""},
        {"missing", 5, AtomicFile::ReadStatus::Missing, ""},
        {"a/below-a-file", 5, AtomicFile::ReadStatus::Missing, ""},
    };
    for (const auto& c : cases) {
        const AtomicFile::ReadResult result = AtomicFile::read(dir / c.file, c.limit);
        EXPECT_EQ(result.status, c.status) << c.file << " " << c.limit;
        EXPECT_EQ(result.bytes, c.bytes) << c.file << " " << c.limit;
    }
}

TEST(AtomicFileTest, SaveResultsNameWhyASaveFailed) {
    TempDir dir;
    WriteFileBytes(dir / "file", "x");
    WriteFileBytes(dir / "readonly.ini", "[S]\nK=old\n");
    ::chmod((dir / "readonly.ini").c_str(), 0444);
    const std::pair<fs::path, SaveResult> cases[] = {
        {dir / "new.ini", SaveResult::Saved},
        {dir / "missing" / "a.ini", SaveResult::WriteFailed},
        {dir / "file" / "a.ini", SaveResult::WriteFailed},
        // Without any write bit the file is read-only for root too.
        {dir / "readonly.ini", SaveResult::ReadOnly},
    };
    for (const auto& [path, expected] : cases) {
        EXPECT_EQ(AtomicFile::replace(path, "[S]\nK=new\n"), expected) << path;
    }
    EXPECT_EQ(ReadFileBytes(dir / "readonly.ini"), "[S]\nK=old\n");
    // What the next start could not read back is not written: the old file stays.
    EXPECT_EQ(AtomicFile::replace(dir / "file", std::string(AtomicFile::kMaxReadSize + 1, 'x')),
              SaveResult::TooLarge);
    EXPECT_EQ(ReadFileBytes(dir / "file"), "x");
    EXPECT_FALSE(SaveResult(SaveResult::ReadOnly));
    EXPECT_EQ(SaveResult(SaveResult::NotReplaced).name(),
              "not replaced: unreadable or not a regular file");
}

pid_t finishedProcess() {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    return child;
}

TEST(AtomicFileTest, SaveRemovesOnlyStaleTemporariesOfItsOwnFile) {
    TempDir dir;
    const std::string self = std::to_string(::getpid());
    const std::string gone = std::to_string(finishedProcess());
    const auto old = fs::file_time_type::clock::now() - std::chrono::minutes(2);
    const struct {
        std::string name;
        bool old;
        bool removed;
    } cases[] = {
        {".History.ini." + gone + ".0.tmp", false, true},  // its process is gone
        {".History.ini." + self + ".7.tmp", true, true},   // older than a minute
        {".History.ini." + self + ".8.tmp", false, false}, // a save that may be running
        {".Kestrova.ini." + gone + ".0.tmp", true, false}, // another file's
        {".History.ini." + gone + ".tmp", true, false},    // not the program's pattern
        {".History.ini.x" + gone + ".0.tmp", true, false}, //
        {".History.ini." + gone + ".0.tmp~", true, false}, //
        {"History.ini." + gone + ".0.tmp", true, false},   //
        {".History.ini.0.0.tmp", true, false},             // no process has id 0
    };
    for (const auto& c : cases) {
        WriteFileBytes(dir / c.name, "x");
        if (c.old) {
            fs::last_write_time(dir / c.name, old);
        }
    }
    fs::create_directory(dir / (".History.ini." + gone + ".1.tmp")); // not a regular file
    ASSERT_TRUE(AtomicFile::replace(dir / "History.ini", "[SYSTEM]\n"));
    for (const auto& c : cases) {
        EXPECT_EQ(fs::exists(dir / c.name), !c.removed) << c.name;
    }
    EXPECT_TRUE(fs::is_directory(dir / (".History.ini." + gone + ".1.tmp")));
    EXPECT_EQ(ReadFileBytes(dir / "History.ini"), "[SYSTEM]\n");
}

} // namespace
} // namespace kestrova
