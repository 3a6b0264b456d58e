#include "ModalRun.h"
#include "app/CAboutDlg.h"
#include "app/CReelnookPlayerDlg.h"
#include "support/AboutLine.h"
#include "widgets/DialogBuilder.h"
#include "widgets/OpenUrl.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

const QString kAboutText = QStringLiteral("バージョン情報 Kestrova(&A)...");

class FakeCompositor : public Compositor {
public:
    std::optional<int> platformMajorVersion() override {
        ++versionReads;
        return major;
    }
    long isCompositionEnabled(bool* on) override {
        ++queries;
        *on = enabled;
        return 0;
    }
    long extendFrame(QWidget*, const GlassMargins& margins) override {
        extended.push_back(margins);
        return 0;
    }

    std::optional<int> major = 6;
    bool enabled = true;
    int versionReads = 0;
    int queries = 0;
    std::vector<GlassMargins> extended;
};

// A stand-in control panel with an address box, reporting its destruction.
std::unique_ptr<QWidget> makePanel(QWidget* parent, bool* destroyed) {
    auto panel = std::make_unique<QWidget>(parent);
    auto* layout = new QVBoxLayout(panel.get());
    layout->addWidget(new QLineEdit(panel.get()));
    panel->setGeometry(20, 40, 200, 60);
    QObject::connect(panel.get(), &QObject::destroyed, [destroyed] { *destroyed = true; });
    return panel;
}

class MainDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        ForgetPlatformVersion();
        OpenUrlSeam().install([this](const QUrl& url) { m_opened.push_back(url); });
    }
    void TearDown() override {
        OpenUrlSeam().install({});
        ForgetPlatformVersion();
    }

    std::vector<QUrl> m_opened;
};

TEST_F(MainDlgTest, SystemMenuEndsWithSeparatorAndAboutItem) {
    CReelnookPlayerDlg dlg;
    dlg.show();
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(100, 200),
                            dlg.mapToGlobal(QPoint(100, 200)));
    QApplication::sendEvent(&dlg, &click);
    ASSERT_TRUE(test::WaitFor([] { return QApplication::activePopupWidget() != nullptr; }));
    EXPECT_EQ(QApplication::activePopupWidget(), dlg.systemMenu());

    const auto actions = dlg.systemMenu()->actions();
    ASSERT_EQ(actions.size(), 4);
    EXPECT_TRUE(actions[2]->isSeparator());
    EXPECT_EQ(actions[3]->text(), kAboutText);
    EXPECT_EQ(actions[3]->data().toInt(), 0x0010);
    dlg.systemMenu()->close();
}

TEST_F(MainDlgTest, EmptyAboutTextLeavesOutItemAndSeparator) {
    QMenu menu;
    FillSystemMenu(&menu, QString());
    ASSERT_EQ(menu.actions().size(), 2);
    for (QAction* action : menu.actions()) {
        EXPECT_FALSE(action->isSeparator());
    }
}

TEST_F(MainDlgTest, MenuKeyAndShiftF10OpenTheSystemMenu) {
    for (const auto& [key, modifiers] :
         {std::pair{Qt::Key_Menu, Qt::NoModifier}, std::pair{Qt::Key_F10, Qt::ShiftModifier}}) {
        CReelnookPlayerDlg dlg;
        dlg.show();
        QTest::keyClick(&dlg, key, modifiers);
        EXPECT_TRUE(test::WaitFor([&] { return dlg.systemMenu()->isVisible(); }, 2000)) << key;
        dlg.systemMenu()->close();
    }
}

TEST_F(MainDlgTest, AboutCommandOpensTheAboutBoxModalToTheMainWindow) {
    CReelnookPlayerDlg dlg;
    QString version;
    bool ownedByMain = false;
    dlg.show();
    dlg.OnSysCommand(0x0010 | 0x3); // the low four bits are the platform's
    auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(about, nullptr);
    version = findControl<QLabel>(about, ids::kVersionText)->text();
    ownedByMain = about->parentWidget() == &dlg;
    // Modal to the main window only: the player, a window of its own, stays usable.
    EXPECT_EQ(about->windowModality(), Qt::WindowModal);
    about->accept();
    EXPECT_EQ(version, test::ProgramAboutLine());
    EXPECT_TRUE(ownedByMain);
}

TEST_F(MainDlgTest, EnterInTheAddressBoxLeavesItOpenAndEscapeEndsTheRun) {
    bool panelDestroyed = false;
    CReelnookPlayerDlg dlg([&](QWidget* parent) { return makePanel(parent, &panelDestroyed); });
    bool openAfterEnter = false;
    bool panelAliveBeforeEscape = false;
    const int result = test::RunModal(dlg, [&] {
        auto* address = dlg.controlPanel()->findChild<QLineEdit*>();
        address->setFocus();
        QTest::keyClick(address, Qt::Key_Return);
        QTest::keyClick(address, Qt::Key_Enter, Qt::KeypadModifier);
        dlg.accept(); // the confirmation command itself
        QCoreApplication::processEvents();
        openAfterEnter = dlg.isVisible();
        panelAliveBeforeEscape = !panelDestroyed;
        QTest::keyClick(address, Qt::Key_Escape);
    });
    EXPECT_TRUE(openAfterEnter);
    EXPECT_TRUE(panelAliveBeforeEscape);
    EXPECT_EQ(result, QDialog::Rejected);
    // Ending the run destroyed the panel, which is where the data files get written.
    EXPECT_TRUE(panelDestroyed);
    EXPECT_EQ(dlg.controlPanel(), nullptr);
}

