#pragma once

// The program's dialog templates as data, in dialog units: the windows are built from these
// tables so every position, size, text and tab order stays in one place.

#include <span>
#include <string_view>

namespace kestrova {

namespace ids {
// Templates.
inline constexpr int kAboutDialog = 100;
inline constexpr int kMainDialog = 102;
inline constexpr int kControlPanel = 129;
inline constexpr int kPlayerDialog = 130;
inline constexpr int kHistoryPanel = 132;
// Controls.
inline constexpr int kStatic = -1;
inline constexpr int kOk = 1;
inline constexpr int kAddressEdit = 1000;
inline constexpr int kPlayVideoButton = 1001;
inline constexpr int kMakerLink = 1002;
inline constexpr int kVersionText = 1004;
inline constexpr int kHistoryList = 1006;
inline constexpr int kGetTitleButton = 1008;
inline constexpr int kPlayBackButton = 1009;
inline constexpr int kDeleteButton = 1010;
inline constexpr int kTopMostCheck = 1011;
// The About command of the main window's system menu.
inline constexpr int kAboutCommand = 0x0010;
} // namespace ids

enum class ControlClass {
    Edit,
    Static,
    PushButton,
    DefPushButton,
    GroupBox,
    CheckBox,
    ListView, // report view, single selection, selection shown always
    SysLink,
    IconStatic,
};

struct ControlTemplate {
    int id;
    ControlClass kind;
    std::u16string_view text;
    int x, y, w, h;
    bool visible;
    bool tabStop;
};

struct DialogTemplate {
    int id;
    std::u16string_view caption; // empty: no caption
    std::u16string_view fontFace;
    int fontPoints;
    int x, y, w, h;
    bool child;   // a child window inside another dialog (control parent)
    bool sizable; // sizing border; otherwise the window has a fixed size
    bool minimizeBox;
    bool maximizeBox;
    // In tab order. The player has none: its movie view is made by the player window itself.
    std::span<const ControlTemplate> controls;
};

// The template with the given id, or nullptr when the program has none.
const DialogTemplate* FindDialogTemplate(int id);

// The template with the given id; the id must be one of the program's templates.
const DialogTemplate& GetDialogTemplate(int id);

} // namespace kestrova
