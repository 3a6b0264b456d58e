#include "history/HistoryStore.h"

#include "profile/DataFiles.h"
#include "profile/ProfileFile.h"
#include "res/Texts.h"

#include <algorithm>
#include <utility>

namespace kestrova {

namespace {

std::u16string decimal(std::size_t n) {
    const std::string digits = std::to_string(n);
    return std::u16string(digits.begin(), digits.end());
}

std::u16string itemSection(std::size_t index) {
    return std::u16string(texts::kSectionItemPrefix) + decimal(index);
}

template <typename List>
auto findFirst(List& items, std::u16string_view videoId) {
    return std::find_if(items.begin(), items.end(), [videoId](const HistoryItem& item) {
        return item.m_strVideoId == videoId;
    });
}

} // namespace

void HistoryStore::LoadHistory() {
    loadFrom(DataFilePath(texts::kHistoryFileName));
}

SaveResult HistoryStore::SaveHistory() const {
    return saveTo(DataFilePath(texts::kHistoryFileName));
}

void HistoryStore::loadFrom(const std::filesystem::path& path) {
    const ProfileFile file = ProfileFile::load(path);
    const int count = std::min(file.readInt(texts::kSectionSystem, texts::kKeyCount, 0), kReadCap);
    for (int k = 0; k < count; ++k) {
        const std::u16string section = itemSection(std::size_t(k));
        HistoryItem item;
        item.m_strVideoId =
            file.readString(section, texts::kKeyVideoId, u"", ProfileFile::kValueBufferSize);
        item.m_strTitle =
            file.readString(section, texts::kKeyTitle, u"", ProfileFile::kValueBufferSize);
        item.m_position = std::max(0, file.readInt(section, texts::kKeyPosition, 0));
        m_items.push_back(std::move(item));
    }
}

SaveResult HistoryStore::saveTo(const std::filesystem::path& path) const {
    return saveItems(path, m_items);
}

SaveResult HistoryStore::saveItems(const std::filesystem::path& path, const HistoryList& items) {
    // Sections of higher indexes from an earlier, longer list stay in the file: COUNT says
    // where reading stops.
    ProfileFile file = ProfileFile::load(path);
    file.writeString(texts::kSectionSystem, texts::kKeyCount, decimal(items.size()));
    for (std::size_t k = 0; k < items.size(); ++k) {
        const std::u16string section = itemSection(k);
        file.writeString(section, texts::kKeyVideoId, items[k].m_strVideoId);
        file.writeString(section, texts::kKeyTitle, items[k].m_strTitle);
        // A file without places stays as it was; a place left in the section by the record
        // that stood there before is overwritten.
        if (items[k].m_position != 0 || file.hasKey(section, texts::kKeyPosition))
            file.writeString(section, texts::kKeyPosition, decimal(items[k].m_position));
    }
    return file.save(path);
}

void HistoryStore::AddToHistory(HistoryItem item) {
    const bool present =
        std::any_of(m_items.begin(), m_items.end(), [&](const HistoryItem& existing) {
            return existing.m_strVideoId == item.m_strVideoId;
        });
    if (present) {
        return;
    }
    m_items.insert(m_items.begin(), std::move(item));
    if (m_items.size() > kLimit) {
        m_items.pop_back();
    }
    if (m_refill) {
        m_refill();
    }
    changed();
}

void HistoryStore::removeAt(std::size_t index) {
    if (index < m_items.size()) {
        m_items.erase(m_items.begin() + std::ptrdiff_t(index));
        changed();
    }
}

void HistoryStore::setTitle(std::size_t index, std::u16string title) {
    if (index < m_items.size() && m_items[index].m_strTitle != title) {
        m_items[index].m_strTitle = std::move(title);
        changed();
    }
}

int HistoryStore::placeOf(std::u16string_view videoId) const {
    const auto found = findFirst(m_items, videoId);
    return found == m_items.end() ? 0 : found->m_position;
}

bool HistoryStore::setPlace(std::u16string_view videoId, int seconds) {
    const auto found = findFirst(m_items, videoId);
    return found != m_items.end() && std::exchange(found->m_position, seconds) != seconds;
}

void HistoryStore::changed() const {
    if (m_changed) {
        m_changed();
    }
}

} // namespace kestrova
