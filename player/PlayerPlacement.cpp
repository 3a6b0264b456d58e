#include "player/PlayerPlacement.h"

#include <algorithm>
#include <optional>

namespace kestrova {
namespace {

// The start of a span of `length` lined up with `wanted`, moved as little as needed to lie
// within [low, low + room).
int lineUp(int wanted, int length, int low, int room) {
    return std::clamp(wanted, low, low + std::max(0, room - length));
}

std::optional<QPoint> besideOn(const QRect& anchor, const QSize& s, const QRect& work) {
    const QRect a =
        anchor.marginsAdded({kPlacementGap, kPlacementGap, kPlacementGap, kPlacementGap});
    const bool tallEnough = s.height() <= work.height();
    const bool wideEnough = s.width() <= work.width();
    const int alongY = lineUp(anchor.top(), s.height(), work.top(), work.height());
    const int alongX = lineUp(anchor.left(), s.width(), work.left(), work.width());
    if (tallEnough && a.right() + s.width() <= work.right())
        return QPoint(a.right() + 1, alongY);
    if (tallEnough && a.left() - s.width() >= work.left())
        return QPoint(a.left() - s.width(), alongY);
    if (wideEnough && a.bottom() + s.height() <= work.bottom())
        return QPoint(alongX, a.bottom() + 1);
    if (wideEnough && a.top() - s.height() >= work.top())
        return QPoint(alongX, a.top() - s.height());
    return std::nullopt;
}

} // namespace

QPoint PlaceBeside(const QRect& anchor, const QSize& frameSize, const QRect& workArea) {
    return besideOn(anchor, frameSize, workArea).value_or(workArea.topLeft());
}

bool LiesOnScreens(const QRect& rect, const QList<QRect>& screens) {
    return std::any_of(screens.begin(), screens.end(), [&](const QRect& screen) {
        const QRect shared = rect.intersected(screen);
        return shared.width() >= kMinimumOnScreen.width() &&
               shared.height() >= kMinimumOnScreen.height();
    });
}

} // namespace kestrova
