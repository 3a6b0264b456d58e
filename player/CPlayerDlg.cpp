#include "player/CPlayerDlg.h"

#include "engine/PlayerLog.h"
#include "player/ControlBar.h"
#include "player/FirstFrameTrace.h"
#include "player/MovieAddress.h"
#include "player/PlayerKeys.h"
#include "player/PlayerPlacement.h"
#include "res/DialogTemplates.h"
#include "res/Texts.h"
#include "service/ServicePlayback.h"
#include "text/QtText.h"
#include "text/TextFormat.h"
#include "widgets/DialogBuilder.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

namespace kestrova {
namespace {

// A line over the movie. The OpenGL movie is a native window; only a native window can stand
// above it, and only an opaque one, since nothing composes the two.
QLabel* makeLineOverMovie(QWidget* parent) {
    auto* line = new QLabel(parent);
    line->setAttribute(Qt::WA_NativeWindow);
    line->setAutoFillBackground(true);
    line->setStyleSheet(
        QStringLiteral("QLabel { background: rgb(48, 48, 48); color: white; padding: 4px; }"));
    line->setWordWrap(true);
    // Failure reasons quote what servers and yt-dlp said: never markup to a label.
    line->setTextFormat(Qt::PlainText);
    line->hide();
    return line;
}

} // namespace

CPlayerDlg::CPlayerDlg(std::string playerPrefix, StreamSupply* streams)
    : QDialog(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint)
    , m_playerPrefix(playerPrefix.empty() ? std::string(texts::kDefaultPlayerUrl)
                                          : std::move(playerPrefix))
    , m_flash(new CShockwaveflash1(this, streams))
    , m_bar(new ControlBar(m_flash->playback(), this))
    , m_failureLine(makeLineOverMovie(this))
    , m_loadingLine(makeLineOverMovie(this)) {
    setWindowTitle(ToQString(texts::kPlayerTitle));
    setWindowIcon(QApplication::windowIcon());
    // The player never keeps the program running once the main window has gone.
    setAttribute(Qt::WA_QuitOnClose, false);
    const DialogTemplate& dialog = GetDialogTemplate(ids::kPlayerDialog);
    setFont(TemplateFont(dialog));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_flash, 1);
    layout->addWidget(m_bar);
    connect(m_flash, &CShockwaveflash1::playbackFailed, this, &CPlayerDlg::showFailure);
    TraceFirstFrames(*m_flash);

    m_loadingDelay.setSingleShot(true);
    m_loadingDelay.setInterval(kLoadingLineDelayMs);
    connect(&m_loadingDelay, &QTimer::timeout, this, &CPlayerDlg::showLoadingLine);
    m_playbackSubscription = m_flash->playback().subscribe([this](PlaybackChanges changes) {
        if (changes.has(PlaybackChange::Loading))
            onLoadingChanged();
    });
    m_flash->streams().setUpdatingListener([player = QPointer<CPlayerDlg>(this)](bool) {
        if (player)
            player->onLoadingChanged();
    });

    setMinimumSize(kMinimumSize);
    resize(MapDialogRect(BaseUnitsOf(font()), 0, 0, dialog.w, dialog.h).size());
    // Centred on the work area when created, like the program's other top-level windows.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void CPlayerDlg::setPlayerPrefix(std::string playerPrefix) {
    m_playerPrefix = std::move(playerPrefix);
}

void CPlayerDlg::PlayVideo(std::u16string videoId, double resumeAt) {
    m_failureLine->hide();
    m_failureLine->clear();
    const std::string address = BuildMovieAddress(m_playerPrefix, videoId);
    m_flash->LoadMovie(0, QString::fromStdString(address), resumeAt);
}

void CPlayerDlg::prepareVideo(std::u16string_view videoId) {
    m_flash->prepareMovie(QString::fromStdString(BuildMovieAddress(m_playerPrefix, videoId)));
}

void CPlayerDlg::warmUp() {
    m_flash->warmUp();
    if (IsServiceAddress(m_playerPrefix))
        m_flash->streams().prime();
}

void CPlayerDlg::setTopMost(bool topMost) {
    const Qt::WindowFlags flags = windowFlags().setFlag(Qt::WindowStaysOnTopHint, topMost);
    if (flags == windowFlags())
        return;
    if (QWindow* native = windowHandle()) {
        // Changed in place on the native window: setWindowFlags would recreate it, hiding
        // the window and taking the movie's OpenGL context with it.
        overrideWindowFlags(flags);
        native->setFlags(flags);
        return;
    }
    setWindowFlags(flags);
}

