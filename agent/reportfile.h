#pragma once

#include "platform/ports/filesystem.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class RunLoop;

// One of the scanner's report files: the scanner appends entries, the agent takes them out.
class ReportFile final {
public:
    // How much of a file is read at a time: a few milliseconds' work.
    static constexpr std::size_t kBytesPerPiece = std::size_t{4} << 20;

    enum class Reading { InProgress, Done, Failed };

    ReportFile(FileSystem& files, RunLoop& runLoop, std::filesystem::path path);

    // Reads the next piece of the file, opening it first when no read is under way. Done: text()
    // holds the whole file. Failed: it cannot be read, or not as text.
    Reading readPiece();
    // The text of the file as last read whole. Valid until the next read.
    std::string_view text() const { return m_text; }
    // The file's stamp once it has been left alone long enough to be trusted; nothing otherwise.
    std::optional<FileStamp> settledStamp() const;

    // Rewrites the file without any copy of `entry`, dropping blank lines and the final line
    // feed. Entries the scanner appends meanwhile are kept. Returns a description of a failed
    // write; a file that cannot be read is left alone silently. A read under way starts over on
    // the new file: the old one still holds what was just taken out.
    std::optional<std::string> removeEntry(const std::string& entry);
    // Carries what a scanner wrote into files replaced in the last two seconds over to the file
    // now at the path; a scanner that opened the old file just before the replace still writes
    // there. Called once a second.
    void carryOverLateAppends();

    const std::filesystem::path& path() const { return m_path; }

private:
    struct Replaced {
        std::unique_ptr<ReplacedFile> file;
        std::int64_t watchedUntilNanos = 0;
    };

    FileSystem& m_files;
    RunLoop& m_runLoop;
    std::filesystem::path m_path;
    std::vector<Replaced> m_replaced;
    std::unique_ptr<FileReader> m_reader;
    // Kept between reads: a flood-sized file read into fresh memory every second would cost more
    // in page faults than the reading itself.
    std::string m_text;
};
