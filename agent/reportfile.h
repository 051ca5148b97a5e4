#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// One of the scanner's report files: the scanner appends entries, the agent takes them out.
class ReportFile final {
public:
    ReportFile(const std::filesystem::path& homeDirectory, std::string_view fileName);

    // The file's text, or nothing when it cannot be read as text.
    std::optional<std::string> readText() const;

    // Rewrites the file without any copy of `entry`, dropping blank lines and the final line
    // feed. Entries the scanner appends meanwhile are kept. Returns a description of a failed
    // write; a file that cannot be read is left alone silently.
    std::optional<std::string> removeEntry(const std::string& entry) const;

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};