void CPlayerDlg::showFirstTime(const QWidget& mainWindow,
                               const std::optional<PlayerGeometry>& stored) {
    if (m_shown)
        return;
    m_shown = true;
    const bool restored = stored && restore(*stored);
    if (!restored)
        placeBeside(mainWindow);
    // The keyboard stays where it is: a person who types right after the start types into
    // the main window's address box, not into the player.
    setAttribute(Qt::WA_ShowWithoutActivating);
    restored && stored->maximized ? showMaximized() : show();
    setAttribute(Qt::WA_ShowWithoutActivating, false);
}

void CPlayerDlg::bringToFront() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

bool CPlayerDlg::restore(const PlayerGeometry& stored) {
    const QRect rect(stored.x, stored.y, stored.width, stored.height);
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.push_back(screen->geometry());
    if (!LiesOnScreens(rect, screens))
        return false;
    setGeometry(rect);
    return true;
}

// The player has no frame yet; it gets the same decorations as the main window. The main
// window's frame is used when the window manager has reported it.
void CPlayerDlg::placeBeside(const QWidget& mainWindow) {
    const QRect client = mainWindow.geometry();
    const QRect frame = mainWindow.frameGeometry();
    const QRect anchor = frame.contains(client) ? frame : client;
    const QSize decorations = anchor.size() - client.size();
    const QScreen* screen = mainWindow.screen();
    const QRect workArea = screen ? screen->availableGeometry() : anchor;
    // A window's move() before its first show places its frame.
    move(PlaceBeside(anchor, size() + decorations, workArea));
}

std::optional<PlayerGeometry> CPlayerDlg::geometryToKeep() const {
    if (!m_shown)
        return std::nullopt;
    const QRect normal = isMaximized() ? normalGeometry() : geometry();
    return PlayerGeometry{normal.x(), normal.y(), normal.width(), normal.height(), isMaximized()};
}

QString CPlayerDlg::failureText() const {
    return m_failureLine->isHidden() ? QString() : m_failureLine->text();
}

QString CPlayerDlg::loadingText() const {
    return m_loadingLine->isHidden() ? QString() : m_loadingLine->text();
}

void CPlayerDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
}

void CPlayerDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    placeLinesOverMovie();
    if (m_shown)
        emit geometryChanged();
}

void CPlayerDlg::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    if (m_shown)
        emit geometryChanged();
}

void CPlayerDlg::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (m_shown && event->type() == QEvent::WindowStateChange)
        emit geometryChanged();
}

void CPlayerDlg::keyPressEvent(QKeyEvent* event) {
    if (!HandlePlayerKey(*event, m_flash->playback()))
        QDialog::keyPressEvent(event);
}

void CPlayerDlg::showFailure(const QString& reason) {
    qCInfo(lcPlayer, "failure line: %s", qUtf8Printable(reason));
    m_loadingLine->hide();
    m_failureLine->setText(reason);
    m_failureLine->show();
    m_failureLine->raise();
    placeLinesOverMovie();
}

// The line shows once the wait has lasted a moment: a quicker load shows none, which would only
// flicker.
void CPlayerDlg::onLoadingChanged() {
    if (!m_flash->playback().state().waiting()) {
        m_loadingDelay.stop();
        m_loadingLine->hide();
    } else if (!m_loadingLine->isHidden()) {
        showLoadingLine();
    } else if (!m_loadingDelay.isActive()) {
        m_loadingDelay.start();
    }
}

void CPlayerDlg::showLoadingLine() {
    const PlaybackState& state = m_flash->playback().state();
    if (!state.waiting())
        return;
    m_loadingLine->setText(ToQString(
        m_flash->streams().updating() ? std::u16string(texts::kUpdatingYtDlp)
        : state.bufferingPercent ? FormatText(texts::kLoadingPercent, {*state.bufferingPercent})
                                 : std::u16string(texts::kLoading)));
    m_loadingLine->show();
    m_loadingLine->raise();
    placeLinesOverMovie();
}

// Along the bottom of the movie, above the control bar.
void CPlayerDlg::placeLinesOverMovie() {
    const QRect movie = m_flash->geometry();
    for (QLabel* line : {m_failureLine, m_loadingLine}) {
        const int height = line->heightForWidth(movie.width());
        line->setGeometry(movie.left(), movie.bottom() + 1 - height, movie.width(), height);
    }
}

} // namespace kestrova
