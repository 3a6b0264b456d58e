#include "player/SeekBar.h"

#include "playback/PlaybackModel.h"

#include <cmath>

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolTip>
#include <QWheelEvent>

namespace kestrova {
namespace {

constexpr int kMarkWidth = 2;

} // namespace

SeekBar::SeekBar(QWidget* parent)
    : QSlider(Qt::Horizontal, parent) {}

void SeekBar::setChapters(std::vector<PlaybackChapter> chapters) {
    m_chapters = std::move(chapters);
    update();
}

QRect SeekBar::part(QStyle::SubControl control) const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, control, this);
}

std::pair<int, int> SeekBar::track() const {
    const QRect groove = part(QStyle::SC_SliderGroove);
    const QRect handle = part(QStyle::SC_SliderHandle);
    const int first = groove.left() + handle.width() / 2;
    return {first, first + groove.width() - handle.width()};
}

double SeekBar::secondsAt(int x) const {
    const auto [first, last] = track();
    return QStyle::sliderValueFromPosition(minimum(), maximum(), x - first, last - first) /
           kUnitsPerSecond;
}

bool SeekBar::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip || m_chapters.empty())
        return QSlider::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const PlaybackChapter* chapter = ChapterAt(m_chapters, secondsAt(help->pos().x()));
    const QString title = chapter ? QString::fromStdString(chapter->title) : QString();
    QToolTip::showText(help->globalPos(), title.isEmpty() ? toolTip() : title, this);
    return true;
}

// The marks are gaps in the groove, as wide as a line, where the handle does not cover them.
void SeekBar::paintEvent(QPaintEvent* event) {
    QSlider::paintEvent(event);
    if (m_chapters.empty() || maximum() <= minimum())
        return;
    const QRect groove = part(QStyle::SC_SliderGroove);
    const QRect handle = part(QStyle::SC_SliderHandle);
    const auto [first, last] = track();
    QPainter painter(this);
    for (const PlaybackChapter& chapter : m_chapters) {
        const int value = int(std::lround(chapter.start * kUnitsPerSecond));
        if (value <= minimum() || value >= maximum())
            continue;
        const int x =
            first + QStyle::sliderPositionFromValue(minimum(), maximum(), value, last - first);
        const QRect mark(x - kMarkWidth / 2, groove.top(), kMarkWidth, groove.height());
        if (!mark.intersects(handle))
            painter.fillRect(mark, palette().color(QPalette::Window));
    }
}

void SeekBar::wheelEvent(QWheelEvent* event) {
    event->ignore();
}

} // namespace kestrova
