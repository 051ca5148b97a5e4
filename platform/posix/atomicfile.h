#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Replaces whole files so that a reader sees the old or the new content, never a mix.
namespace AtomicFile {

// Writes `contents` to a fresh temporary file beside `target`, flushes it to disk and renames
// it over `target`. A symbolic link is written through to the file it names, and the file keeps
// its permission bits. Returns a description of the failure, or nothing on success.
std::optional<std::string> write(const std::filesystem::path& target, std::string_view contents);

}  // namespace AtomicFile
