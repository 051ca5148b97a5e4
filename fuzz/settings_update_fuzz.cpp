// updateSettings on arbitrary settings.json bytes. Either it refuses, prints why and leaves the
// file exactly as it was (allowed only for nesting beyond what it keeps), or it reports the
// update and the new file holds the switch and every other top-level member of an old object,
// unchanged and in the same order.

#include "fuzzsupport.h"
#include "jsondepth.h"
#include "control/settingsfile.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

using Json = nlohmann::ordered_json;

// 256 levels, the top-level value included, are kept; a file nested deeper is refused.
constexpr std::size_t kKeptLevels = 256;
constexpr const char* kKey = "usbProtection";

}  // namespace

// The first byte picks the value (bit 0) and, with nothing after it, whether there is no file at
// all (bit 1); the rest is the file.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const bool value = (data[0] & 1) != 0;
    const std::string old(reinterpret_cast<const char*>(data + 1), size - 1);
    const bool noFile = old.empty() && (data[0] & 2) != 0;

    FuzzSupport::RecordingConsole console;
    const SettingsFile settings(FuzzSupport::scratchHome(), console);
    const auto file = settings.settingsFileUrl();
    FuzzSupport::writeBytes(file, old);
    if (noFile) {
        std::filesystem::remove(file);
    }

    settings.updateSettings(kKey, value);
    FUZZ_CHECK(console.lines.size() == 1);
    const std::string& line = console.lines.front();
    const std::string after = FuzzSupport::readBytes(file);
    const std::size_t depth = jsonBracketDepth(old);

    if (line.starts_with("Failed to update settings: ")) {
        FUZZ_CHECK(depth > kKeptLevels);
        FUZZ_CHECK(after == old);
        return 0;
    }
    FUZZ_CHECK(line == std::string("Updated usbProtection = ") + (value ? "true" : "false") +
                           " in settings.json");
    // Valid JSON nested deeper than what is kept must never be rewritten, or part of it is lost.
    FUZZ_CHECK(depth <= kKeptLevels || !Json::accept(old));

    const Json updated = Json::parse(after, nullptr, false);
    FUZZ_CHECK(updated.is_object());
    const auto member = updated.find(kKey);
    FUZZ_CHECK(member != updated.end() && *member == Json(value));
    FUZZ_CHECK(settings.readSettings().usbProtection == value);

    // What must have survived: the old object's members in their order, the switch appended
    // when it was not one of them. Anything else was replaced by an object with the switch only.
    Json expected = Json::parse(old, nullptr, false);
    if (!expected.is_object()) {
        expected = Json::object();
    }
    if (!expected.contains(kKey)) {
        expected[kKey] = value;
    }
    FUZZ_CHECK(updated.size() == expected.size());
    auto was = expected.items().begin();
    for (const auto& now : updated.items()) {
        FUZZ_CHECK(now.key() == was.key());
        if (now.key() == kKey) {
            FUZZ_CHECK(now.value() == Json(value));
        } else {
            FUZZ_CHECK(now.value() == was.value());
        }
        ++was;
    }
    return 0;
}
