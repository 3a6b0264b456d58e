#include "player/ControlBar.h"

#include "player/PlaybackTime.h"
#include "res/Texts.h"
#include "text/QtText.h"

#include <cmath>
#include <utility>

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProxyStyle>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QWheelEvent>

namespace kestrova {
namespace {

// The seek bar counts in tenths of a second.
constexpr double kSeekUnitsPerSecond = 10;
constexpr int kMinimumSeekBarWidth = 24;
constexpr int kVolumeSliderWidth = 56;
constexpr int kSpacing = 2;

// A click on a slider puts the handle there at once, and a drag goes on from it; the style's
// default would step a page towards the click instead.
class JumpToClickStyle : public QProxyStyle {
public:
    JumpToClickStyle()
        : QProxyStyle(QApplication::style()->name()) {}

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* answer) const override {
        if (hint == SH_Slider_AbsoluteSetButtons)
            return Qt::LeftButton;
        return QProxyStyle::styleHint(hint, option, widget, answer);
    }
};

// Its wheel would move the handle without seeking; the wheel is left to the window.
class SeekBar : public QSlider {
public:
    using QSlider::QSlider;

protected:
    void wheelEvent(QWheelEvent* event) override { event->ignore(); }
};

void prepareControl(QWidget* control, std::u16string_view name) {
    control->setFocusPolicy(Qt::NoFocus);
    control->setToolTip(ToQString(name));
    control->setAccessibleName(ToQString(name));
}

void prepareSlider(QSlider* slider, std::u16string_view name) {
    prepareControl(slider, name);
    auto* style = new JumpToClickStyle;
    style->setParent(slider);
    slider->setStyle(style);
    // Opaque, so that its repaints do not reach the bar behind it.
    slider->setAutoFillBackground(true);
}

QToolButton* makeButton(QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setIconSize(QSize(16, 16));
    return button;
}

int seekUnits(double seconds) {
    return int(std::lround(seconds * kSeekUnitsPerSecond));
}

double seconds(int seekUnits) {
    return seekUnits / kSeekUnitsPerSecond;
}

} // namespace

ControlBar::ControlBar(PlaybackModel& playback, QWidget* parent)
    : QWidget(parent)
    , m_playback(playback)
    , m_playPause(makeButton(this))
    , m_seekBar(new SeekBar(Qt::Horizontal, this))
    , m_time(new QLabel(this))
    , m_mute(makeButton(this))
    , m_volume(new QSlider(Qt::Horizontal, this)) {
    prepareControls();
    layOut();
    m_positionRefresh.setSingleShot(true);
    m_positionRefresh.setInterval(kPositionRefreshMs);
    connectControls();
    m_subscription =
        playback.subscribe([this](PlaybackChanges changes) { onPlaybackChanged(changes); });
    showStatus();
    showDuration();
    showSound();
}

void ControlBar::prepareControls() {
    prepareControl(m_playPause, texts::kPlay);
    prepareSlider(m_seekBar, texts::kSeekBar);
    m_seekBar->setMinimumWidth(kMinimumSeekBarWidth);
    m_time->setAutoFillBackground(true);
    m_time->setAlignment(Qt::AlignCenter);
    prepareControl(m_mute, texts::kMute);
    m_mute->setCheckable(true);
    prepareSlider(m_volume, texts::kVolume);
    m_volume->setRange(0, PlaybackModel::kMaxVolume);
    m_volume->setSingleStep(5);
    m_volume->setPageStep(10);
    m_volume->setFixedWidth(kVolumeSliderWidth);
}

void ControlBar::layOut() {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(kSpacing, 0, kSpacing, 0);
    layout->setSpacing(kSpacing);
    layout->addWidget(m_playPause);
    layout->addWidget(m_seekBar, 1);
    layout->addWidget(m_time);
    layout->addWidget(m_mute);
    layout->addWidget(m_volume);
    setFixedHeight(m_playPause->sizeHint().height());
}

