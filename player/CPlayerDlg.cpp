#include "player/CPlayerDlg.h"

#include "platform/DialogBuilder.h"
#include "platform/QtText.h"
#include "player/FirstFrameTrace.h"
#include "player/MovieAddress.h"
#include "player/PlayerLog.h"
#include "player/PlayerPlacement.h"
#include "res/DialogTemplates.h"
#include "res/Texts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

namespace kestrova {

CPlayerDlg::CPlayerDlg(std::string playerPrefix)
    : QDialog(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint)
    , m_playerPrefix(playerPrefix.empty() ? std::string(texts::kDefaultPlayerUrl)
                                          : std::move(playerPrefix))
    , m_flash(new CShockwaveflash1(this))
    , m_failureLine(new QLabel(this)) {
    setWindowTitle(ToQString(texts::kPlayerTitle));
    setWindowIcon(QApplication::windowIcon());
    // The player never keeps the program running once the main window has gone.
    setAttribute(Qt::WA_QuitOnClose, false);
    const DialogTemplate& dialog = GetDialogTemplate(ids::kPlayerDialog);
    setFont(TemplateFont(dialog));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_flash);
    connect(m_flash, &CShockwaveflash1::playbackFailed, this, &CPlayerDlg::showFailure);
    TraceFirstFrames(*m_flash);

    // The OpenGL movie is a native window; only a native window can stand above it, and only
    // an opaque one, since nothing composes the two.
    m_failureLine->setAttribute(Qt::WA_NativeWindow);
    m_failureLine->setAutoFillBackground(true);
    m_failureLine->setStyleSheet(
        QStringLiteral("QLabel { background: rgb(48, 48, 48); color: white; padding: 4px; }"));
    m_failureLine->setWordWrap(true);
    m_failureLine->hide();

    setMinimumSize(kMinimumSize);
    resize(MapDialogRect(BaseUnitsOf(font()), 0, 0, dialog.w, dialog.h).size());
    // Centred on the work area when created, like the program's other top-level windows.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void CPlayerDlg::setPlayerPrefix(std::string playerPrefix) {
    m_playerPrefix = std::move(playerPrefix);
}

void CPlayerDlg::PlayVideo(std::u16string videoId) {
    m_failureLine->hide();
    m_failureLine->clear();
    const std::string address = BuildMovieAddress(m_playerPrefix, videoId);
    m_flash->LoadMovie(0, QString::fromStdString(address));
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

void CPlayerDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
}

void CPlayerDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    placeFailureLine();
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

void CPlayerDlg::showFailure(const QString& reason) {
    qCInfo(lcPlayer, "failure line: %s", qUtf8Printable(reason));
    m_failureLine->setText(reason);
    m_failureLine->show();
    m_failureLine->raise();
    placeFailureLine();
}

void CPlayerDlg::placeFailureLine() {
    const int height = m_failureLine->heightForWidth(width());
    m_failureLine->setGeometry(0, this->height() - height, width(), height);
}

} // namespace kestrova
