#include "player/CPlayerDlg.h"

#include "player/MovieAddress.h"
#include "res/Texts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

namespace kestrova {
namespace {

// The window's size in dialog units, and the font those units are measured in.
constexpr QSize kTemplateSize(199, 114);
constexpr const char* kTemplateFont = "MS Shell Dlg";
constexpr int kTemplateFontPoints = 8;

// Dialog units to pixels from the template font's metrics, the way Windows measures them:
// the average width of the Latin letters and the character height.
QSize dialogUnitsToPixels(QSize units, const QFont& font) {
    const QFontMetrics metrics(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int averageWidth = (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
    return QSize(units.width() * averageWidth / 4, units.height() * metrics.height() / 8);
}

} // namespace

CPlayerDlg::CPlayerDlg(std::string playerPrefix)
    : QDialog(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint)
    , m_playerPrefix(playerPrefix.empty() ? std::string(texts::kDefaultPlayerUrl)
                                          : std::move(playerPrefix))
    , m_flash(new CShockwaveflash1(this))
    , m_failureLine(new QLabel(this)) {
    setWindowTitle(QString::fromStdU16String(std::u16string(texts::kPlayerTitle)));
    setWindowIcon(QApplication::windowIcon());
    // The player never keeps the program running once the main window has gone.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFont(QFont(QString::fromLatin1(kTemplateFont), kTemplateFontPoints));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_flash);
    connect(m_flash, &CShockwaveflash1::playbackFailed, this, &CPlayerDlg::showFailure);

    m_failureLine->setAutoFillBackground(true);
    m_failureLine->setStyleSheet(
        QStringLiteral("QLabel { background: rgba(0, 0, 0, 170); color: white; padding: 4px; }"));
    m_failureLine->setWordWrap(true);
    m_failureLine->hide();

    resize(dialogUnitsToPixels(kTemplateSize, font()));
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

QString CPlayerDlg::failureText() const {
    return m_failureLine->isHidden() ? QString() : m_failureLine->text();
}

void CPlayerDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
}

void CPlayerDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    placeFailureLine();
}

void CPlayerDlg::showFailure(const QString& reason) {
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
