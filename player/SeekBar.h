#pragma once

#include "playback/PlaybackCommands.h"

#include <utility>
#include <vector>

#include <QSlider>
#include <QStyle>

namespace kestrova {

// The control bar's seek bar, in tenths of a second: a mark where each chapter starts, and the
// title of the chapter under the pointer as its tooltip. Its wheel is left to the window: here
// it would move the handle without seeking.
class SeekBar : public QSlider {
public:
    static constexpr double kUnitsPerSecond = 10;

    explicit SeekBar(QWidget* parent = nullptr);

    void setChapters(std::vector<PlaybackChapter> chapters);
    // The second shown at `x`, a point in the bar.
    double secondsAt(int x) const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    QRect part(QStyle::SubControl control) const;
    // Where the handle's middle stands for the first and the last value.
    std::pair<int, int> track() const;

    std::vector<PlaybackChapter> m_chapters;
};

} // namespace kestrova
