#pragma once

// A control panel on a plain host window with its data files in a temporary program folder,
// a loopback feed server and media server, and the message boxes collected instead of shown.

#include "history/CHistoryDlg.h"
#include "player/CPlayerDlg.h"
#include "process/AppContext.h"
#include "profile/SaveWriter.h"
#include "request/CControlDlg.h"
#include "request/SessionParts.h"
#include "tests/support/FeedServer.h"
#include "tests/support/MediaServer.h"
#include "tests/support/TempDir.h"
#include "text/QtText.h"
#include "widgets/DialogBuilder.h"
#include "widgets/MessageBox.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace kestrova::test {

inline QString qs(std::u16string_view text) {
    return ToQString(text);
}

// An 11-character video ID made from a number, for long lists.
inline std::string NumberedId(int n) {
    std::string id = "Vid" + std::to_string(n);
    id.resize(11, 'x');
    return id;
}

class PanelFixture : public ::testing::Test {
protected:
    void SetUp() override {
        GetAppContext().m_strProgramDir = m_dir.path();
        writeSettings("");
        m_previousSink = MessageBoxSeam().install([this](const QString& text) {
            m_messages << text;
            m_cursorOverriddenAtMessage |= QApplication::overrideCursor() != nullptr;
        });
    }

    void TearDown() override {
        destroyPanel();           // saves while the program folder is still known
        DataFileWriter().flush(); // before the folder goes
        MessageBoxSeam().install(std::move(m_previousSink));
        ReleaseAppContext();
    }

    void writeSettings(const std::string& videoId) {
        WriteFileBytes(m_dir / "Kestrova.ini", "[SYSTEM]\nVIDEOID=" + videoId +
                                                   "\n[NETWORK]\nFEEDURL=" + m_feed.feedUrl() +
                                                   "\nPLAYERURL=" + m_media.playerPrefix() + "\n");
    }

    // Records as (video ID, title), newest first.
    void writeHistory(const std::vector<std::pair<std::string, std::string>>& records) {
        std::string text = "[SYSTEM]\nCOUNT=" + std::to_string(records.size()) + "\n";
        for (std::size_t k = 0; k < records.size(); ++k) {
            text += "[ITEM" + std::to_string(k) + "]\nVIDEOID=" + records[k].first +
                    "\nTITLE=" + records[k].second + "\n";
        }
        WriteFileBytes(m_dir / "History.ini", text);
    }

    CControlDlg& createPanel() {
        m_parts = std::make_unique<SessionParts>();
        m_panel = std::make_unique<CControlDlg>(*m_parts);
        m_panel->Create(&m_host);
        m_panel->show();
        m_host.show();
        return *m_panel;
    }

    // Takes the panel and what it drives down as the end of the run does.
    void destroyPanel() {
        m_panel.reset();
        m_parts.reset();
    }

    QLineEdit* edit() const { return findControl<QLineEdit>(m_panel.get(), ids::kAddressEdit); }
    QCheckBox* topMost() const { return findControl<QCheckBox>(m_panel.get(), ids::kTopMostCheck); }
    CHistoryDlg& history() const { return *m_panel->historyDlg(); }
    QTreeWidget* list() const { return history().list(); }

    void click(QWidget* parent, int id) const {
        QTest::mouseClick(findControl<QPushButton>(parent, id), Qt::LeftButton);
    }
    // Types the text and presses Play Video; the request's answer comes from the event loop.
    void pressPlayVideo(const QString& typed) {
        edit()->setText(typed);
        click(m_panel.get(), ids::kPlayVideoButton);
    }
    // Plays as the user sees it: presses Play Video and waits until the request has ended.
    void playVideo(const QString& typed) {
        pressPlayVideo(typed);
        waitForFeedRequests();
    }
    // Until no feed request (Play Video or Get Title) runs any more.
    void waitForFeedRequests() const {
        EXPECT_TRUE(QTest::qWaitFor([&] { return !m_panel->feedRequestRunning(); }, 20000))
            << "the feed request did not end";
    }

    // The user selects a row by clicking it.
    void clickRow(int row) {
        QTreeWidgetItem* item = list()->topLevelItem(row);
        list()->scrollToItem(item);
        const QRect rect = list()->visualItemRect(item);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, rect.center());
    }

    std::vector<std::string> listedIds() const {
        std::vector<std::string> ids;
        for (int r = 0; r < list()->topLevelItemCount(); ++r) {
            ids.push_back(list()->topLevelItem(r)->text(0).toStdString());
        }
        return ids;
    }

    // Whether the media server was asked for this video's movie.
    bool movieRequested(const std::string& id) const {
        for (const std::string& target : m_media.requestTargets()) {
            if (target.rfind("/v/" + id + "?", 0) == 0) {
                return true;
            }
        }
        return false;
    }

    // The files as the saves asked so far have left them.
    std::string settingsText() const { return writtenFile("Kestrova.ini"); }
    std::string historyText() const { return writtenFile("History.ini"); }
    std::string writtenFile(const char* name) const {
        DataFileWriter().flush();
        return ReadFileBytes(m_dir / name);
    }

    TempDir m_dir;
    FeedServer m_feed;
    MediaServer m_media;
    QStringList m_messages;
    bool m_cursorOverriddenAtMessage = false;
    MessageBoxSink m_previousSink;
    QWidget m_host;
    std::unique_ptr<SessionParts> m_parts;
    std::unique_ptr<CControlDlg> m_panel;
};

} // namespace kestrova::test
