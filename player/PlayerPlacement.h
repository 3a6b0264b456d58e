#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace kestrova {

// Where the player's frame goes at its first show: beside the main window's frame `anchor`
// on the work area, so that neither covers any part of the other. To the right if it fits,
// else to the left, else below, else above, lined up with the anchor's top (or left) edge as
// far as the work area allows; the work area's top-left corner when it fits on no side. A small
// gap stays between the two, which also absorbs a decoration the estimate got a pixel wrong.
inline constexpr int kPlacementGap = 8;
QPoint PlaceBeside(const QRect& anchor, const QSize& frameSize, const QRect& workArea);

// The least of a stored window rectangle that must lie on one screen for it to be used.
inline constexpr QSize kMinimumOnScreen(64, 64);

// Whether at least kMinimumOnScreen of `rect` lies on one of the screens.
bool LiesOnScreens(const QRect& rect, const QList<QRect>& screens);

} // namespace kestrova
