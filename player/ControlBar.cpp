#include "player/ControlBar.h"

#include "playback/PlaybackTime.h"
#include "player/CaptionsMenu.h"
#include "player/ControlMenu.h"
#include "player/QualityMenu.h"
#include "player/SeekBar.h"
#include "player/SpeedMenu.h"
#include "res/Texts.h"
#include "text/QtText.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QProxyStyle>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionToolButton>
#include <QStylePainter>
#include <QToolButton>

namespace kestrova {
namespace {

constexpr int kIconSide = 16;
constexpr int kMinimumSeekBarWidth = 24;
constexpr int kVolumeSliderWidth = 56;
constexpr int kSpacing = 2;
// Between the time and the chapter's title: "1:23 / 4:56 · Intro".
const QString kChapterSeparator = QStringLiteral(" \u00B7 ");

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

void prepareControl(QWidget* control, const QString& name) {
    control->setFocusPolicy(Qt::NoFocus);
    control->setToolTip(name);
    control->setAccessibleName(name);
}

void prepareSlider(QSlider* slider, std::u16string_view name) {
    prepareControl(slider, ToQString(name));
    auto* style = new JumpToClickStyle;
    style->setParent(slider);
    slider->setStyle(style);
    // Opaque, so that its repaints do not reach the bar behind it.
    slider->setAutoFillBackground(true);
}

// A button that opens its menu at a click. It draws no arrow for the menu: the style would
// draw it over the text, in room the button does not have.
class MenuButton : public QToolButton {
public:
    MenuButton(QWidget* parent, const QString& name, QMenu* menu)
        : QToolButton(parent) {
        prepareControl(this, name);
        setAutoRaise(true);
        setPopupMode(QToolButton::InstantPopup);
        setMenu(menu);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        QStyleOptionToolButton option;
        initStyleOption(&option);
        option.features &= ~QStyleOptionToolButton::HasMenu;
        painter.drawComplexControl(QStyle::CC_ToolButton, option);
    }
};

QToolButton* makeButton(QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setIconSize(QSize(kIconSide, kIconSide));
    return button;
}

// A cogwheel, as settings menus have; the styles have none. Drawn at four times the size, for
// screens that scale.
QIcon settingsIcon(const QColor& colour) {
    QPixmap pixmap(4 * kIconSide, 4 * kIconSide);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(4, 4);
    painter.translate(kIconSide / 2.0, kIconSide / 2.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    for (int tooth = 0; tooth < 8; ++tooth) {
        painter.drawRect(QRectF(-1.5, -7.5, 3, 4));
        painter.rotate(45);
    }
    QPainterPath ring;
    ring.addEllipse(QPointF(0, 0), 5.5, 5.5);
    ring.addEllipse(QPointF(0, 0), 2.5, 2.5);
    painter.drawPath(ring);
    painter.end();
    pixmap.setDevicePixelRatio(4);
    return QIcon(pixmap);
}

int seekUnits(double seconds) {
    return int(std::lround(seconds * SeekBar::kUnitsPerSecond));
}

double seconds(int seekUnits) {
    return seekUnits / SeekBar::kUnitsPerSecond;
}

} // namespace

ControlBar::ControlBar(PlaybackModel& playback, QWidget* parent)
    : QWidget(parent)
    , m_playback(playback)
    , m_playPause(makeButton(this))
    , m_seekBar(new SeekBar(this))
    , m_time(new QLabel(this))
    , m_settingsMenu(new QMenu(this))
    , m_mute(makeButton(this))
    , m_volume(new QSlider(Qt::Horizontal, this))
    , m_speedMenu(new SpeedMenu(playback, this))
    , m_qualityMenu(new QualityMenu(playback, this))
    , m_captionsMenu(new CaptionsMenu(playback, this)) {
    m_settings = new MenuButton(this, ToQString(texts::kSettings), m_settingsMenu);
    m_settings->setIconSize(QSize(kIconSide, kIconSide));
    m_settings->setIcon(settingsIcon(palette().color(QPalette::ButtonText)));
    prepareControls();
    layOut();
    m_positionRefresh.setSingleShot(true);
    m_positionRefresh.setInterval(kPositionRefreshMs);
    connectControls();
    m_subscription =
        playback.subscribe([this](PlaybackChanges changes) { onPlaybackChanged(changes); });
    addMenu(m_speedMenu);
    addMenu(m_qualityMenu);
    addMenu(m_captionsMenu);
    showStatus();
    showDuration();
    showSound();
}

QSlider* ControlBar::seekBar() const {
    return m_seekBar;
}

ControlMenu* ControlBar::speedMenu() const {
    return m_speedMenu;
}

ControlMenu* ControlBar::qualityMenu() const {
    return m_qualityMenu;
}

ControlMenu* ControlBar::captionsMenu() const {
    return m_captionsMenu;
}

void ControlBar::prepareControls() {
    prepareControl(m_playPause, ToQString(texts::kPlay));
    prepareSlider(m_seekBar, texts::kSeekBar);
    m_seekBar->setMinimumWidth(kMinimumSeekBarWidth);
    m_time->setAutoFillBackground(true);
    m_time->setAlignment(Qt::AlignCenter);
    prepareControl(m_mute, ToQString(texts::kMute));
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
    layout->addWidget(m_settings);
    layout->addWidget(m_mute);
    layout->addWidget(m_volume);
    setFixedHeight(m_playPause->sizeHint().height());
}

void ControlBar::addMenu(ControlMenu* menu) {
    auto* button = new MenuButton(this, menu->name(), menu);
    auto* row = static_cast<QHBoxLayout*>(layout());
    row->insertWidget(row->indexOf(m_settings), button);
    m_settingsMenu->addMenu(menu);
    m_menus.push_back({menu, button});
    connect(menu, &ControlMenu::changed, this, &ControlBar::showMenus);
    showMenus();
}

QToolButton* ControlBar::menuButton(const ControlMenu* menu) const {
    for (const MenuSlot& slot : m_menus) {
        if (slot.menu == menu)
            return slot.button;
    }
    return nullptr;
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
    if (changes.has(PlaybackChange::Chapters))
        showChapters();
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
    QString text = QString::fromStdString(
        m_totalShown ? PlaybackTimeText(state.position, state.duration)
                     : PlaybackTimeText(state.position.value_or(0), std::nullopt));
    const QString title = chapterTitleShown();
    if (!title.isEmpty())
        text += kChapterSeparator + title;
    m_time->setText(text);
    if (!m_seekBar->isSliderDown())
        m_seekBar->setValue(seekUnits(state.position.value_or(0)));
}

// The chapter playing, as far as the width of the time leaves room for it.
QString ControlBar::chapterTitleShown() const {
    const PlaybackState& state = m_playback.state();
    const PlaybackChapter* chapter =
        m_chapterTitleShown ? ChapterAt(state.chapters, state.position.value_or(0)) : nullptr;
    if (!chapter || chapter->title.empty())
        return {};
    return m_time->fontMetrics().elidedText(QString::fromStdString(chapter->title), Qt::ElideRight,
                                            kMaxChapterTitleWidth);
}

// The time keeps one width for the whole video, as wide as its widest text, so that its changes
// move nothing else; the same for the elapsed time alone, where there is no room for the total.
void ControlBar::showDuration() {
    const std::optional<double> duration = m_playback.state().duration;
    m_seekBar->setRange(0, seekUnits(duration.value_or(0)));
    m_seekBar->setEnabled(duration.value_or(0) > 0);
    const auto widthOf = [this](std::string text) {
        QString widest = QString::fromStdString(text);
        for (QChar& c : widest) {
            if (c.isDigit())
                c = QLatin1Char('0');
        }
        return m_time->fontMetrics().horizontalAdvance(widest) + 2 * kSpacing;
    };
    m_timeWidth = widthOf(PlaybackTimeText(duration, duration));
    m_elapsedWidth = widthOf(PlaybackTimeText(duration.value_or(0), std::nullopt));
    fitWidth();
    showPosition();
}

// The chapters' titles widen the time once for the whole video too, by the widest of them.
void ControlBar::showChapters() {
    const auto& chapters = m_playback.state().chapters;
    m_seekBar->setChapters(chapters);
    int widest = 0;
    for (const PlaybackChapter& chapter : chapters)
        widest = std::max(
            widest, m_time->fontMetrics().horizontalAdvance(QString::fromStdString(chapter.title)));
    m_chapterWidth = widest == 0 ? 0
                                 : m_time->fontMetrics().horizontalAdvance(kChapterSeparator) +
                                       std::min(widest, kMaxChapterTitleWidth);
    m_time->setAlignment(m_chapterWidth == 0 ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
    fitWidth();
    showPosition();
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

void ControlBar::showMenus() {
    for (const MenuSlot& slot : m_menus) {
        slot.button->setText(slot.menu->label());
        slot.menu->menuAction()->setVisible(slot.menu->offered());
    }
    fitWidth();
}

void ControlBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitWidth();
}

// What shows, the most wanted first, each where the room left allows: the elapsed time, the
// total beside it, each menu on a button of its own (else all in the settings menu, when that
// takes less room), the chapter's title, the volume slider.
void ControlBar::fitWidth() {
    const auto widthOf = [](const QWidget* control) {
        return control->sizeHint().width() + kSpacing;
    };
    int unfolded = 0;
    bool anyOffered = false;
    for (const MenuSlot& slot : m_menus) {
        if (slot.menu->offered()) {
            anyOffered = true;
            unfolded += widthOf(slot.button);
        }
    }
    const int foldedWidth = anyOffered ? std::min(unfolded, widthOf(m_settings)) : 0;
    int room = width() - (2 * kSpacing + widthOf(m_playPause) + kMinimumSeekBarWidth + kSpacing +
                          m_mute->sizeHint().width() + foldedWidth);
    const auto take = [&room](bool wanted, int needed) {
        if (!wanted || needed > room)
            return false;
        room -= needed;
        return true;
    };
    const bool elapsed = take(true, m_elapsedWidth + kSpacing);
    const bool total = take(elapsed, m_timeWidth - m_elapsedWidth);
    const bool folded = !take(anyOffered, unfolded - foldedWidth);
    const bool chapterTitle = take(elapsed && m_chapterWidth > 0, m_chapterWidth);
    const bool volume = take(true, kVolumeSliderWidth + kSpacing);

    m_time->setFixedSize((total ? m_timeWidth : m_elapsedWidth) +
                             (chapterTitle ? m_chapterWidth : 0),
                         m_time->sizeHint().height());
    m_time->setVisible(elapsed);
    for (const MenuSlot& slot : m_menus)
        slot.button->setVisible(slot.menu->offered() && !folded);
    m_settings->setVisible(anyOffered && folded);
    m_volume->setVisible(volume);
    const bool totalChanged = std::exchange(m_totalShown, total) != total;
    if ((std::exchange(m_chapterTitleShown, chapterTitle) != chapterTitle) || totalChanged)
        showPosition();
}

} // namespace kestrova
