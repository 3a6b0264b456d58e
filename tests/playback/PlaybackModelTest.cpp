#include "playback/PlaybackModel.h"

#include "playback/PlaybackTime.h"

#include <cmath>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using Property = PlaybackProperty;

// Writes down every command, e.g. "seek 5 relative".
class RecordingEngine : public PlaybackCommands {
public:
    void setPaused(bool paused) override { sent.push_back("pause " + std::to_string(paused)); }
    void togglePause() override { sent.push_back("cycle pause"); }
    void setVolume(int volume) override { sent.push_back("volume " + std::to_string(volume)); }
    void stepVolume(int delta) override { sent.push_back("add volume " + std::to_string(delta)); }
    void setMuted(bool muted) override { sent.push_back("mute " + std::to_string(muted)); }
    void toggleMute() override { sent.push_back("cycle mute"); }
    void seek(double amount, SeekKind kind) override {
        static const char* const kinds[] = {"relative", "absolute", "percent", "scrub"};
        sent.push_back("seek " + std::to_string(int(amount)) + " " + kinds[int(kind)]);
    }
    void setSpeed(double speed) override {
        std::ostringstream text;
        text << "speed " << speed;
        sent.push_back(text.str());
    }
    void stepChapter(int delta) override { sent.push_back("add chapter " + std::to_string(delta)); }
    void setQuality(int lines) override { sent.push_back("quality " + std::to_string(lines)); }
    void showCaptions(const std::string& language) override { sent.push_back("sid " + language); }
    std::vector<std::string> sent;
};

class PlaybackModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_subscription = m_model.subscribe([this](PlaybackChanges c) { m_changes |= c; });
    }
    // Attached and confirmed, a movie requested and opened, every command so far forgotten.
    void playing() {
        m_model.attach(&m_engine);
        m_model.propertyChanged(Property::Volume, 100);
        m_model.propertyChanged(Property::Muted, 0);
        m_model.loadRequested();
        m_model.fileOpened();
        m_model.firstFrameShown();
        m_engine.sent.clear();
        m_changes = {};
    }
    const PlaybackState& state() const { return m_model.state(); }

    PlaybackModel m_model;
    RecordingEngine m_engine;
    PlaybackChanges m_changes;
    PlaybackModel::Subscription m_subscription;
};

TEST_F(PlaybackModelTest, StoppedBeforeTheFirstVideoSoundAndSpeedAreKeptForTheEngine) {
    EXPECT_EQ(state().status(), PlaybackStatus::Stopped);
    m_model.togglePause();
    m_model.seekBy(5);
    m_model.stepVolume(-30);
    m_model.toggleMute();
    m_model.stepSpeed(2);
    EXPECT_EQ(state().status(), PlaybackStatus::Stopped);
    EXPECT_EQ(m_changes, PlaybackChange::Volume | PlaybackChange::Mute | PlaybackChange::Speed);
    EXPECT_EQ(state().volume, 70);
    EXPECT_EQ(state().speed, 1.5);
    m_model.attach(&m_engine);
    EXPECT_EQ(m_engine.sent,
              (std::vector<std::string>{"volume 70", "mute 1", "speed 1.5", "quality 0"}));
}

// Quick steps add up in the engine, which knows its volume best; its reports change the state.
TEST_F(PlaybackModelTest, WithAnEngineTheStateFollowsItsReports) {
    playing();
    m_model.stepVolume(-10);
    m_model.stepVolume(-10);
    m_model.togglePause();
    EXPECT_EQ(state().volume, 100);
    EXPECT_EQ(state().status(), PlaybackStatus::Playing);
    m_model.propertyChanged(Property::Volume, 80);
    m_model.propertyChanged(Property::Paused, 1);
    EXPECT_EQ(state().volume, 80);
    EXPECT_EQ(state().status(), PlaybackStatus::Paused);
    EXPECT_EQ(m_changes, PlaybackChange::Volume | PlaybackChange::Status);
}

struct CommandCase {
    const char* name;
    std::function<void(PlaybackModel&)> act;
    std::vector<std::string> sent;
};

void PrintTo(const CommandCase& c, std::ostream* os) {
    *os << c.name;
}

class PlaybackCommandTest : public PlaybackModelTest,
                            public ::testing::WithParamInterface<CommandCase> {};