TEST_F(MainDlgTest, PoweredByLinkOpensTheHomePage) {
    CReelnookPlayerDlg dlg;
    dlg.show();
    auto* link = findControl<QLabel>(&dlg, ids::kMakerLink);
    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(8, link->height() / 2));
    ASSERT_EQ(m_opened.size(), 1u);
    EXPECT_EQ(m_opened.front(), QUrl(QStringLiteral("https://corvanel.example.org/")));
    EXPECT_TRUE(dlg.isVisible());
}

TEST_F(MainDlgTest, OpensCentredOnTheWorkArea) {
    CReelnookPlayerDlg dlg;
    dlg.show();
    const QPoint offset = dlg.frameGeometry().center() - dlg.screen()->availableGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 2);
}

bool backgroundIsBlack(CReelnookPlayerDlg& dlg) {
    const QImage image = dlg.grab().toImage();
    return image.pixelColor(image.width() - 2, image.height() - 2) == QColor(Qt::black);
}

TEST_F(MainDlgTest, GlassOnExtendsTheBandAndShowsItThroughTheBackground) {
    FakeCompositor compositor;
    bool panelDestroyed = false;
    CReelnookPlayerDlg dlg([&](QWidget* parent) { return makePanel(parent, &panelDestroyed); },
                           compositor);
    dlg.show();
    EXPECT_TRUE(dlg.glassEnabled());
    ASSERT_EQ(compositor.extended.size(), 1u);
    EXPECT_EQ(compositor.extended.front(), (GlassMargins{8, 5, 24, 5}));
    EXPECT_TRUE(backgroundIsBlack(dlg));
    // The panel keeps the ordinary dialog background.
    const QImage panel = dlg.controlPanel()->grab().toImage();
    EXPECT_NE(panel.pixelColor(2, 2), QColor(Qt::black));
}

TEST_F(MainDlgTest, CompositionChangeQueriesAgainAndKeepsTheMargins) {
    FakeCompositor compositor;
    compositor.enabled = false;
    CReelnookPlayerDlg dlg({}, compositor);
    dlg.show();
    EXPECT_FALSE(dlg.glassEnabled());
    EXPECT_TRUE(compositor.extended.empty());
    EXPECT_EQ(dlg.glassMargins(), (GlassMargins{8, 5, 24, 5}));
    EXPECT_FALSE(backgroundIsBlack(dlg));

    compositor.enabled = true;
    dlg.OnCompositionChanged();
    EXPECT_TRUE(dlg.glassEnabled());
    ASSERT_EQ(compositor.extended.size(), 1u);
    EXPECT_EQ(compositor.extended.back(), (GlassMargins{8, 5, 24, 5}));
    EXPECT_TRUE(backgroundIsBlack(dlg));

    compositor.enabled = false;
    dlg.OnCompositionChanged();
    EXPECT_FALSE(dlg.glassEnabled());
    EXPECT_EQ(compositor.extended.size(), 1u);
    EXPECT_FALSE(backgroundIsBlack(dlg));
    EXPECT_EQ(compositor.queries, 3);
    EXPECT_EQ(compositor.versionReads, 1); // read once per process after a success
}

TEST_F(MainDlgTest, OldOrUnreadablePlatformNeverCallsTheCompositor) {
    for (std::optional<int> major : {std::optional<int>(5), std::optional<int>()}) {
        ForgetPlatformVersion();
        FakeCompositor compositor;
        compositor.major = major;
        CReelnookPlayerDlg dlg({}, compositor);
        dlg.show();
        dlg.OnCompositionChanged();
        EXPECT_FALSE(dlg.glassEnabled());
        EXPECT_EQ(compositor.queries, 0);
        EXPECT_TRUE(compositor.extended.empty());
        // A version that could not be read is read again; one that was read is kept.
        EXPECT_EQ(compositor.versionReads, major ? 1 : 2);
    }
}

struct IconCase {
    const char* name;
    QSize client;
    QPoint origin;
};

void PrintTo(const IconCase& c, std::ostream* os) {
    *os << c.name;
}

class IconOriginTest : public ::testing::TestWithParam<IconCase> {};

TEST_P(IconOriginTest, CentresTheIconRoundingOddDifferencesUp) {
    EXPECT_EQ(CenteredIconOrigin(GetParam().client, QSize(32, 32)), GetParam().origin);
}

INSTANTIATE_TEST_SUITE_P(Table, IconOriginTest,
                         ::testing::Values(IconCase{"SameSize", {32, 32}, {0, 0}},
                                           IconCase{"EvenDifference", {160, 100}, {64, 34}},
                                           IconCase{"OddDifferenceRoundsUp", {33, 39}, {1, 4}},
                                           IconCase{
                                               "SmallerClientTruncatesToZero", {29, 30}, {-1, 0}},
                                           IconCase{"EmptyClient", {0, 0}, {-15, -15}}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kestrova
