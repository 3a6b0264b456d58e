#include "request/Settings.h"

#include "process/AppContext.h"
#include "profile/DataFiles.h"
#include "res/Texts.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <optional>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value)
        : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { m_old ? ::setenv(m_name, m_old->c_str(), 1) : ::unsetenv(m_name); }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { GetAppContext().m_strProgramDir = m_dir.path(); }
    void TearDown() override { ReleaseAppContext(); }
    std::filesystem::path file() const { return m_dir / "Kestrova.ini"; }

    TempDir m_dir;
};

TEST_F(SettingsTest, FirstRunReadsTheDefaultAndWritesAnEmptyKey) {
    EXPECT_EQ(ReadLastVideoId(u""), u"");
    EXPECT_EQ(ReadLastVideoId(u"typed"), u"typed");
    ASSERT_TRUE(WriteLastVideoId(u""));
    EXPECT_EQ(ReadFileBytes(file()), "[SYSTEM]\nVIDEOID=\n");
}

TEST_F(SettingsTest, WriteReplacesOnlyTheVideoId) {
    const std::string before = "; mine\r\n[NETWORK]\r\nFEEDURL=http://127.0.0.1:1/f/\r\n"
                               "[System]\r\nvideoid=http://www.youtube.com/watch?v=Ab3dE5gH1jK\r\n"
                               "Other=1\r\n";
    WriteFileBytes(file(), before);
    EXPECT_EQ(ReadLastVideoId(u""), u"http://www.youtube.com/watch?v=Ab3dE5gH1jK");
    ASSERT_TRUE(WriteLastVideoId(u"Zy9xW8vU7tS"));
    const std::string old = "http://www.youtube.com/watch?v=Ab3dE5gH1jK";
    std::string after = before;
    after.replace(after.find(old), old.size(), "Zy9xW8vU7tS");
    EXPECT_EQ(ReadFileBytes(file()), after);
}

TEST_F(SettingsTest, WritePassesOnWhyItFailed) {
    std::filesystem::create_directory(file());
    EXPECT_EQ(WriteLastVideoId(u"Zy9xW8vU7tS"), SaveResult::NotReplaced);
    EXPECT_TRUE(std::filesystem::is_directory(file()));
}

TEST_F(SettingsTest, ReadsAtMost260Characters) {
    WriteFileBytes(file(), "[SYSTEM]\nVIDEOID=" + std::string(300, 'v') + "\n");
    EXPECT_EQ(ReadLastVideoId(u""), std::u16string(260, u'v'));
}

TEST_F(SettingsTest, ServiceAddressesDefaultWhenMissingOrEmpty) {
    ServiceAddresses addresses = ReadServiceAddresses();
    EXPECT_EQ(addresses.feedUrl, texts::kDefaultFeedUrl);
    EXPECT_EQ(addresses.playerUrl, texts::kDefaultPlayerUrl);

    WriteFileBytes(file(), "[NETWORK]\nFEEDURL=\nPLAYERURL=http://127.0.0.1:8080/v/\n");
    addresses = ReadServiceAddresses();
    EXPECT_EQ(addresses.feedUrl, texts::kDefaultFeedUrl);
    EXPECT_EQ(addresses.playerUrl, "http://127.0.0.1:8080/v/");

    WriteFileBytes(file(), "[network]\nfeedurl = \"http://127.0.0.1:8080/feeds/api/videos/\"\n");
    EXPECT_EQ(ReadServiceAddresses().feedUrl, "http://127.0.0.1:8080/feeds/api/videos/");
}

TEST_F(SettingsTest, PlayerAddressMustBeHttpOrHttps) {
    const std::pair<std::string, bool> cases[] = {
        {"http://127.0.0.1:8080/v/", true},
        {"HTTPS://example.org/v/", true},
        {"file:///etc/", false},
        {"av://lavfi:color=c=red", false},
        {"edl://x", false},
        {"/tmp/movie.webm", false},
        {"httpx://example.org/", false},
    };
    for (const auto& [address, used] : cases) {
        WriteFileBytes(file(), "[NETWORK]\nPLAYERURL=" + address + "\n");
        const ServiceAddresses addresses = ReadServiceAddresses();
        EXPECT_EQ(addresses.playerUrl, used ? address : std::string(texts::kDefaultPlayerUrl))
            << address;
        EXPECT_EQ(addresses.ignoredPlayerUrl, used ? "" : address) << address;
    }
}

