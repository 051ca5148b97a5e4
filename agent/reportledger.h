#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>

// The owner of a report file's handled lines, as its feed sees it.
class ReportLedger {
public:
    ReportLedger() = default;
    ReportLedger(const ReportLedger&) = delete;
    ReportLedger& operator=(const ReportLedger&) = delete;
    virtual ~ReportLedger() = default;

    // Whether `line` was handled and is not to be handled again.
    virtual bool isHandled(std::string_view line) const = 0;
    // How many more lines it can take now; the others wait in the file.
    virtual std::size_t room() const = 0;
    // Takes a line that is not handled yet; afterwards it is.
    virtual void handle(const std::string& line) = 0;
    // About `lines` new lines of `bytes` in all wait to be handled over the next ticks.
    virtual void expect(std::size_t /*lines*/, std::size_t /*bytes*/) {}
};

// A ledger that only remembers which lines it handled, and hands each new one on.
class ProcessedLines final : public ReportLedger {
public:
    using Room = std::function<std::size_t()>;
    using Handler = std::function<void(const std::string&)>;

    ProcessedLines(Room room, Handler handler)
        : m_room(std::move(room)), m_handler(std::move(handler)) {}

    bool isHandled(std::string_view line) const override { return m_lines.contains(line); }
    std::size_t room() const override { return m_room(); }
    void handle(const std::string& line) override {
        m_lines.insert(line);
        m_handler(line);
    }
    // Lets `line` count as new again.
    void forget(const std::string& line) { m_lines.erase(line); }

    const auto& lines() const { return m_lines; }

private:
    // Looks lines up by view, without copying them.
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view line) const {
            return std::hash<std::string_view>{}(line);
        }
    };

    Room m_room;
    Handler m_handler;
    std::unordered_set<std::string, Hash, std::equal_to<>> m_lines;
};
