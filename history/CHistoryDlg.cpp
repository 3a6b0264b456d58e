#include "history/CHistoryDlg.h"

#include "metadata/FeedWorker.h"
#include "metadata/TitleExtraction.h"
#include "profile/DataLog.h"
#include "res/Texts.h"
#include "text/QtText.h"
#include "widgets/DialogBuilder.h"
#include "widgets/MessageBox.h"

#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>

namespace kestrova {

namespace {

constexpr int kColumnVideoId = 0;
constexpr int kColumnTitle = 1;
constexpr int kColumnWidths[] = {100, 400, 0};

// Draws the cell borders of a report-style list; Qt's tree view has no grid of its own.
class GridLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(option.palette.color(QPalette::Mid));
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->restore();
    }
};

} // namespace

CHistoryDlg::CHistoryDlg(HistoryOwner& owner, FeedWorker& feedWorker)
    : ChildPanel(ids::kHistoryPanel)
    , m_pOwner(owner)
    , m_feedWorker(feedWorker) {}

CHistoryDlg::~CHistoryDlg() {
    DestroyWindow();
}

void CHistoryDlg::OnInitDialog() {
    m_listHistory = findControl<QTreeWidget>(this, ids::kHistoryList);
    m_store.setRefillHook([this] { RefreshList(); });
    m_store.LoadHistory();
    m_store.setChangeHook([this] {
        saveHistory();
        emit changed();
    });
    setUpList();
    RefreshList();

    connect(findControl<QPushButton>(this, ids::kGetTitleButton), &QPushButton::clicked, this,
            &CHistoryDlg::OnGetTitle);
    connect(findControl<QPushButton>(this, ids::kPlayBackButton), &QPushButton::clicked, this,
            &CHistoryDlg::OnPlayBack);
    connect(findControl<QPushButton>(this, ids::kDeleteButton), &QPushButton::clicked, this,
            &CHistoryDlg::OnDelete);
}

void CHistoryDlg::setUpList() {
    m_listHistory->setHeaderLabels(
        {QStringLiteral("VideoID"), QStringLiteral("Video Title"), QString()});
    QHeaderView* header = m_listHistory->header();
    header->setMinimumSectionSize(0);
    header->setSectionsClickable(false);
    header->setSectionsMovable(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int column = 0; column < 3; ++column) {
        header->setSectionResizeMode(column, QHeaderView::Interactive);
        header->resizeSection(column, kColumnWidths[column]);
    }
    m_listHistory->setSortingEnabled(false);
    m_listHistory->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_listHistory->setSelectionMode(QAbstractItemView::SingleSelection);
    m_listHistory->setAllColumnsShowFocus(true);
    m_listHistory->setItemDelegate(new GridLineDelegate(m_listHistory));
    m_listHistory->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A double click anywhere, the empty space below the rows included, plays.
    m_listHistory->viewport()->installEventFilter(this);

    connect(m_listHistory->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected) {
                if (!m_refilling && !selected.indexes().isEmpty()) {
                    m_selectionMark = selected.indexes().first().row();
                }
            });
}

bool CHistoryDlg::eventFilter(QObject* watched, QEvent* event) {
    if (m_listHistory && watched == m_listHistory->viewport() &&
        event->type() == QEvent::MouseButtonDblClick) {
        OnPlayBack();
        return true;
    }
    return ChildPanel::eventFilter(watched, event);
}

void CHistoryDlg::OnDestroy() {
    if (m_fetchingTitles) {
        m_feedWorker.abandon(); // its answer would land in a panel that is going
        m_fetchingTitles = false;
    }
    saveHistory();
}

void CHistoryDlg::saveHistory() {
    SaveDataFile(texts::kHistoryFileName,
                 [items = m_store.items()](const std::filesystem::path& path) {
                     return HistoryStore::saveItems(path, items);
                 });
}

void CHistoryDlg::reject() {
    hide();
}

void CHistoryDlg::AddToHistory(HistoryItem item) {
    m_store.AddToHistory(std::move(item));
}

void CHistoryDlg::keepPlace(std::u16string_view videoId, int seconds) {
    if (m_store.setPlace(videoId, seconds)) {
        saveHistory();
    }
}

