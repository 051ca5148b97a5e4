#include "agent/threatqueue.h"

#include <algorithm>

namespace {

// What a queued line costs beyond its text, measured: its start offset, about two index slots
// and the spare room of the containers.
constexpr std::size_t kBytesPerLine = 16;

}  // namespace

ThreatQueue::ThreatQueue() = default;

Threat ThreatQueue::at(std::size_t index) const {
    QUuid id = m_idBase;
    const std::uint64_t sequence = m_firstSequence + index;
    // The variant bits sit in data4[0]; the sequence goes into the six bytes after them.
    for (int byte = 0; byte < 6; ++byte) {
        id.data4[2 + byte] ^= static_cast<uchar>(sequence >> (8 * byte));
    }
    return Threat::fromReportLine(m_lines.at(index), id);
}

std::size_t ThreatQueue::room() const {
    const std::size_t used = m_lines.byteSize() + kBytesPerLine * m_lines.size();
    return used < kMaxQueuedBytes ? (kMaxQueuedBytes - used) / (kBytesPerLine + 1) + 1 : 0;
}

void ThreatQueue::handle(const std::string& line) {
    m_lines.pushBack(line);
    setCount();
    if (m_added) {
        m_added();
    }
}

void ThreatQueue::expect(std::size_t lines, std::size_t bytes) {
    const std::size_t room = this->room();
    m_lines.reserve(std::min(lines, room), std::min(bytes, kMaxQueuedBytes));
}

std::optional<Threat> ThreatQueue::threatOnShow() const {
    if (m_lines.size() <= m_closedUnacknowledged) {
        return std::nullopt;
    }
    return at(m_closedUnacknowledged);
}

std::optional<std::string> ThreatQueue::acknowledgeFirst() {
    if (m_lines.empty()) {
        return std::nullopt;
    }
    m_closedUnacknowledged -= std::min<std::size_t>(m_closedUnacknowledged, 1);
    std::string line = m_lines.popFront();
    ++m_firstSequence;
    setCount();
    return line;
}

void ThreatQueue::setCount() {
    m_count = static_cast<std::int64_t>(m_lines.size());
    // Observers that read on the first announcement see the old count; this one follows the store.
    m_objectWillChange.send();
}
