// A report file of arbitrary bytes loses one entry: every copy of it goes, every other entry
// stays in order, and the file reads back as exactly those entries, also when the first one now
// starts with U+FEFF or the old file opened with a byte-order mark.

#include "agent/reportfile.h"
#include "agent/reporttext.h"
#include "fakes/virtualrunloop.h"
#include "fuzzsupport.h"

#include <algorithm>
#include <cstdint>

namespace {

using Path = std::filesystem::path;
constexpr std::string_view kMark = "\xEF\xBB\xBF";

// The text of `report`, or nothing: the file in memory comes in one piece.
std::optional<std::string> readText(ReportFile& report) {
    return report.readPiece() == ReportFile::Reading::Done
               ? std::optional(std::string(report.text()))
               : std::nullopt;
}

// One file in memory: the text rules are what is fuzzed here, not the disk.
class MemoryFile final : public FileSystem {
public:
    std::string bytes;

    std::optional<FileStamp> stamp(const Path&) override { return {}; }
    std::variant<std::unique_ptr<FileReader>, FileError> openForReading(const Path&) override {
        struct Whole final : FileReader {
            std::string bytes;
            std::variant<bool, FileError> readPiece(std::string& out, std::size_t) override {
                out += bytes;
                return true;
            }
        };
        auto reader = std::make_unique<Whole>();
        reader->bytes = bytes;
        return reader;
    }
    std::optional<FileError> replace(const Path&, std::string_view) override { return {}; }
    std::variant<std::unique_ptr<ReplacedFile>, FileError> rewrite(const Path&,
                                                                   const Edit& edit) override {
        bytes = edit(bytes).value_or(bytes);
        return nullptr;
    }
    void removeLeftovers(const Path&) override {}
};

}  // namespace

// The first byte picks the entry to remove (bits 0-6); with bit 7 set, one byte is cut off it,
// which usually leaves a near miss that must take nothing out.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string old(reinterpret_cast<const char*>(data) + 1, size - 1);
    MemoryFile file;
    file.bytes = old;
    VirtualRunLoop runLoop;
    ReportFile report(file, runLoop, "report.txt");
    const auto text = readText(report);
    const auto entries = text ? ReportText::split(*text) : std::vector<std::string>{};
    std::string target = entries.empty() ? "absent" : entries[(data[0] & 0x7F) % entries.size()];
    if ((data[0] & 0x80) != 0) {
        target.pop_back();
    }
    FUZZ_CHECK(!report.removeEntry(target).has_value());

    std::vector<std::string> kept;
    std::ranges::copy_if(entries, std::back_inserter(kept), [&](auto& e) { return e != target; });
    std::string joined;
    for (const auto& entry : kept) {
        joined += (joined.empty() ? "" : "\n") + entry;
    }
    // Not text: left alone. Text: UTF-8 with a mark only where U+FEFF would pass for one.
    const std::string mark(joined.starts_with(kMark) ? kMark : "");
    FUZZ_CHECK(file.bytes == (text ? mark + joined : old));
    FUZZ_CHECK(!text || ReportText::split(readText(report).value()) == kept);
    return 0;
}
