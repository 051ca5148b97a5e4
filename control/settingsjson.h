#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>

// settings.json read and rewritten in time linear in its size, whatever it holds. Pure functions
// on the file's bytes; reading and writing the file is the caller's.
namespace SettingsJson {

struct ProtectionSwitches {
    bool realTimeProtection = false;
    bool usbProtection = false;
};

// Levels an update carries over, the top-level value being the first. Printing and copying the
// tree recurse, so anything deeper is refused rather than risk the stack.
inline constexpr int kKeptLevels = 256;

// Why an update must leave the file as it is. `reason` follows the file's quoted path, as in
// "\"<path>\" " + reason.
struct UpdateRefusal {
    std::string reason;
};

// The switches of a top-level JSON object: each is on only when its member (the last one of
// that name) is the boolean true. Anything else, malformed bytes included, reads as both off.
ProtectionSwitches readSwitches(std::string_view bytes);

// The new text of settings.json with member `key` set to `value`: an existing member keeps its
// place, a new one goes last, every other member and value is kept as it was. Content that is
// no JSON object, or no file at all (nullopt), gives an object with `key` only. Refused when the
// bytes nest deeper than kKeptLevels.
std::variant<std::string, UpdateRefusal> withSwitch(std::optional<std::string_view> existingBytes,
                                                    std::string_view key, bool value);

}  // namespace SettingsJson
