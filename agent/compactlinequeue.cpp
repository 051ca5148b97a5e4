#include "agent/compactlinequeue.h"

#include <QByteArrayView>
#include <QHashFunctions>

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <utility>

namespace {

constexpr std::size_t kMaxArenaBytes = std::numeric_limits<std::uint32_t>::max();
// Tags are the nonzero 32-bit values, as 0 marks a free slot.
constexpr std::uint32_t kTagCount = std::numeric_limits<std::uint32_t>::max();
// Tags start just short of their wrap-around so that every run, tests included, takes it early
// instead of after four billion lines.
constexpr std::uint32_t kFirstTag = kTagCount - 15;
constexpr std::size_t kMinSlots = 16;
constexpr std::size_t kNotFound = std::numeric_limits<std::size_t>::max();

std::uint32_t nextTag(std::uint32_t tag) {
    return tag == kTagCount ? 1 : tag + 1;
}

void place(std::vector<std::uint32_t>& table, std::uint32_t tag, std::size_t hash) {
    const std::size_t mask = table.size() - 1;
    std::size_t slot = hash & mask;
    while (table[slot] != 0) {
        slot = (slot + 1) & mask;
    }
    table[slot] = tag;
}

}  // namespace

// The seed is taken once: the table would be lost if the global seed changed under it.
CompactLineQueue::CompactLineQueue() : m_seed(QHashSeed::globalSeed()), m_headTag(kFirstTag) {}

void CompactLineQueue::swap(CompactLineQueue& other) noexcept {
    std::swap(m_seed, other.m_seed);
    m_arena.swap(other.m_arena);
    m_starts.swap(other.m_starts);
    std::swap(m_head, other.m_head);
    std::swap(m_headTag, other.m_headTag);
    m_slots.swap(other.m_slots);
    std::swap(m_hint, other.m_hint);
}

void CompactLineQueue::pushBack(std::string_view line) {
    if (line.size() > kMaxArenaBytes - m_arena.size()) {
        throw std::length_error("CompactLineQueue: more than 4 GiB of lines");
    }
    if ((size() + 1) * 2 > m_slots.size()) {
        rehash(std::max(kMinSlots, m_slots.size() * 2));
    }
    m_starts.push_back(static_cast<std::uint32_t>(m_arena.size()));
    try {
        m_arena.append(line);
    } catch (...) {
        m_starts.pop_back();
        throw;
    }
    place(m_slots, tagAt(size() - 1), hashOf(line));
}

void CompactLineQueue::reserve(std::size_t lines, std::size_t bytes) {
    m_arena.reserve(m_arena.size() + std::min(bytes, kMaxArenaBytes - m_arena.size()));
    m_starts.reserve(m_starts.size() + lines);
    std::size_t slotCount = std::max(kMinSlots, m_slots.size());
    while (slotCount < (size() + lines) * 2) {
        slotCount *= 2;
    }
    if (slotCount > m_slots.size()) {
        rehash(slotCount);
    }
}

std::string CompactLineQueue::popFront() {
    std::string line(front());
    const std::size_t mask = m_slots.size() - 1;
    std::size_t slot = hashOf(line) & mask;
    while (m_slots[slot] != m_headTag) {
        slot = (slot + 1) & mask;
    }
    eraseSlot(slot);
    ++m_head;
    m_headTag = nextTag(m_headTag);
    if (m_hint > 0) {
        --m_hint;
    }
    if (empty()) {
        // Hand a flood's memory back once the user has dealt with all of it.
        CompactLineQueue().swap(*this);
    } else if (m_starts[m_head] + m_head * sizeof(std::uint32_t) >=
               byteSize() + size() * sizeof(std::uint32_t)) {
        // Moving the queued part costs no more than what was popped since the last move.
        reclaimPopped();
    }
    return line;
}

std::string_view CompactLineQueue::at(std::size_t index) const {
    const std::size_t entry = m_head + index;
    const std::size_t begin = m_starts[entry];
    const std::size_t end = entry + 1 < m_starts.size() ? m_starts[entry + 1] : m_arena.size();
    return {m_arena.data() + begin, end - begin};
}

bool CompactLineQueue::contains(std::string_view line) const {
    if (m_hint < size() && at(m_hint) == line) {
        ++m_hint;
        return true;
    }
    const std::size_t index = find(line);
    if (index == kNotFound) {
        return false;
    }
    m_hint = index + 1;
    return true;
}

std::size_t CompactLineQueue::hashOf(std::string_view line) const {
    return qHash(QByteArrayView(line.data(), static_cast<qsizetype>(line.size())), m_seed);
}

std::uint32_t CompactLineQueue::tagAt(std::size_t index) const {
    // index < kTagCount, so one subtraction brings the sum back into range.
    std::size_t zeroBased = m_headTag - 1 + index;
    if (zeroBased >= kTagCount) {
        zeroBased -= kTagCount;
    }
    return static_cast<std::uint32_t>(zeroBased + 1);
}

std::size_t CompactLineQueue::indexOfTag(std::uint32_t tag) const {
    return tag >= m_headTag ? tag - m_headTag : tag + (kTagCount - m_headTag);
}

std::size_t CompactLineQueue::find(std::string_view line) const {
    if (m_slots.empty()) {
        return kNotFound;
    }
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t slot = hashOf(line) & mask; m_slots[slot] != 0; slot = (slot + 1) & mask) {
        const std::size_t index = indexOfTag(m_slots[slot]);
        if (at(index) == line) {
            return index;
        }
    }
    return kNotFound;
}

void CompactLineQueue::rehash(std::size_t slotCount) {
    std::vector<std::uint32_t> table(slotCount, 0);
    for (std::size_t index = 0; index < size(); ++index) {
        place(table, tagAt(index), hashOf(at(index)));
    }
    m_slots.swap(table);
}

// Backward shift: each later entry of the cluster whose probe may pass the hole moves into it,
// so that lookups never meet a gap before their line and no slot is left marked as deleted.
void CompactLineQueue::eraseSlot(std::size_t hole) {
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t slot = (hole + 1) & mask; m_slots[slot] != 0; slot = (slot + 1) & mask) {
        const std::size_t home = hashOf(at(indexOfTag(m_slots[slot]))) & mask;
        // It stays unless its home lies cyclically in (hole, slot].
        if (((slot - home) & mask) >= ((slot - hole) & mask)) {
            m_slots[hole] = m_slots[slot];
            hole = slot;
        }
    }
    m_slots[hole] = 0;
}

void CompactLineQueue::reclaimPopped() {
    const std::uint32_t popped = m_starts[m_head];
    m_arena.erase(0, popped);
    m_starts.erase(m_starts.begin(), m_starts.begin() + static_cast<std::ptrdiff_t>(m_head));
    for (auto& start : m_starts) {
        start -= popped;
    }
    m_head = 0;
}
