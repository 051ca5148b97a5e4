#pragma once

#include "platform/ports/console.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

// Shared by the fuzz targets: a scratch home that lives as long as the process, a console that
// keeps what is printed, whole-file helpers and a check that aborts so that libFuzzer saves the
// input that broke it.
namespace FuzzSupport {

[[noreturn]] inline void fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: property violated: %s\n", file, line, what);
    std::abort();
}

// One folder for the whole run: creating one per input would cost more than the code under test.
// It follows TMPDIR, so a run can put it on a memory file system.
inline const std::filesystem::path& scratchHome() {
    static const std::filesystem::path home = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "helper-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        return std::filesystem::path(pattern);
    }();
    static const struct Remover {
        ~Remover() {
            std::error_code ignored;
            std::filesystem::remove_all(home, ignored);
        }
    } remover;
    return home;
}

inline std::string readBytes(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::filesystem::path& file, std::string_view bytes) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream stream(file, std::ios::binary | std::ios::trunc);
    stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!stream.flush()) {
        std::perror("write");
        std::abort();
    }
}

class RecordingConsole final : public Console {
public:
    void printLine(std::string_view line) override { lines.emplace_back(line); }

    std::vector<std::string> lines;
};

}  // namespace FuzzSupport

#define FUZZ_CHECK(condition) \
    ((condition) ? static_cast<void>(0) : FuzzSupport::fail(#condition, __FILE__, __LINE__))
