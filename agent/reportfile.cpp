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

ReportFile::Reading ReportFile::readPiece() {
    if (!m_reader) {
        auto opened = m_files.openForReading(m_path);
        if (std::holds_alternative<FileError>(opened)) {
            m_text = {};
            return Reading::Failed;
        }
        m_reader = std::move(std::get<std::unique_ptr<FileReader>>(opened));
        m_text.clear();
    }
    const auto read = m_reader->readPiece(m_text, kBytesPerPiece);
    if (std::holds_alternative<bool>(read) && !std::get<bool>(read)) {
        return Reading::InProgress;
    }
    m_reader.reset();
    auto decoded =
        std::holds_alternative<bool>(read) ? ReportText::decode(std::move(m_text)) : std::nullopt;
    if (!decoded) {
        m_text = {};
        return Reading::Failed;
    }
    m_text = std::move(*decoded);
    // The room a read needed beyond the text (a flood, or one read-ahead chunk) is given back:
    // the text is kept for the agent's whole session, and is read again only when it changes.
    constexpr std::size_t kSpareBytes = std::size_t{4} << 10;
    if (m_text.capacity() > 2 * m_text.size() + kSpareBytes) {
        m_text.shrink_to_fit();
    }
    return Reading::Done;
}

std::optional<FileStamp> ReportFile::settledStamp() const {
    return m_files.settledStamp(m_path, m_runLoop.nowNanos());
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
        m_reader.reset();
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