void ControlBar::connectControls() {
    connect(m_playPause, &QToolButton::clicked, this, [this] { m_playback.togglePause(); });
    connect(m_mute, &QToolButton::clicked, this, [this](bool on) { m_playback.setMuted(on); });
    connect(m_volume, &QSlider::valueChanged, this,
            [this](int volume) { m_playback.setVolume(volume); });
    // A drag goes to the nearest key frames as it goes, and exactly where it ends.
    connect(m_seekBar, &QSlider::sliderMoved, this,
            [this](int value) { m_playback.scrubTo(seconds(value)); });
    connect(m_seekBar, &QSlider::sliderReleased, this,
            [this] { m_playback.seekTo(seconds(m_seekBar->value())); });
    connect(&m_positionRefresh, &QTimer::timeout, this, [this] {
        if (std::exchange(m_positionPending, false))
            onPositionChanged();
    });
}

void ControlBar::onPlaybackChanged(PlaybackChanges changes) {
    if (changes.has(PlaybackChange::Status))
        showStatus();
    if (changes.has(PlaybackChange::Duration))
        showDuration();
    else if (changes.has(PlaybackChange::Position))
        onPositionChanged();
    if (changes.has(PlaybackChange::Volume) || changes.has(PlaybackChange::Mute))
        showSound();
}

// At once, then at most once per refresh period.
void ControlBar::onPositionChanged() {
    if (m_positionRefresh.isActive()) {
        m_positionPending = true;
        return;
    }
    showPosition();
    m_positionRefresh.start();
}

void ControlBar::showStatus() {
    const PlaybackStatus status = m_playback.state().status();
    const bool playing = status == PlaybackStatus::Playing;
    const std::u16string_view name = playing ? texts::kPause : texts::kPlay;
    m_playPause->setIcon(
        style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    m_playPause->setToolTip(ToQString(name));
    m_playPause->setAccessibleName(ToQString(name));
    m_playPause->setEnabled(status != PlaybackStatus::Stopped);
}

void ControlBar::showPosition() {
    const PlaybackState& state = m_playback.state();
    m_time->setText(QString::fromStdString(PlaybackTimeText(state.position, state.duration)));
    if (!m_seekBar->isSliderDown())
        m_seekBar->setValue(seekUnits(state.position.value_or(0)));
}

// The time keeps one width for the whole video, as wide as its widest text, so that its changes
// move nothing else.
void ControlBar::showDuration() {
    const std::optional<double> duration = m_playback.state().duration;
    m_seekBar->setRange(0, seekUnits(duration.value_or(0)));
    m_seekBar->setEnabled(duration.value_or(0) > 0);
    QString widest = QString::fromStdString(PlaybackTimeText(duration, duration));
    for (QChar& c : widest) {
        if (c.isDigit())
            c = QLatin1Char('0');
    }
    m_time->setFixedSize(m_time->fontMetrics().horizontalAdvance(widest) + 2 * kSpacing,
                         m_time->sizeHint().height());
    showPosition();
    fitWidth();
}

void ControlBar::showSound() {
    const PlaybackState& state = m_playback.state();
    // The engine's reports of a drag still going on would pull the handle back.
    if (!m_volume->isSliderDown()) {
        const QSignalBlocker blocker(m_volume);
        m_volume->setValue(state.volume);
    }
    m_mute->setChecked(state.muted);
    m_mute->setIcon(
        style()->standardIcon(state.muted ? QStyle::SP_MediaVolumeMuted : QStyle::SP_MediaVolume));
}

void ControlBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitWidth();
}

void ControlBar::fitWidth() {
    const int essentials = 2 * kSpacing + m_playPause->sizeHint().width() + kSpacing +
                           kMinimumSeekBarWidth + kSpacing + m_mute->sizeHint().width();
    const int withTime = essentials + kSpacing + m_time->width();
    m_time->setVisible(width() >= withTime);
    m_volume->setVisible(width() >= withTime + kSpacing + kVolumeSliderWidth);
}

} // namespace kestrova
