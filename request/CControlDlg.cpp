#include "request/CControlDlg.h"

#include "app/AppContext.h"
#include "metadata/TitleExtraction.h"
#include "platform/ChildDialogKeys.h"
#include "platform/DialogBuilder.h"
#include "platform/MessageBox.h"
#include "platform/QtText.h"
#include "platform/WaitCursor.h"
#include "player/CPlayerDlg.h"
#include "player/MpvHandle.h"
#include "request/Settings.h"
#include "request/VideoReference.h"
#include "res/Texts.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace kestrova {

CControlDlg::CControlDlg()
    : QDialog(nullptr, Qt::Widget)
    , m_historyDlg(std::make_unique<CHistoryDlg>()) {
    m_showPlayerTimer.setInterval(kShowPlayerIntervalMs);
    connect(&m_showPlayerTimer, &QTimer::timeout, this, &CControlDlg::OnTimer);
}

CControlDlg::~CControlDlg() {
    DestroyWindow();
}

bool CControlDlg::Create(QWidget* parent) {
    if (m_created) {
        return false;
    }
    setParent(parent, Qt::Widget);
    BuildDialog(GetDialogTemplate(ids::kControlPanel), this);
    MakeButtonsNonDefault(this);
    m_created = true;
    OnInitDialog();
    return true;
}

void CControlDlg::OnInitDialog() {
    m_editInput = findControl<QLineEdit>(this, ids::kAddressEdit);
    m_chkTopMost = findControl<QCheckBox>(this, ids::kTopMostCheck);
    connect(findControl<QPushButton>(this, ids::kPlayVideoButton), &QPushButton::clicked, this,
            &CControlDlg::OnPlayVideo);
    connect(m_chkTopMost, &QCheckBox::clicked, this, &CControlDlg::OnTopMost);

    LoadSettings();
    UpdateData(false);

    // The service addresses are read once, at start.
    const ServiceAddresses addresses = ReadServiceAddresses();
    m_feedOptions.urlPrefix = addresses.feedUrl;
    m_feedOptions.debug = GetAppContext().m_nDebugMode == 1;

    // A top-level window of its own: the main window does not own it.
    m_playerDlg = std::make_unique<CPlayerDlg>(addresses.playerUrl);
    if (MpvHandle* engine = m_playerDlg->flash().engine()) {
        engine->setYtDlpFormatOverride(ReadYtDlpFormat());
    }
    m_playerDlg->hide();

    m_historyDlg->m_pOwner = this;
    m_historyDlg->m_feedOptions = m_feedOptions;
    m_historyDlg->Create(this);
    m_historyDlg->show();

    m_showPlayerTimer.start();
    m_editInput->setFocus();
}

bool CControlDlg::DestroyWindow() {
    if (!m_created) {
        return false;
    }
    m_created = false;
    m_showPlayerTimer.stop();
    if (m_historyDlg) {
        m_historyDlg->DestroyWindow();
        m_historyDlg.reset();
    }
    m_playerDlg.reset();
    SaveSettings();
    hide();
    return true;
}

void CControlDlg::UpdateData(bool saveAndValidate) {
    if (saveAndValidate) {
        m_strInput = m_editInput->text().toStdU16String();
    } else {
        m_editInput->setText(ToQString(m_strInput));
    }
}

void CControlDlg::OnPlayVideo() {
    UpdateData(true);
    const std::u16string videoId = ParseVideoReference(m_strInput);
    if (videoId.empty()) {
        ShowMessageBox(ToQString(texts::kMsgBadReference));
        return;
    }
    std::u16string feed;
    int result = 0;
    {
        const WaitCursor waiting;
        result = FetchVideoFeed(videoId, &feed, m_feedOptions);
    }
    if (result != kFeedOk) {
        ShowMessageBox(ToQString(texts::kMsgFeedFailed));
        return;
    }
    std::u16string title = ExtractTitle(feed);
    m_playerDlg->PlayVideo(videoId);

    HistoryItem item;
    item.m_strVideoId = videoId;
    item.m_strTitle = std::move(title);
    m_historyDlg->AddToHistory(std::move(item));

    m_strInput = videoId;
    m_strLastVideoId = videoId;
    UpdateData(false);
}

void CControlDlg::PlayFromHistory(HistoryItem item) {
    m_playerDlg->PlayVideo(item.m_strVideoId);
    m_strInput = item.m_strVideoId;
    m_strLastVideoId = item.m_strVideoId;
    UpdateData(false);
}

void CControlDlg::OnTopMost() {
    // Only the z-order band changes: no move, no resize.
    m_playerDlg->setTopMost(m_chkTopMost->checkState() == Qt::Checked);
}

void CControlDlg::OnTimer() {
    // isVisible() holds only when the panel and every window above it are shown.
    if (isVisible()) {
        m_showPlayerTimer.stop();
        m_playerDlg->show();
    }
}

void CControlDlg::LoadSettings() {
    m_strInput = ReadLastVideoId(m_strInput);
    m_strLastVideoId = m_strInput;
}

void CControlDlg::SaveSettings() {
    WriteLastVideoId(m_strLastVideoId);
}

// Enter and Esc belong to the main window: Enter leaves it open, Esc closes it.
void CControlDlg::keyPressEvent(QKeyEvent* event) {
    HandleChildDialogKey(this, event);
}

} // namespace kestrova
