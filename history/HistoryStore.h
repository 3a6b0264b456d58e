#pragma once

#include "history/HistoryItem.h"
#include "profile/SaveResult.h"

#include <cstddef>
#include <filesystem>
#include <functional>

namespace kestrova {

// The history list and its file, History.ini: COUNT in "SYSTEM", then sections ITEM0..ITEMn-1
// with VIDEOID, TITLE and, once the video has been left anywhere but at its start, POSITION.
// The history panel owns one and shows its items.
class HistoryStore {
public:
    // An insertion that leaves more records than this drops the last one.
    static constexpr std::size_t kLimit = 50;
    // Reading stops here whatever COUNT says, so a damaged file cannot exhaust memory.
    static constexpr int kReadCap = 10000;

    // Appends the records of History.ini (located by the data-file rule) to the list.
    void LoadHistory();
    // Writes the list to History.ini in one atomic file write and tells what became of it (the
    // list in memory is untouched either way).
    SaveResult SaveHistory() const;
    // Inserts the item at the front unless its video ID is present (exact code units); a
    // match changes nothing. After an insertion, applies the limit and calls the refill hook.
    void AddToHistory(HistoryItem item);

    void loadFrom(const std::filesystem::path& path);
    SaveResult saveTo(const std::filesystem::path& path) const;

    // The history panel's Delete and Get Title; an index out of range changes nothing.
    void removeAt(std::size_t index);
    void setTitle(std::size_t index, std::u16string title);
    // Where the video was left, in the first record with its ID; 0 when it has none.
    int placeOf(std::u16string_view videoId) const;
    // Keeps the place in the first record with the video's ID; whether that changed the record.
    // It does not call the change hook: the place changes every half minute while a video
    // plays, and nothing that shows the list shows it; the caller saves.
    bool setPlace(std::u16string_view videoId, int seconds);

    // Called after AddToHistory has inserted (the panel refills its list view).
    void setRefillHook(std::function<void()> hook) { m_refill = std::move(hook); }
    // Called after every change of the list a save would write: an insertion, a removal, a
    // title that became different (a place is saved by the one who keeps it). The panel saves
    // the file there, so a crash loses nothing.
    void setChangeHook(std::function<void()> hook) { m_changed = std::move(hook); }

    const HistoryList& items() const { return m_items; }

    // Writes `items` as the history file at `path`, as saveTo does.
    static SaveResult saveItems(const std::filesystem::path& path, const HistoryList& items);

private:
    void changed() const;

    HistoryList m_items;
    std::function<void()> m_refill;
    std::function<void()> m_changed;
};

} // namespace kestrova
