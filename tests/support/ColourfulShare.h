#pragma once

#include <algorithm>

#include <QColor>
#include <QImage>
#include <QRect>

namespace kestrova::test {

// Share of the area in clearly saturated colours: the test clip's pattern has many, a blank
// area (white, black, a dialog's grey) none. The whole image when no area is given.
inline double ColourfulShare(const QImage& image, QRect area = {}) {
    if (image.isNull())
        return 0;
    if (area.isNull())
        area = image.rect();
    int colourful = 0;
    int all = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const int spread =
                std::max({c.red(), c.green(), c.blue()}) - std::min({c.red(), c.green(), c.blue()});
            colourful += spread > 100;
            ++all;
        }
    }
    return all ? double(colourful) / all : 0;
}

} // namespace kestrova::test
