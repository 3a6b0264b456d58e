#include "res/DialogTemplates.h"

#include "res/Texts.h"

#include <array>
#include <cstdlib>

namespace kestrova {

namespace {

using enum ControlClass;

constexpr ControlTemplate kAboutControls[] = {
    {ids::kStatic, IconStatic, u"", 14, 14, 20, 20, true, false},
    {ids::kVersionText, Static, u"ReelnookPlayer, Version 1.0", 42, 14, 126, 8, true, false},
    {ids::kStatic, Static, texts::kAboutSecondLine, 42, 26, 114, 8, true, false},
    {ids::kOk, DefPushButton, u"OK", 120, 60, 50, 14, true, true},
    {ids::kMakerLink, SysLink, u"<a>Corvanel Web Page</a>", 42, 36, 132, 14, true, true},
};

constexpr ControlTemplate kMainControls[] = {
    {ids::kMakerLink, SysLink, u"<a>Powered By Corvanel</a>", 210, 0, 84, 12, true, true},
};

constexpr ControlTemplate kControlPanelControls[] = {
    {ids::kAddressEdit, Edit, u"", 54, 12, 210, 14, true, true},
    {ids::kStatic, Static, u"Url/VideoID", 13, 13, 37, 8, true, false},
    {ids::kPlayVideoButton, PushButton, u"Play Video", 270, 12, 48, 14, true, true},
    {ids::kStatic, GroupBox, u"Player", 6, 0, 318, 42, true, false},
    {ids::kTopMostCheck, CheckBox, u"Top Most", 270, 30, 45, 10, true, true},
};

constexpr ControlTemplate kHistoryPanelControls[] = {
    {ids::kPlayBackButton, PushButton, u"Play Back", 258, 6, 50, 14, true, true},
    {ids::kGetTitleButton, PushButton, texts::kGetTitleCommand, 258, 24, 50, 14, false, true},
    {ids::kDeleteButton, PushButton, u"Delete", 258, 114, 50, 14, true, true},
    {ids::kHistoryList, ListView, u"", 6, 6, 246, 126, true, true},
};

constexpr std::u16string_view kUiGothic = u"MS UI Gothic";
constexpr std::u16string_view kShellDlg = u"MS Shell Dlg";

constexpr std::array kTemplates = {
    DialogTemplate{ids::kAboutDialog, u"バージョン情報 ReelnookPlayer", kUiGothic, 9, 0, 0, 179, 79,
                   false, false, false, false, kAboutControls},
    DialogTemplate{ids::kMainDialog, u"Kestrova", kUiGothic, 9, 0, 0, 294, 229, false, false, true,
                   false, kMainControls},
    DialogTemplate{ids::kControlPanel, u"", kShellDlg, 8, 5, 15, 329, 191, true, false, false,
                   false, kControlPanelControls},
    DialogTemplate{
        ids::kPlayerDialog, u"Player", kShellDlg, 8, 0, 0, 199, 114, false, true, true, true, {}},
    DialogTemplate{ids::kHistoryPanel, u"", kShellDlg, 8, 5, 50, 316, 137, true, false, false,
                   false, kHistoryPanelControls},
};

} // namespace

const DialogTemplate* FindDialogTemplate(int id) {
    for (const auto& t : kTemplates) {
        if (t.id == id) {
            return &t;
        }
    }
    return nullptr;
}

const DialogTemplate& GetDialogTemplate(int id) {
    const DialogTemplate* found = FindDialogTemplate(id);
    if (!found) {
        std::abort(); // a programming error: every id used in code names a template above
    }
    return *found;
}

} // namespace kestrova
