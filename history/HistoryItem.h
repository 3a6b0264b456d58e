#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrova {

// One played video. The four integers travel with every copy but nothing reads them and they
// never reach the file; they are kept so the record keeps the Windows program's shape and
// defaults. Where the video was left is a member of its own, since nothing tells what the
// Windows program meant the four for.
struct HistoryItem {
    std::u16string m_strVideoId;
    std::u16string m_strTitle;
    std::int32_t m_nUnused1 = 0;
    std::int32_t m_nUnused2 = 80;
    std::int32_t m_nUnused3 = 0;
    std::int32_t m_nUnused4 = 0;
    int m_position = 0; // whole seconds from the start
};

// Newest first: index 0 is the video played last.
using HistoryList = std::vector<HistoryItem>;

} // namespace kestrova
