#pragma once

#include "platform/ProfileText.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace kestrova {

// The first section of each name, by section number, in an open-addressing table. The names
// stay with their owner: every call is given `nameOf`, which returns the name of a section
// number, so the table holds no strings of its own.
class SectionIndex {
public:
    static constexpr std::size_t npos = std::size_t(-1);

    void clear() {
        m_slots.clear();
        m_count = 0;
    }

    template <typename NameOf>
    std::size_t find(std::u16string_view name, const NameOf& nameOf) const {
        if (m_slots.empty()) {
            return npos;
        }
        for (std::size_t i = slotOf(name);; i = (i + 1) & (m_slots.size() - 1)) {
            if (m_slots[i] == 0) {
                return npos;
            }
            if (profile_text::sameName(nameOf(m_slots[i] - 1), name)) {
                return m_slots[i] - 1;
            }
        }
    }

    // Adds the section unless one of its name is there already.
    template <typename NameOf>
    void insert(std::size_t section, const NameOf& nameOf) {
        if (find(nameOf(section), nameOf) != npos) {
            return;
        }
        if (2 * (m_count + 1) > m_slots.size()) {
            grow(nameOf);
        }
        place(section, nameOf(section));
    }

private:
    std::size_t slotOf(std::u16string_view name) const {
        return profile_text::NameHash{}(name) & (m_slots.size() - 1);
    }

    void place(std::size_t section, std::u16string_view name) {
        std::size_t i = slotOf(name);
        while (m_slots[i] != 0) {
            i = (i + 1) & (m_slots.size() - 1);
        }
        m_slots[i] = std::uint32_t(section + 1);
        ++m_count;
    }

    template <typename NameOf>
    void grow(const NameOf& nameOf) {
        std::vector<std::uint32_t> old(std::max<std::size_t>(16, 2 * m_slots.size()), 0);
        old.swap(m_slots);
        m_count = 0;
        for (const std::uint32_t slot : old) {
            if (slot != 0) {
                place(slot - 1, nameOf(slot - 1));
            }
        }
    }

    std::vector<std::uint32_t> m_slots; // section number + 1; 0 is empty
    std::size_t m_count = 0;
};

} // namespace kestrova
