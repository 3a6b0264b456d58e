// Addresses that reach the control panel from outside its address box: the command line, a
// later start, a drop, a paste in the player, the desktop's media controls.
#include "PanelFixture.h"
#include "history/HistoryStore.h"
#include "metadata/TitleExtraction.h"
#include "res/Texts.h"

#include <QClipboard>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace kestrova {
namespace {

using test::qs;

const std::string kFirst = "Ab3dE5gH1jK";
const std::string kSecond = "Zy9xW8vU7tS";

class AddressFromOutsideTest : public test::PanelFixture {
protected:
    void SetUp() override {
        PanelFixture::SetUp();
        m_feed.setTitle(u"Ab3dE5gH1jK", u"Morning walk");
        m_feed.setTitle(u"Zy9xW8vU7tS", u"Evening walk");
    }

    bool played(const std::string& id, int limitMs = 10000) {
        return QTest::qWaitFor(
            [&] {
                return movieRequested(id) && !m_panel->feedRequestRunning() &&
                       m_panel->m_strLastVideoId == std::u16string(id.begin(), id.end());
            },
            limitMs);
    }
};

// Given before the windows are up and while a request runs: each is played in its turn, as if
// typed and Play Video pressed.
TEST_F(AddressFromOutsideTest, PlaysEachAsTypedInTheOrderGiven) {
    CControlDlg& panel = createPanel();
    panel.openAddress(QStringLiteral("https://www.youtube.com/watch?v=Ab3dE5gH1jK&t=30"));
    panel.openAddress(QStringLiteral("not an address"));
    panel.openAddress(qs(u"Zy9xW8vU7tS"));
    EXPECT_TRUE(m_feed.requests().empty()) << "played before the windows were up";
    ASSERT_TRUE(played(kSecond));
    EXPECT_EQ(listedIds(), (std::vector<std::string>{kSecond, kFirst}));
    EXPECT_EQ(m_messages, QStringList{qs(texts::kMsgBadReference)});
    EXPECT_EQ(edit()->text(), qs(u"Zy9xW8vU7tS"));
    EXPECT_NE(historyText().find("TITLE=Evening walk"), std::string::npos);
    EXPECT_NE(settingsText().find("VIDEOID=" + kSecond), std::string::npos);
}

struct DropCase {
    const char* name;
    bool onPlayer;   // else on the main window's address box
    bool asUrl;      // else as text
    QString carried; // what the drop carries
};

void PrintTo(const DropCase& c, std::ostream* os) {
    *os << c.name;
}

class DropTest : public AddressFromOutsideTest, public ::testing::WithParamInterface<DropCase> {
protected:
    std::unique_ptr<QMimeData> carrying() const {
        auto data = std::make_unique<QMimeData>();
        if (GetParam().asUrl)
            data->setUrls({QUrl(GetParam().carried)});
        else
            data->setText(GetParam().carried);
        return data;
    }
};

TEST_P(DropTest, PlaysWhatIsDropped) {
    createPanel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_panel->playerDlg()->isVisible(); }, 5000));
    QWidget* target =
        GetParam().onPlayer ? static_cast<QWidget*>(&m_panel->playerDlg()->flash()) : edit();
    // Delivered as the application delivers a drop: to the target or the nearest window
    // above it that takes drops.
    QWidget* receiver = target;
    while (receiver && !receiver->acceptDrops())
        receiver = receiver->parentWidget();
    ASSERT_NE(receiver, nullptr) << "nothing takes the drop";
    const auto data = carrying();
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, {});
    QApplication::sendEvent(receiver, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, {});
    QApplication::sendEvent(receiver, &drop);
    EXPECT_TRUE(played(kFirst));
    EXPECT_TRUE(m_messages.isEmpty()) << m_messages.join(u'|').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Table, DropTest,
    ::testing::Values(DropCase{"LinkOnTheAddressBox", false, true,
                               QStringLiteral("https://www.youtube.com/watch?v=Ab3dE5gH1jK")},
                      DropCase{"SelectedIdOnTheAddressBox", false, false,
                               QStringLiteral(" Ab3dE5gH1jK\n")},
                      DropCase{"LinkOnThePlayer", true, true,
                               QStringLiteral("https://www.youtube.com/watch?v=Ab3dE5gH1jK")},
                      DropCase{"TextOnThePlayer", true, false,
                               QStringLiteral("http://youtube.com/watch?v=Ab3dE5gH1jK")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AddressFromOutsideTest, CtrlVInThePlayerPlaysTheClipboard) {
    createPanel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_panel->playerDlg()->isVisible(); }, 5000));
    QGuiApplication::clipboard()->setText(QStringLiteral("https://youtu.be/?v=Ab3dE5gH1jK"));
    CPlayerDlg* player = m_panel->playerDlg();
    player->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(player));
    QTest::keyClick(player, Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(played(kFirst));
}

// However long the title in the feed, the list, the file and the media controls get 259 units,
// and the file reads back as it was written.
TEST_F(AddressFromOutsideTest, HugeTitleIsKeptToWhatTheFileCanHold) {
    m_feed.setTitle(u"Ab3dE5gH1jK", std::u16string(12'000'000, u'x'));
    CControlDlg& panel = createPanel();
    panel.openAddress(qs(u"Ab3dE5gH1jK"));
    // 12 MB to serve, fetch and convert: the sanitizer build takes its time.
    ASSERT_TRUE(played(kFirst, 60000));
    const std::u16string kept(kTitleUnitLimit, u'x');
    EXPECT_EQ(list()->topLevelItem(0)->text(1).size(), qsizetype(kTitleUnitLimit));
    EXPECT_EQ(panel.playingTitle(), kept);
    EXPECT_LT(historyText().size(), 1000u);
    HistoryStore reread;
    reread.loadFrom(m_dir / "History.ini");
    ASSERT_EQ(reread.items().size(), 1u);
    EXPECT_EQ(reread.items()[0].m_strTitle, kept);
}

} // namespace
} // namespace kestrova
