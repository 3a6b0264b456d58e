#include "request/CControlDlg.h"

#include "engine/MovieEngine.h"
#include "metadata/CurlLibrary.h"
#include "player/CPlayerDlg.h"
#include "player/ControlBar.h"
#include "process/Trace.h"
#include "request/SessionParts.h"
#include "request/VideoReference.h"
#include "res/Texts.h"
#include "text/QtText.h"
#include "widgets/AddressDrop.h"
#include "widgets/DialogBuilder.h"
#include "widgets/MessageBox.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QWindow>

namespace kestrova {

CControlDlg::CControlDlg(SessionParts& parts)
    : ChildPanel(ids::kControlPanel)
    , m_strLastVideoId(parts.settings().lastVideoId())
    , m_playerDlg(parts.player())
    , m_feedWorker(parts.feedWorker())
    , m_settings(parts.settings())
    , m_feedOptions(parts.feedOptions())
    , m_historyDlg(std::make_unique<CHistoryDlg>(static_cast<HistoryOwner&>(*this), m_feedWorker)) {
    m_showPlayerTimer.setInterval(kShowPlayerIntervalMs);
    connect(&m_showPlayerTimer, &QTimer::timeout, this, &CControlDlg::OnTimer);
    m_inputSettled.setSingleShot(true);
    m_inputSettled.setInterval(kInputSettledMs);
    connect(&m_inputSettled, &QTimer::timeout, this, &CControlDlg::prepareTypedVideo);
}

CControlDlg::~CControlDlg() {
    DestroyWindow();
}

void CControlDlg::OnInitDialog() {
    m_editInput = findControl<QLineEdit>(this, ids::kAddressEdit);
    m_chkTopMost = findControl<QCheckBox>(this, ids::kTopMostCheck);
    connect(findControl<QPushButton>(this, ids::kPlayVideoButton), &QPushButton::clicked, this,
            &CControlDlg::OnPlayVideo);
    connect(m_chkTopMost, &QCheckBox::clicked, this, &CControlDlg::OnTopMost);
    connect(&m_feedWorker, &FeedWorker::busyChanged, this, [this](bool busy) {
        busy ? m_inputHold.hold() : m_inputHold.release();
        // After the answer of the request that ended has been applied.
        if (!busy)
            QMetaObject::invokeMethod(this, &CControlDlg::openWaitingAddresses,
                                      Qt::QueuedConnection);
    });

    LoadSettings();
    UpdateData(false);

    m_historyDlg->setFeedOptions(m_feedOptions);
    m_historyDlg->Create(this);
    connect(m_historyDlg.get(), &CHistoryDlg::changed, this, [this] {
        if (!m_playingVideoId.empty())
            emit nowPlayingChanged();
    });
    m_historyDlg->show();
    m_resume = std::make_unique<ResumeKeeper>(m_playerDlg.flash().playback(), *m_historyDlg);

    m_warmUp = std::make_unique<PlayerWarmUp>(*window(), m_playerDlg);
    connect(m_editInput, &QLineEdit::textEdited, this, [this] { m_inputSettled.start(); });
    takeAddressesFromOutside();

    m_showPlayerTimer.start();
    m_editInput->setFocus();
}

// Only a whole ID of the service's length is worth a run of yt-dlp: an address typed key by
// key passes through shorter ones.
void CControlDlg::prepareTypedVideo() {
    constexpr std::size_t kServiceIdLength = 11;
    const std::u16string videoId = ParseVideoReference(m_editInput->text().toStdU16String());
    if (videoId.size() == kServiceIdLength)
        m_playerDlg.prepareVideo(videoId);
}

bool CControlDlg::feedRequestRunning() const {
    return m_feedWorker.busy();
}

void CControlDlg::OnDestroy() {
    m_warmUp.reset();
    // Nothing of a request still running is applied; its thread ends before anything goes.
    m_feedWorker.abandon();
    m_showPlayerTimer.stop();
    if (m_resume) {
        m_resume->leave();
        m_resume.reset();
    }
    if (m_historyDlg) {
        m_historyDlg->DestroyWindow();
        m_historyDlg.reset();
    }
    m_inputSettled.stop();
}

void CControlDlg::UpdateData(bool saveAndValidate) {
    if (saveAndValidate) {
        m_strInput = m_editInput->text().toStdU16String();
    } else {
        m_editInput->setText(ToQString(m_strInput));
    }
}

void CControlDlg::OnPlayVideo() {
    TraceStep("play-pressed");
    if (m_warmUp)
        m_warmUp->now();
    UpdateData(true);
    m_request.start(m_strInput);
}

void CControlDlg::PlayFromHistory(HistoryItem item) {
    m_request.PlayFromHistory(item);
}

void CControlDlg::openAddress(const QString& text) {
    m_waitingAddresses.push_back(text);
    openWaitingAddresses();
}

// One request at a time, as typing allows; a text that is rejected starts none, and the next
// follows at once.
void CControlDlg::openWaitingAddresses() {
    while (m_windowsUp && !m_feedWorker.busy() && !m_waitingAddresses.empty()) {
        m_editInput->setText(m_waitingAddresses.front());
        m_waitingAddresses.pop_front();
        OnPlayVideo();
    }
}

void CControlDlg::takeAddressesFromOutside() {
    const auto open = [this](const QString& address) { openAddress(address); };
    new AddressDrop(window(), open, this);
    // A drop on the address box plays too, rather than being inserted into what it holds.
    m_editInput->setAcceptDrops(false);
    // In the player, the movie and the control bar take them: the window itself keeps its
    // attributes, which a change would make the platform apply again to its placement.
    new AddressDrop(&m_playerDlg.flash(), open, this);
    new AddressDrop(&m_playerDlg.controlBar(), open, this);
    auto* paste = new QShortcut(QKeySequence::Paste, &m_playerDlg);
    connect(paste, &QShortcut::activated, this, [open] {
        for (const QString& address : AddressesIn(QGuiApplication::clipboard()->mimeData()))
            open(address);
    });
}

bool CControlDlg::fetchFeed(std::u16string videoId, PlayVideoRequest::Feed::Answer answer) {
    return m_feedWorker.fetch(std::move(videoId), m_feedOptions,
                              [answer = std::move(answer)](FeedResult result, std::u16string feed) {
                                  TraceStep("feed-answered");
                                  answer(result, std::move(feed));
                              });
}

// Every way of playing a video (Play Video, Play Back, a double click) goes on from where it
// was left, if its history record knows.
void CControlDlg::PlayVideo(std::u16string videoId) {
    const int place = m_resume->play(videoId);
    m_playingVideoId = videoId;
    m_playerDlg.PlayVideo(std::move(videoId), place);
}

std::u16string CControlDlg::playingTitle() const {
    if (m_historyDlg) {
        for (const HistoryItem& item : m_historyDlg->store().items()) {
            if (item.m_strVideoId == m_playingVideoId)
                return item.m_strTitle;
        }
    }
    return {};
}

void CControlDlg::AddToHistory(HistoryItem item) {
    m_historyDlg->AddToHistory(std::move(item));
}

void CControlDlg::showMessage(std::u16string_view text) {
    ShowMessageBox(ToQString(text), this);
}

void CControlDlg::showPlayedId(const std::u16string& videoId) {
    m_strInput = videoId;
    m_strLastVideoId = videoId;
    UpdateData(false);
    emit nowPlayingChanged();
    // Saved at once, as the end of the run would save it, so a crash loses nothing.
    if (!m_settings.lastVideoIdSaved())
        SaveSettings();
}

void CControlDlg::OnTopMost() {
    // Only the z-order band changes: no move, no resize.
    m_playerDlg.setTopMost(m_chkTopMost->checkState() == Qt::Checked);
}

void CControlDlg::OnTimer() {
    // isVisible() holds only when the panel and every window above it are shown; the main
    // window must also be on the screen, so that the player can be placed beside it.
    const QWindow* main = window()->windowHandle();
    if (isVisible() && main && main->isExposed()) {
        m_showPlayerTimer.stop();
        m_playerDlg.showFirstTime(*window(), m_settings.geometry());
        // The engine's and libcurl's libraries load in the background once the windows are
        // up; they hold little memory until an engine is made (the OpenGL renderer comes
        // with that).
        PreloadMovieEngine();
        PreloadCurl();
        emit windowsUp();
        m_windowsUp = true;
        openWaitingAddresses();
    }
}

// The settings were read before the player was made, which needed them.
void CControlDlg::LoadSettings() {
    m_strInput = m_strLastVideoId;
}

void CControlDlg::SaveSettings() {
    m_settings.save();
}

// Enter and Esc belong to the main window: Enter leaves it open, Esc closes it.
} // namespace kestrova