void CHistoryDlg::RefreshList() {
    if (!m_listHistory) {
        return;
    }
    const int marked = m_selectionMark;
    const QString key = marked >= 0 && marked < m_listHistory->topLevelItemCount()
                            ? m_listHistory->topLevelItem(marked)->text(kColumnVideoId)
                            : QString();

    m_refilling = true;
    m_listHistory->setUpdatesEnabled(false);
    m_listHistory->clear();
    m_selectionMark = -1;
    QList<QTreeWidgetItem*> rows;
    for (const HistoryItem& record : m_store.items()) {
        auto* row = new QTreeWidgetItem;
        row->setText(kColumnVideoId, ToQString(record.m_strVideoId));
        row->setText(kColumnTitle, ToQString(record.m_strTitle));
        rows.push_back(row);
    }
    m_listHistory->addTopLevelItems(rows);
    if (marked >= 0) {
        for (int r = 0; r < m_listHistory->topLevelItemCount(); ++r) {
            if (m_listHistory->topLevelItem(r)->text(kColumnVideoId) == key) {
                markRow(r);
                break;
            }
        }
    }
    m_listHistory->setUpdatesEnabled(true);
    m_refilling = false;
}

void CHistoryDlg::markRow(int row) {
    QTreeWidgetItem* item = m_listHistory->topLevelItem(row);
    m_selectionMark = row;
    m_listHistory->setCurrentItem(item);
    item->setSelected(true);
    m_listHistory->scrollToItem(item, QAbstractItemView::EnsureVisible);
}

bool CHistoryDlg::feedRequestRunning() const {
    return m_feedWorker.busy();
}

// While a feed request runs the panels' input is held back; a command that reaches the panel
// some other way (an assistive tool's action) is dropped the same way.
void CHistoryDlg::OnPlayBack() {
    if (feedRequestRunning()) {
        return;
    }
    const int row = currentRow();
    if (row < 0 || std::size_t(row) >= m_store.items().size()) {
        ShowMessageBox(ToQString(texts::kMsgSelectToPlay), this);
        return;
    }
    m_pOwner.PlayFromHistory(m_store.items()[std::size_t(row)]);
}

void CHistoryDlg::OnDelete() {
    if (feedRequestRunning()) {
        return;
    }
    const int row = currentRow();
    if (row < 0 || std::size_t(row) >= m_store.items().size()) {
        ShowMessageBox(ToQString(texts::kMsgSelectToDelete), this);
        return;
    }
    m_store.removeAt(std::size_t(row));
    RefreshList();
}

void CHistoryDlg::OnGetTitle() {
    if (feedRequestRunning()) {
        return;
    }
    fetchTitleFrom(0);
}

// The records are fetched one after another in list order. Each title lands in the history as
// its answer comes; the list is refilled once, after the last. The first failure ends the run:
// offline, every further record would hold the panels' input for its own time-out.
void CHistoryDlg::fetchTitleFrom(std::size_t index) {
    const HistoryList& items = m_store.items();
    while (index < items.size() && !items[index].m_strTitle.empty()) {
        ++index;
    }
    const bool started = index < items.size() &&
                         m_feedWorker.fetch(items[index].m_strVideoId, m_feedOptions,
                                            [this, index, videoId = items[index].m_strVideoId](
                                                FeedResult result, std::u16string answer) {
                                                onTitleAnswer(index, videoId, result, answer);
                                            });
    m_fetchingTitles = started;
    if (!started) {
        endTitleRun();
    }
}

void CHistoryDlg::onTitleAnswer(std::size_t index, const std::u16string& videoId, FeedResult result,
                                const std::u16string& answer) {
    if (result != FeedResult::Ok) {
        endTitleRun();
        return;
    }
    landTitle(index, videoId, TakeTitle(answer));
    fetchTitleFrom(index + 1);
}

void CHistoryDlg::endTitleRun() {
    m_fetchingTitles = false;
    RefreshList();
}

void CHistoryDlg::landTitle(std::size_t index, const std::u16string& videoId,
                            std::u16string title) {
    // Nothing can change the list meanwhile, but a title must never land on another video.
    if (index < m_store.items().size() && m_store.items()[index].m_strVideoId == videoId) {
        m_store.setTitle(index, std::move(title));
    }
}

} // namespace kestrova
