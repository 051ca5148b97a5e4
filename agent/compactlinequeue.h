#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A first-in first-out queue of distinct lines that also answers "is this line queued?" in
// constant time. A scanner may report millions of lines at once, so the lines share one buffer
// and the index holds four bytes per slot instead of a node per line.
//
// Holds at most 4 GiB of line text (including popped lines not yet reclaimed); a push past that
// throws std::length_error, as a full std container would. `contains` updates a lookup hint, so
// even const calls must not run concurrently.
class CompactLineQueue final {
public:
    CompactLineQueue();
    // A copy of a flood of lines is never wanted.
    CompactLineQueue(const CompactLineQueue&) = delete;
    CompactLineQueue& operator=(const CompactLineQueue&) = delete;
    CompactLineQueue(CompactLineQueue&&) = delete;
    CompactLineQueue& operator=(CompactLineQueue&&) = delete;
    ~CompactLineQueue() = default;

    // Precondition: `line` is not empty and `!contains(line)`.
    void pushBack(std::string_view line);
    // Makes room for `lines` more lines of `bytes` in all at once: growing the index one doubling
    // at a time would rehash every queued line in the middle of a flood.
    void reserve(std::size_t lines, std::size_t bytes);
    // Precondition: not empty. Views returned below stay valid until the next push or pop.
    std::string popFront();
    std::string_view front() const { return at(0); }
    // Index 0 is the oldest line; precondition: `index < size()`.
    std::string_view at(std::size_t index) const;

    std::size_t size() const { return m_starts.size() - m_head; }
    bool empty() const { return size() == 0; }
    // The total length of the queued lines.
    std::size_t byteSize() const { return empty() ? 0 : m_arena.size() - m_starts[m_head]; }

    // Costs one comparison when `line` follows the one found last, as in a walk over a file
    // whose lines come in queue order; a hash lookup otherwise.
    bool contains(std::string_view line) const;

private:
    std::size_t hashOf(std::string_view line) const;
    std::uint32_t tagAt(std::size_t index) const;
    std::size_t indexOfTag(std::uint32_t tag) const;
    std::size_t find(std::string_view line) const;
    void rehash(std::size_t slotCount);
    void eraseSlot(std::size_t hole);
    void reclaimPopped();
    void swap(CompactLineQueue& other) noexcept;

    std::size_t m_seed;
    // The lines back to back, without separators, oldest first; popped ones stay in front until
    // reclaimed.
    std::string m_arena;
    // Where each line of m_arena starts; it ends where the next one starts. 32 bits halve the
    // cost per line against 64, and m_arena never exceeds 4 GiB.
    std::vector<std::uint32_t> m_starts;
    // The m_starts entry of the oldest queued line.
    std::size_t m_head = 0;
    // Each queued line has a tag that follows the one of the line before it, cycling through
    // the nonzero 32-bit values; this is the oldest line's. With fewer lines than tags a tag
    // names one line, and its distance from the head tag is the line's index.
    std::uint32_t m_headTag;
    // Open addressing with linear probing: the tag of a line, or 0 for a free slot.
    std::vector<std::uint32_t> m_slots;
    // The index of the line most likely to be looked up next.
    mutable std::size_t m_hint = 0;
};
