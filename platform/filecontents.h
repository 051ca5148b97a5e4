#pragma once

#include <filesystem>
#include <string>
#include <variant>

// Whole-file reads that say why they failed.
namespace FileContents {

struct ReadError {
    int errorNumber = 0;
    std::string description;
};

// The bytes of `file` (following symbolic links), or why they could not be read.
std::variant<std::string, ReadError> read(const std::filesystem::path& file);

}  // namespace FileContents
