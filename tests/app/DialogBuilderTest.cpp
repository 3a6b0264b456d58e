#include "widgets/DialogBuilder.h"

#include <QCheckBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace kestrova {
namespace {

struct BuiltDialog {
    explicit BuiltDialog(int id)
        : dialog(GetDialogTemplate(id)) {
        host.setAttribute(Qt::WA_DontShowOnScreen);
        BuildDialog(dialog, &host);
        host.show();
    }
    const DialogTemplate& dialog;
    QWidget host;
};

// The ids of the host's visible controls that Tab reaches, in the order it reaches them.
std::vector<int> tabChain(QWidget& host) {
    std::vector<int> chain;
    QWidget* first = nullptr;
    for (QWidget* w = host.nextInFocusChain(); w != &host && w != first;
         w = w->nextInFocusChain()) {
        if (!first && w->parentWidget() == &host) {
            first = w;
        }
        if (w->parentWidget() == &host && (w->focusPolicy() & Qt::TabFocus) &&
            w->isVisibleTo(&host)) {
            chain.push_back(w->property(kControlIdProperty).toInt());
        }
    }
    return chain;
}

TEST(DialogBuilderTest, WindowsFontsAreSubstitutedKeepingTheSize) {
    for (int id : {ids::kMainDialog, ids::kControlPanel}) {
        const QFont font = TemplateFont(GetDialogTemplate(id));
        EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("IPAGothic")) << id;
        EXPECT_EQ(font.pointSize(), GetDialogTemplate(id).fontPoints) << id;
    }
}

TEST(DialogBuilderTest, DialogUnitsRoundLikeThePlatform) {
    const DialogBaseUnits units{6, 13};
    EXPECT_EQ(MapDialogRect(units, 0, 0, 4, 8), QRect(0, 0, 6, 13));
    EXPECT_EQ(MapDialogRect(units, 1, 1, 3, 3), QRect(2, 2, 5, 5)); // 1.5 and 1.625 round up
    EXPECT_EQ(MapDialogRect(units, 294, 229, 1, 2), QRect(441, 372, 2, 3));
}

TEST(DialogBuilderTest, MainWindowIsFixedAndTheLinkSitsInTheTopRightCorner) {
    BuiltDialog built(ids::kMainDialog);
    const DialogBaseUnits units = BaseUnitsOf(built.host.font());
    EXPECT_EQ(built.host.size(), QSize((294 * units.x + 2) / 4, (229 * units.y + 4) / 8));
    EXPECT_EQ(built.host.minimumSize(), built.host.maximumSize());
    EXPECT_EQ(built.host.windowTitle(), QStringLiteral("Kestrova"));
    EXPECT_TRUE(built.host.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(built.host.windowFlags() & Qt::WindowMaximizeButtonHint);

    auto* link = findControl<QLabel>(&built.host, ids::kMakerLink);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->geometry().top(), 0);
    EXPECT_LE(std::abs(link->geometry().right() + 1 - built.host.width()), 1);
    EXPECT_TRUE(link->text().contains(QStringLiteral(">Powered By Corvanel</a>")));
    EXPECT_FALSE(link->openExternalLinks());
    EXPECT_TRUE(link->focusPolicy() & Qt::TabFocus);
}

TEST(DialogBuilderTest, ControlPanelControlsInTabOrderInsideTheirGroupBox) {
    BuiltDialog built(ids::kControlPanel);
    auto* edit = findControl<QLineEdit>(&built.host, ids::kAddressEdit);
    auto* play = findControl<QPushButton>(&built.host, ids::kPlayVideoButton);
    auto* topMost = findControl<QCheckBox>(&built.host, ids::kTopMostCheck);
    ASSERT_TRUE(edit && play && topMost);
    EXPECT_EQ(play->text(), QStringLiteral("Play Video"));
    EXPECT_FALSE(play->isDefault());
    EXPECT_EQ(topMost->text(), QStringLiteral("Top Most"));
    EXPECT_EQ(tabChain(built.host),
              (std::vector<int>{ids::kAddressEdit, ids::kPlayVideoButton, ids::kTopMostCheck}));

    QLabel* label = nullptr;
    QGroupBox* group = nullptr;
    for (QObject* child : built.host.children()) {
        if (auto* l = qobject_cast<QLabel*>(child)) {
            label = l;
        }
        if (auto* g = qobject_cast<QGroupBox*>(child)) {
            group = g;
        }
    }
    ASSERT_TRUE(label && group);
    EXPECT_EQ(label->text(), QStringLiteral("Url/VideoID"));
    EXPECT_EQ(label->buddy(), edit);
    EXPECT_EQ(group->title(), QStringLiteral("Player"));
    for (QWidget* framed : std::initializer_list<QWidget*>{edit, label, play, topMost}) {
        EXPECT_TRUE(group->geometry().contains(framed->geometry()))
            << framed->objectName().toStdString();
        // The frame lies beneath: a click on a framed control reaches the control.
        EXPECT_EQ(built.host.childAt(framed->geometry().center()), framed);
    }
    // A child template is placed at its own position and is not a window of its own.
    const DialogBaseUnits units = BaseUnitsOf(built.host.font());
    EXPECT_EQ(built.host.pos(), MapDialogRect(units, 5, 15, 0, 0).topLeft());
}

TEST(DialogBuilderTest, HistoryPanelHidesTheGetTitleButton) {
    BuiltDialog built(ids::kHistoryPanel);
    auto* getTitle = findControl<QPushButton>(&built.host, ids::kGetTitleButton);
    auto* list = findControl<QTreeWidget>(&built.host, ids::kHistoryList);
    ASSERT_TRUE(getTitle && list);
    EXPECT_EQ(getTitle->text(), QStringLiteral("タイトル取得"));
    EXPECT_TRUE(getTitle->isHidden());
    for (int id : {ids::kPlayBackButton, ids::kDeleteButton, ids::kHistoryList}) {
        EXPECT_TRUE(findControl(&built.host, id)->isVisible()) << id;
    }
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_FALSE(list->rootIsDecorated());
    EXPECT_LT(list->geometry().right(), findControl(&built.host, ids::kPlayBackButton)->x());
    EXPECT_EQ(tabChain(built.host),
              (std::vector<int>{ids::kPlayBackButton, ids::kDeleteButton, ids::kHistoryList}));
}

TEST(DialogBuilderTest, AboutBoxHasItsDefaultButtonAndIcon) {
    BuiltDialog built(ids::kAboutDialog);
    auto* ok = findControl<QPushButton>(&built.host, ids::kOk);
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(built.host.windowTitle(), QStringLiteral("バージョン情報 ReelnookPlayer"));
    EXPECT_FALSE(built.host.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(findControl<QLabel>(&built.host, ids::kVersionText)->text(),
              QStringLiteral("ReelnookPlayer, Version 1.0"));
    EXPECT_EQ(tabChain(built.host), (std::vector<int>{ids::kOk, ids::kMakerLink}));

    bool sawIcon = false;
    for (QLabel* label : built.host.findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        sawIcon = sawIcon || !label->pixmap().isNull();
    }
    EXPECT_TRUE(sawIcon);
}

} // namespace
} // namespace kestrova
