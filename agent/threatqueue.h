#pragma once

#include "agent/compactlinequeue.h"
#include "agent/observable.h"
#include "agent/reportledger.h"
#include "agent/threat.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// The detected threats waiting for the user, oldest first, with their published count. A record
// is kept as its report line alone: its fields follow from it. Closing the popover that shows the
// oldest record marks it closed; its acknowledgement half a second later removes it.
class ThreatQueue final : public ReportLedger {
public:
    // A flood of lines beyond this waits in the report file until records are acknowledged; two
    // million short lines fit.
    static constexpr std::size_t kMaxQueuedBytes = std::size_t{80} * 1024 * 1024;

    ThreatQueue();

    // Announced before and after every change of the count.
    ChangeSignal& objectWillChange() { return m_objectWillChange; }
    std::int64_t count() const { return m_count.get(); }
    std::size_t size() const { return m_lines.size(); }
    Threat at(std::size_t index) const;

    // Runs `handler` after each record added.
    void setAddedHandler(std::function<void()> handler) { m_added = std::move(handler); }

    bool isHandled(std::string_view line) const override { return m_lines.contains(line); }
    std::size_t room() const override;
    // Adds the record for `line` at the end.
    void handle(const std::string& line) override;
    void expect(std::size_t lines, std::size_t bytes) override;

    // The record a threat popover shows: the oldest one the user has not closed yet, which is
    // the one its Close acknowledges.
    std::optional<Threat> threatOnShow() const;
    // The user closed the popover that showed threatOnShow().
    void closeShown() { ++m_closedUnacknowledged; }
    // Removes the oldest record and returns its line; nothing when there is none.
    std::optional<std::string> acknowledgeFirst();

private:
    void setCount();

    ChangeSignal m_objectWillChange;
    Published<std::int64_t> m_count{m_objectWillChange, 0};
    CompactLineQueue m_lines;
    // Records get ids that differ in their low bits from one random base: unique per record and
    // per process, without storing one per record.
    QUuid m_idBase = QUuid::createUuid();
    std::uint64_t m_firstSequence = 0;
    std::size_t m_closedUnacknowledged = 0;
    std::function<void()> m_added;
};