TEST_P(PlaybackCommandTest, SendsWhatWasAskedForWithinItsRange) {
    playing();
    GetParam().act(m_model);
    EXPECT_EQ(m_engine.sent, GetParam().sent);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PlaybackCommandTest,
    ::testing::Values(
        CommandCase{"Toggle", [](PlaybackModel& m) { m.togglePause(); }, {"cycle pause"}},
        CommandCase{
            "SeekBeforeTheStart", [](PlaybackModel& m) { m.seekTo(-3); }, {"seek 0 absolute"}},
        CommandCase{
            "PercentBeyond", [](PlaybackModel& m) { m.seekToPercent(150); }, {"seek 100 percent"}},
        CommandCase{"Scrub", [](PlaybackModel& m) { m.scrubTo(42); }, {"seek 42 scrub"}},
        CommandCase{"Quieter", [](PlaybackModel& m) { m.stepVolume(-5); }, {"add volume -5"}},
        CommandCase{"BelowSilence", [](PlaybackModel& m) { m.setVolume(-20); }, {"volume 0"}},
        CommandCase{"AboveTheTop", [](PlaybackModel& m) { m.setVolume(130); }, {"volume 100"}},
        CommandCase{"Mute", [](PlaybackModel& m) { m.toggleMute(); }, {"cycle mute"}},
        CommandCase{"SpeedBetweenSteps", [](PlaybackModel& m) { m.setSpeed(1.4); }, {"speed 1.5"}},
        CommandCase{"SpeedBeyond", [](PlaybackModel& m) { m.setSpeed(7); }, {"speed 2"}},
        CommandCase{"SpeedNotANumber", [](PlaybackModel& m) { m.setSpeed(NAN); }, {}},
        // Quick steps add up before the engine has told of the first.
        CommandCase{"SpeedSteps",
                    [](PlaybackModel& m) {
                        m.stepSpeed(1);
                        m.stepSpeed(1);
                    },
                    {"speed 1.25", "speed 1.5"}},
        CommandCase{"SlowestStays", [](PlaybackModel& m) { m.stepSpeed(-9); }, {"speed 0.25"}},
        CommandCase{"NoChapters", [](PlaybackModel& m) { m.stepChapter(1); }, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PlaybackModelTest, NoSeekBeforeTheMovieIsOpenedOrAfterItFailed) {
    m_model.attach(&m_engine);
    m_model.loadRequested();
    m_model.seekBy(5);
    m_model.fileOpened();
    m_model.loadFailed();
    m_model.seekTo(1);
    EXPECT_EQ(m_engine.sent,
              (std::vector<std::string>{"volume 100", "mute 0", "speed 1", "quality 0"}));
    EXPECT_EQ(state().status(), PlaybackStatus::Stopped);
}

struct ReportCase {
    const char* name;
    Property property;
    std::optional<double> value;
    std::function<bool(const PlaybackState&)> holds;
    PlaybackChanges changes;
};

void PrintTo(const ReportCase& c, std::ostream* os) {
    *os << c.name;
}

class PlaybackReportTest : public PlaybackModelTest,
                           public ::testing::WithParamInterface<ReportCase> {};

TEST_P(PlaybackReportTest, ChangesTheStateAndSaysWhat) {
    playing();
    m_model.propertyChanged(GetParam().property, GetParam().value);
    EXPECT_TRUE(GetParam().holds(state()));
    EXPECT_EQ(m_changes, GetParam().changes);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PlaybackReportTest,
    ::testing::Values(
        ReportCase{"Position", Property::Position, 1.5,
                   [](const PlaybackState& s) { return s.position == 1.5; },
                   PlaybackChange::Position},
        ReportCase{"PausedElsewhere", Property::Paused, 1,
                   [](const PlaybackState& s) { return s.status() == PlaybackStatus::Paused; },
                   PlaybackChange::Status},
        ReportCase{"Volume", Property::Volume, 42.4,
                   [](const PlaybackState& s) { return s.volume == 42; }, PlaybackChange::Volume},
        ReportCase{"Buffering", Property::BufferingPercent, 37,
                   [](const PlaybackState& s) { return s.bufferingPercent == 37; },
                   PlaybackChange::Loading},
        ReportCase{"SameAgain", Property::Muted, 0, [](const PlaybackState& s) { return !s.muted; },
                   PlaybackChanges()}),
    [](const auto& info) { return std::string(info.param.name); });

// Values of the movie being replaced (or of the warm-up) are not the new movie's.
TEST_F(PlaybackModelTest, MovieValuesCountOnlyOnceTheMovieIsOpened) {
    playing();
    m_model.propertyChanged(Property::Position, 7);
    m_model.loadRequested();
    EXPECT_EQ(state().position, std::nullopt);
    EXPECT_TRUE(state().waiting());
    m_model.propertyChanged(Property::Position, 8);
    m_model.propertyChanged(Property::Duration, 9);
    EXPECT_EQ(state().position, std::nullopt);
    m_model.fileOpened();
    m_model.propertyChanged(Property::Position, 0.1);
    EXPECT_EQ(state().position, 0.1);
    EXPECT_TRUE(state().waiting());
    m_model.firstFrameShown();
    EXPECT_FALSE(state().waiting());
}

TEST_F(PlaybackModelTest, NewVideoPlaysEvenWhenThePreviousWasPaused) {
    playing();
    m_model.propertyChanged(Property::Paused, 1);
    m_model.loadRequested();
    EXPECT_EQ(m_engine.sent, (std::vector<std::string>{"pause 0"}));
    m_model.propertyChanged(Property::Paused, 0);
    EXPECT_EQ(state().status(), PlaybackStatus::Playing);
}

TEST_F(PlaybackModelTest, ChaptersOfTheMovieStepAndEndWithIt) {
    m_model.attach(&m_engine);
    m_model.loadRequested();
    m_model.chaptersChanged({{0, "from yt-dlp"}});
    EXPECT_EQ(state().chapters.size(), 1u) << "yt-dlp's chapters come before the movie opens";
    m_model.fileOpened();
    m_model.chaptersChanged({{60, "Outro"}, {0, "Intro"}, {20, "Middle"}});
    ASSERT_EQ(state().chapters.size(), 3u);
    EXPECT_EQ(ChapterAt(state().chapters, 19.9)->title, "Intro");
    EXPECT_EQ(ChapterAt(state().chapters, 20)->title, "Middle");
    EXPECT_EQ(ChapterAt({{5, "late"}}, 4), nullptr);
    m_engine.sent.clear();
    m_model.stepChapter(1);
    m_model.stepChapter(-1);
    m_model.propertyChanged(Property::Position, 61);
    m_model.stepChapter(1); // the last chapter has no next
    EXPECT_EQ(m_engine.sent, (std::vector<std::string>{"add chapter 1", "add chapter -1"}));
    m_changes = {};
    m_model.loadRequested();
    EXPECT_TRUE(state().chapters.empty());
    EXPECT_TRUE(m_changes.has(PlaybackChange::Chapters));
}

struct ResumeCase {
    const char* name;
    double resumeAt;
    std::optional<double> duration; // nothing: a live stream
    std::vector<std::string> sent;
    std::optional<int> placeBeforeItLands;
};

void PrintTo(const ResumeCase& c, std::ostream* os) {
    *os << c.name;
}

class PlaybackResumeTest : public PlaybackModelTest,
                           public ::testing::WithParamInterface<ResumeCase> {};

// The movie is sent to its place once its length is known; until it
// has got there, that place is the one to keep.
TEST_P(PlaybackResumeTest, GoesOnFromThePlaceOnlyWellWithinTheMovie) {
    const ResumeCase& c = GetParam();
    playing();
    m_model.loadRequested(c.resumeAt);
    m_model.fileOpened();
    m_model.propertyChanged(Property::Position, 0);
    if (c.duration)
        m_model.propertyChanged(Property::Duration, *c.duration);
    m_model.firstFrameShown();
    EXPECT_EQ(m_engine.sent, c.sent);
    EXPECT_EQ(m_model.placeToKeep(), c.placeBeforeItLands);
    m_model.propertyChanged(Property::Position, c.resumeAt);
    EXPECT_EQ(m_model.placeToKeep(), int(c.resumeAt));
}

INSTANTIATE_TEST_SUITE_P(Table, PlaybackResumeTest,
                         ::testing::Values(ResumeCase{"FromTheStart", 0, 40, {}, 0},
                                           ResumeCase{"FewSecondsIn", 10, 40, {}, 0},
                                           ResumeCase{
                                               "WellWithin", 24, 40, {"seek 24 absolute"}, 24},
                                           ResumeCase{"NearTheEnd", 30, 40, {}, 0},
                                           ResumeCase{"LiveStream", 24, std::nullopt, {}, 24}),
                         [](const auto& info) { return std::string(info.param.name); });

// The heights and captions of one movie go with it; the quality chosen and the language wanted
// hold for every later movie, shown only in one that has it.
TEST_F(PlaybackModelTest, QualityAndCaptionsHoldAcrossMoviesThatOfferThem) {
    const PlaybackOffers both{{1080, 720, 360}, {{"ja", "日本語", false}, {"en", "English", true}}};
    const PlaybackOffers englishOnly{{720}, {{"en", "English", true}}};
    playing();
    m_model.setQuality(720);
    m_model.setCaptions("ja");
    EXPECT_EQ(m_engine.sent, (std::vector<std::string>{"quality 720"}));
    m_model.offersChanged(both);
    EXPECT_EQ(state().captionsShown, "ja");
    EXPECT_TRUE(m_changes.has(PlaybackChange::Quality) && m_changes.has(PlaybackChange::Captions));

    m_model.loadRequested();
    m_model.fileOpened();
    EXPECT_TRUE(state().offers.heights.empty());
    EXPECT_EQ(state().captionsShown, "");
    m_model.offersChanged(englishOnly);
    EXPECT_EQ(state().captionsShown, "");
    EXPECT_EQ(state().captionsWanted, "ja");
    EXPECT_EQ(state().quality, 720);
    m_model.offersChanged(both); // loaded again in another quality
    EXPECT_EQ(m_engine.sent, (std::vector<std::string>{"quality 720", "sid ja", "sid ja"}));
}

TEST_F(PlaybackModelTest, CaptionsKeyTurnsTheLastChosenOnAndOff) {
    playing();
    m_model.toggleCaptions(); // nothing offered: nothing to show
    m_model.offersChanged({{}, {{"en", "", false}, {"fr", "", true}}});
    m_model.toggleCaptions(); // never chosen: the first
    m_model.setCaptions("fr");
    m_model.toggleCaptions();
    EXPECT_EQ(state().captionsWanted, "");
    m_model.toggleCaptions();
    EXPECT_EQ(m_engine.sent, (std::vector<std::string>{"sid en", "sid fr", "sid ", "sid fr"}));
    EXPECT_EQ(state().captionsWanted, "fr");
}

TEST_F(PlaybackModelTest, PlaceIsKeptOnlyOfAMovieOpenedAndGoneToOnlyOnce) {
    playing();
    m_model.loadRequested();
    EXPECT_EQ(m_model.placeToKeep(), std::nullopt);
    m_model.loadRequested(24);
    m_model.loadFailed();
    EXPECT_EQ(m_model.placeToKeep(), 24) << "a movie that failed keeps its place";
    m_model.loadRequested(24);
    m_model.fileOpened();
    m_model.seekTo(3); // a person went elsewhere before the movie had got to its place
    m_model.propertyChanged(Property::Position, 3);
    m_model.propertyChanged(Property::Duration, 40);
    EXPECT_EQ(m_engine.sent, (std::vector<std::string>{"seek 3 absolute"}));
    EXPECT_EQ(m_model.placeToKeep(), 3);
}

TEST_F(PlaybackModelTest, SeekedAfterEveryRestartButTheFirst) {
    playing();
    m_model.playbackRestarted();
    EXPECT_FALSE(m_changes.has(PlaybackChange::Seeked));
    m_model.playbackRestarted();
    EXPECT_TRUE(m_changes.has(PlaybackChange::Seeked));
}

TEST_F(PlaybackModelTest, AnEndedSubscriptionHearsNothingWhicheverGoesFirst) {
    m_subscription.reset();
    m_model.setVolume(10);
    EXPECT_TRUE(m_changes.empty());
    auto model = std::make_unique<PlaybackModel>();
    PlaybackModel::Subscription outliving = model->subscribe([](PlaybackChanges) {});
    model.reset();
    outliving.reset();
}

TEST(PlaybackTimeTest, ElapsedAndTotalWithHoursWhenTheVideoHasThem) {
    EXPECT_EQ(PlaybackTimeText(std::nullopt, std::nullopt), "0:00 / 0:00");
    EXPECT_EQ(PlaybackTimeText(83.9, 296), "1:23 / 4:56");
    EXPECT_EQ(PlaybackTimeText(std::nullopt, 59.5), "0:00 / 0:59");
    EXPECT_EQ(PlaybackTimeText(83, 3723), "0:01:23 / 1:02:03");
    EXPECT_EQ(PlaybackTimeText(3723, std::nullopt), "1:02:03");
    EXPECT_EQ(PlaybackTimeText(-0.2, 600), "0:00 / 10:00");
}

} // namespace
} // namespace kestrova