// Missing: the project's releases; empty: no fetching; only https, or http on a loopback host.
TEST_F(SettingsTest, YtDlpReleaseAddressAndKey) {
    const std::string fallback(texts::kDefaultYtDlpReleaseUrl);
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"", fallback, ""},
        {"YTDLPURL=\n", "", ""},
        {"YTDLPURL=https://mirror.example.org/yt-dlp/\n", "https://mirror.example.org/yt-dlp/", ""},
        {"YTDLPURL=http://127.0.0.1:9/rel/\n", "http://127.0.0.1:9/rel/", ""},
        {"YTDLPURL=http://mirror.example.org/\n", fallback, "http://mirror.example.org/"},
        {"YTDLPURL=file:///tmp/\n", fallback, "file:///tmp/"},
    };
    for (const auto& [line, used, ignored] : cases) {
        WriteFileBytes(file(), "[NETWORK]\n" + line + "YTDLPKEY=/keys/test.asc\n");
        const YtDlpReleaseSettings release = ReadYtDlpReleaseSettings();
        EXPECT_EQ(release.urlPrefix, used) << line;
        EXPECT_EQ(release.ignoredUrl, ignored) << line;
        EXPECT_EQ(release.keyFile, "/keys/test.asc");
    }
    const TempDir program;
    WriteFileBytes(program / "yt-dlp-release-key.asc", "key");
    EXPECT_EQ(ShippedReleaseKey(program / "kestrova"), program / "yt-dlp-release-key.asc");
    EXPECT_EQ(ShippedReleaseKey("/usr/bin/kestrova"), "/usr/share/kestrova/yt-dlp-release-key.asc");
}

TEST_F(SettingsTest, YtDlpFormatFromThePlayerSectionAndNeverWritten) {
    EXPECT_EQ(ReadYtDlpFormat(), "");
    const std::string ini = "[NETWORK]\nFORMAT=not here\n[player]\nformat = "
                            "\"bv[height<=480]+ba/b\"\n";
    WriteFileBytes(file(), ini);
    EXPECT_EQ(ReadYtDlpFormat(), "bv[height<=480]+ba/b");
    ASSERT_TRUE(WriteLastVideoId(u"Zy9xW8vU7tS"));
    EXPECT_EQ(ReadYtDlpFormat(), "bv[height<=480]+ba/b");
    EXPECT_NE(ReadFileBytes(file()).find("format = \"bv[height<=480]+ba/b\"\n"), std::string::npos);
}

TEST(DataFilesTest, ProgramDirectoryWhenWritableOtherwiseUserConfiguration) {
    TempDir dir;
    EXPECT_EQ(DataFilePath(dir.path(), u"History.ini"), dir / "History.ini");
    const std::filesystem::path unusable = dir / "not-there";
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", (dir / "xdg").c_str());
        // A folder that others may write, or that is not the user's, is not used.
        const struct {
            const char* name;
            mode_t mode;
            uid_t owner;
        } shared[] = {{"group", 0770, ::geteuid()},
                      {"others", 01777, ::geteuid()},
                      {"someone-elses", 0755, ::geteuid() + 1}};
        for (const auto& folder : shared) {
            const std::filesystem::path path = dir / folder.name;
            std::filesystem::create_directory(path);
            ::chmod(path.c_str(), folder.mode);
            if (folder.owner != ::geteuid() && ::chown(path.c_str(), folder.owner, -1) != 0) {
                continue; // only root can give a folder away
            }
            EXPECT_EQ(DataFilePath(path, u"History.ini"), dir / "xdg" / "kestrova" / "History.ini")
                << folder.name;
        }
        EXPECT_EQ(DataFilePath(unusable, u"Kestrova.ini"),
                  dir / "xdg" / "kestrova" / "Kestrova.ini");
        EXPECT_TRUE(std::filesystem::is_directory(dir / "xdg" / "kestrova"));
        EXPECT_EQ(DataFilePath({}, u"Kestrova.ini"), dir / "xdg" / "kestrova" / "Kestrova.ini");
        EXPECT_EQ(DataFilePath("/usr/bin", u"Kestrova.ini"),
                  dir / "xdg" / "kestrova" / "Kestrova.ini");
    }
    ScopedEnv home("HOME", dir.path().c_str());
    for (const char* xdg : {static_cast<const char*>(nullptr), "", "relative/dir"}) {
        ScopedEnv unset("XDG_CONFIG_HOME", xdg);
        EXPECT_EQ(DataFilePath(unusable, u"History.ini"),
                  dir / ".config" / "kestrova" / "History.ini");
    }
}

