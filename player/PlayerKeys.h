#pragma once

class QKeyEvent;

namespace kestrova {

class PlaybackModel;

// The player window's keys: Space and K play or pause; Left and Right seek 5 s, J and L 10 s;
// Up and Down change the volume by 5; M mutes and unmutes; Home goes to the start; 0 to 9 go to
// 0 % to 90 %; > and < (Shift with . and ,) play one speed faster or slower; Page Up and Page
// Down go to the previous and the next chapter; C shows or hides the captions. Whether the key was
// one of them; keys held with Ctrl, Alt or Meta never are.
bool HandlePlayerKey(const QKeyEvent& event, PlaybackModel& playback);

} // namespace kestrova
