#pragma once

#include "profile/ProfileText.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace kestrova {

// The first section of each name, by section number, in an open-addressing table. The names
// stay with their owner: the calls that need one are given `nameOf`, which returns the name of
// a section number, so the table holds only numbers and hashes.
class SectionIndex {
public:
    static constexpr std::size_t npos = std::size_t(-1);

    void clear() {
        m_slots.clear();
        m_count = 0;
    }

    // Room for this many names without growing.
    void reserve(std::size_t names) {
        if (2 * names > m_slots.size()) {
            rehash(std::bit_ceil(std::max<std::size_t>(16, 2 * names)));
        }
    }

    template <typename NameOf>
    std::size_t find(std::u16string_view name, const NameOf& nameOf) const {
        return m_slots.empty() ? npos : findHashed(name, hashOf(name), nameOf);
    }

    // Adds the section unless one of its name is there already.
    template <typename NameOf>
    void insert(std::size_t section, const NameOf& nameOf) {
        const std::u16string_view name = nameOf(section);
        const std::uint32_t hash = hashOf(name);
        if (!m_slots.empty() && findHashed(name, hash, nameOf) != npos) {
            return;
        }
        if (2 * (m_count + 1) > m_slots.size()) {
            rehash(std::max<std::size_t>(16, 2 * m_slots.size()));
        }
        place({std::uint32_t(section + 1), hash});
    }

private:
    struct Slot {
        std::uint32_t section = 0; // section number + 1; 0 is empty
        std::uint32_t hash = 0;
    };

    static std::uint32_t hashOf(std::u16string_view name) {
        return std::uint32_t(profile_text::NameHash{}(name));
    }

    template <typename NameOf>
    std::size_t findHashed(std::u16string_view name, std::uint32_t hash,
                           const NameOf& nameOf) const {
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = hash & mask; m_slots[i].section != 0; i = (i + 1) & mask) {
            const std::size_t section = m_slots[i].section - 1;
            if (m_slots[i].hash == hash && profile_text::sameName(nameOf(section), name)) {
                return section;
            }
        }
        return npos;
    }

    void place(Slot slot) {
        const std::size_t mask = m_slots.size() - 1;
        std::size_t i = slot.hash & mask;
        while (m_slots[i].section != 0) {
            i = (i + 1) & mask;
        }
        m_slots[i] = slot;
        ++m_count;
    }

    void rehash(std::size_t size) {
        std::vector<Slot> old(size);
        old.swap(m_slots);
        m_count = 0;
        for (const Slot& slot : old) {
            if (slot.section != 0) {
                place(slot);
            }
        }
    }

    std::vector<Slot> m_slots; // a power of two in size, at most half full
    std::size_t m_count = 0;
};

} // namespace kestrova
