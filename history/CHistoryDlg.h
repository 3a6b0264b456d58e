#pragma once

#include "history/HistoryOwner.h"
#include "history/HistoryStore.h"
#include "metadata/FeedRetrieval.h"
#include "widgets/ChildPanel.h"

#include <utility>

class QPushButton;
class QTreeWidget;

namespace kestrova {

class FeedWorker;

// The history panel inside the control panel: the played videos in a list, newest first,
// with Play Back, Delete and the hidden Get Title command. Every data rule is the history
// store's; the panel shows it and acts on the current row. Create reads History.ini; the
// panel stays hidden until its owner shows it. DestroyWindow saves History.ini.
class CHistoryDlg : public ChildPanel {
    Q_OBJECT

public:
    // Play Back goes to `owner`; Get Title's requests run on `feedWorker` (the control panel's,
    // shared with Play Video). Both outlive the panel.
    CHistoryDlg(HistoryOwner& owner, FeedWorker& feedWorker);
    ~CHistoryDlg() override;

    // Where Get Title asks for the feed entries.
    void setFeedOptions(FeedOptions options) { m_feedOptions = std::move(options); }

    void AddToHistory(HistoryItem item);
    // Keeps where the video was left in its record, and saves the history if that changed it.
    void keepPlace(std::u16string_view videoId, int seconds);
    // Rebuilds the whole list and marks the row of the video that was marked before.
    void RefreshList();

    void OnPlayBack();
    void OnDelete();
    void OnGetTitle();

    // The selection mark: the row last selected by the user or marked by RefreshList; -1
    // when none.
    int currentRow() const { return m_selectionMark; }

    const HistoryStore& store() const { return m_store; }
    QTreeWidget* list() const { return m_listHistory; }

    void reject() override;

signals:
    // A record was added, removed or given its title.
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    HistoryOwner& m_pOwner;
    FeedWorker& m_feedWorker;
    FeedOptions m_feedOptions;

    void OnInitDialog() override;
    void OnDestroy() override;
    // Every change is handed to the writer at once, so a crash or a lost display loses nothing
    // played.
    void saveHistory();
    void setUpList();
    void markRow(int row);
    bool feedRequestRunning() const;
    // Get Title: fetches the next record from `index` on whose title is empty, or refills the
    // list once there is none left or a fetch failed.
    void fetchTitleFrom(std::size_t index);
    void onTitleAnswer(std::size_t index, const std::u16string& videoId, FeedResult result,
                       const std::u16string& answer);
    void endTitleRun();
    void landTitle(std::size_t index, const std::u16string& videoId, std::u16string title);

    HistoryStore m_store;
    QTreeWidget* m_listHistory = nullptr;
    int m_selectionMark = -1;
    bool m_refilling = false;
    bool m_fetchingTitles = false;
};

} // namespace kestrova