struct GeometryCase {
    const char* name;
    std::string section; // the [PLAYER] section as stored, empty: none
    std::optional<PlayerGeometry> read;
};

void PrintTo(const GeometryCase& c, std::ostream* os) {
    *os << c.name;
}

class PlayerGeometryReadTest : public SettingsTest,
                               public ::testing::WithParamInterface<GeometryCase> {};

TEST_P(PlayerGeometryReadTest, TakesOnlyWholeNumbersAndSizesInRange) {
    WriteFileBytes(file(), "[SYSTEM]\nVIDEOID=x\n" + GetParam().section);
    EXPECT_EQ(ReadPlayerGeometry(160, 90), GetParam().read);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PlayerGeometryReadTest,
    ::testing::Values(
        GeometryCase{"Stored", "[PLAYER]\nX=10\nY=-20\nWIDTH=640\nHEIGHT=360\nMAXIMIZED=1\n",
                     PlayerGeometry{10, -20, 640, 360, true}},
        GeometryCase{"AnyLetterCase", "[player]\nx=1\ny=2\nWidth=160\nheight=90\n",
                     PlayerGeometry{1, 2, 160, 90, false}},
        GeometryCase{"MaximizedNotZeroOrOne",
                     "[PLAYER]\nX=1\nY=2\nWIDTH=300\nHEIGHT=200\nMAXIMIZED=yes\n",
                     PlayerGeometry{1, 2, 300, 200, false}},
        GeometryCase{"NoSection", "", std::nullopt},
        GeometryCase{"KeyMissing", "[PLAYER]\nX=1\nY=2\nWIDTH=300\n", std::nullopt},
        GeometryCase{"Fraction", "[PLAYER]\nX=1.5\nY=2\nWIDTH=300\nHEIGHT=200\n", std::nullopt},
        GeometryCase{"TrailingText", "[PLAYER]\nX=1\nY=2px\nWIDTH=300\nHEIGHT=200\n", std::nullopt},
        GeometryCase{"Empty", "[PLAYER]\nX=\nY=2\nWIDTH=300\nHEIGHT=200\n", std::nullopt},
        GeometryCase{"BeyondInt", "[PLAYER]\nX=99999999999\nY=2\nWIDTH=300\nHEIGHT=200\n",
                     std::nullopt},
        GeometryCase{"BelowTheMinimum", "[PLAYER]\nX=1\nY=2\nWIDTH=159\nHEIGHT=200\n",
                     std::nullopt},
        GeometryCase{"AtTheLargest", "[PLAYER]\nX=0\nY=0\nWIDTH=16384\nHEIGHT=16384\n",
                     PlayerGeometry{0, 0, 16384, 16384, false}},
        GeometryCase{"AboveTheLargest", "[PLAYER]\nX=0\nY=0\nWIDTH=16385\nHEIGHT=200\n",
                     std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsTest, GeometryIsWrittenBesideTheVideoIdAndReadBackTheSame) {
    WriteFileBytes(file(), "; mine\n[SYSTEM]\nVIDEOID=old\n[PLAYER]\nX=garbage\nNOTE=kept\n");
    const PlayerGeometry geometry{-5, 40, 700, 400, true};
    ASSERT_TRUE(WriteSettings(u"Zy9xW8vU7tS", geometry));
    EXPECT_EQ(ReadFileBytes(file()),
              "; mine\n[SYSTEM]\nVIDEOID=Zy9xW8vU7tS\n[PLAYER]\nX=-5\nNOTE=kept\n"
              "Y=40\nWIDTH=700\nHEIGHT=400\nMAXIMIZED=1\n");
    EXPECT_EQ(ReadPlayerGeometry(160, 90), geometry);
    // Without a geometry to keep, the section is left as it is.
    ASSERT_TRUE(WriteSettings(u"Ab3dE5gH1jK", std::nullopt));
    EXPECT_EQ(ReadPlayerGeometry(160, 90), geometry);
}

struct SoundCase {
    const char* name;
    std::string section;
    PlaybackChoices read;
};

void PrintTo(const SoundCase& c, std::ostream* os) {
    *os << c.name;
}

class PlaybackChoicesReadTest : public SettingsTest,
                                public ::testing::WithParamInterface<SoundCase> {};

TEST_P(PlaybackChoicesReadTest, TakesWholeNumbersInRangeElseTheDefaults) {
    WriteFileBytes(file(), "[SYSTEM]\nVIDEOID=x\n" + GetParam().section);
    EXPECT_EQ(ReadPlaybackChoices(), GetParam().read);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PlaybackChoicesReadTest,
    ::testing::Values(
        SoundCase{"Stored", "[PLAYER]\nVOLUME=40\nMUTE=1\nSPEED=150\n", {40, true, 150, 0, ""}},
        SoundCase{"Silent", "[player]\nvolume=0\nmute=0\nspeed=25\n", {0, false, 25, 0, ""}},
        SoundCase{"Missing", "", {100, false, 100, 0, ""}},
        SoundCase{
            "Garbage", "[PLAYER]\nVOLUME=loud\nMUTE=yes\nSPEED=fast\n", {100, false, 100, 0, ""}},
        SoundCase{
            "Fraction", "[PLAYER]\nVOLUME=50.5\nMUTE=1\nSPEED=1.5\n", {100, true, 100, 0, ""}},
        SoundCase{
            "OutOfRange", "[PLAYER]\nVOLUME=101\nMUTE=2\nSPEED=201\n", {100, false, 100, 0, ""}},
        SoundCase{
            "Negative", "[PLAYER]\nVOLUME=-5\nMUTE=-1\nSPEED=-150\n", {100, false, 100, 0, ""}},
        SoundCase{"Fastest", "[PLAYER]\nSPEED=200\n", {100, false, 200, 0, ""}},
        SoundCase{"TooSlow", "[PLAYER]\nSPEED=24\n", {100, false, 100, 0, ""}},
        SoundCase{
            "Chosen", "[PLAYER]\nQUALITY=720\nSUBLANG=pt-BR\n", {100, false, 100, 720, "pt-BR"}},
        SoundCase{"OddChoices", "[PLAYER]\nQUALITY=-1\nSUBLANG=en;rm\n", {100, false, 100, 0, ""}},
        SoundCase{"TooLong",
                  "[PLAYER]\nQUALITY=4321\nSUBLANG=" + std::string(36, 'a') + "\n",
                  {100, false, 100, 0, ""}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsTest, SoundIsWrittenAfterTheGeometry) {
    ASSERT_TRUE(WriteSettings(u"Zy9xW8vU7tS", PlayerGeometry{1, 2, 300, 200, false},
                              PlaybackChoices{35, true, 175, 360, "ja"}));
    EXPECT_EQ(ReadFileBytes(file()),
              "[SYSTEM]\nVIDEOID=Zy9xW8vU7tS\n[PLAYER]\nX=1\nY=2\nWIDTH=300\n"
              "HEIGHT=200\nMAXIMIZED=0\nVOLUME=35\nMUTE=1\nSPEED=175\nQUALITY=360\nSUBLANG=ja\n");
    EXPECT_EQ(ReadPlaybackChoices(), (PlaybackChoices{35, true, 175, 360, "ja"}));
}

} // namespace
} // namespace kestrova
