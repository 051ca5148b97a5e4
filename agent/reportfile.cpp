#include "agent/reportfile.h"

#include "agent/reporttext.h"
#include "platform/ports/runloop.h"

#include <string_view>

namespace {

// How long a replaced file is watched for late appends.
constexpr std::int64_t kLateAppendWatchNanos = 2'000'000'000;
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

ReportFile::ReportFile(FileSystem& files, RunLoop& runLoop, std::filesystem::path path)
    : m_files(files), m_runLoop(runLoop), m_path(std::move(path)) {}

std::optional<std::string_view> ReportFile::readText() {
    // Memory a flood needed is given back once the file is small again.
    constexpr std::size_t kSpareBytes = std::size_t{1} << 20;
    if (m_files.read(m_path, m_text)) {
        m_text = {};
        return std::nullopt;
    }
    auto decoded = ReportText::decode(std::move(m_text));
    if (!decoded) {
        m_text = {};
        return std::nullopt;
    }
    m_text = std::move(*decoded);
    if (m_text.capacity() > 2 * m_text.size() + kSpareBytes) {
        m_text.shrink_to_fit();
    }
    return m_text;
}

std::optional<FileStamp> ReportFile::settledStamp() const {
    auto stamp = m_files.stamp(m_path);
    if (stamp && stamp->isSettledAt(m_runLoop.nowNanos())) {
        return stamp;
    }
    return std::nullopt;
}

std::optional<std::string> ReportFile::removeEntry(const std::string& entry) {
    auto result =
        m_files.rewrite(m_path, [&entry](std::string bytes) -> std::optional<std::string> {
            auto text = ReportText::decode(std::move(bytes));
            if (!text) {
                return std::nullopt;
            }
            ReportText::removeEntry(*text, entry);
            // Read back, a U+FEFF that now opens the file would pass for a byte-order mark and be
            // dropped from its entry; a mark in front of it is dropped instead.
            if (text->starts_with(kUtf8ByteOrderMark)) {
                text->insert(0, kUtf8ByteOrderMark);
            }
            return text;
        });
    if (auto* error = std::get_if<FileError>(&result)) {
        return error->description;
    }
    if (auto& replaced = std::get<std::unique_ptr<ReplacedFile>>(result)) {
        m_replaced.push_back({std::move(replaced), m_runLoop.nowNanos() + kLateAppendWatchNanos});
    }
    return std::nullopt;
}

void ReportFile::carryOverLateAppends() {
    const std::int64_t now = m_runLoop.nowNanos();
    std::erase_if(m_replaced, [now](Replaced& replaced) {
        replaced.file->carryOverLateAppends();
        // One last look after the watch ended catches what came in its final second.
        return now > replaced.watchedUntilNanos;
    });
}
