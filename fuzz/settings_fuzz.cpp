// settings.json of arbitrary bytes, read and updated. Reading agrees with a plain parse of the
// top level. An update is refused exactly when the parser gets deeper than the levels kept, and
// otherwise holds the switch and every other top-level member of an old object, unchanged and in
// the same order; anything else is replaced by an object with the switch only.

#include "control/settingsjson.h"
#include "fuzzsupport.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>

using Json = nlohmann::ordered_json;

// The first byte picks the value (bit 0), no file at all when nothing follows (bit 1) and the
// switch (bit 2); the rest is the file.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const bool value = (data[0] & 1) != 0;
    const std::string_view old(reinterpret_cast<const char*>(data + 1), size - 1);
    const bool noFile = old.empty() && (data[0] & 2) != 0;
    const char* key = (data[0] & 4) != 0 ? "realTimeProtection" : "usbProtection";

    // The library's parser keeps its own stack, so any depth is safe here.
    int levels = 0;
    const auto countLevels = [&levels](int depth, Json::parse_event_t event, Json&) {
        const bool opens =
            event == Json::parse_event_t::object_start || event == Json::parse_event_t::array_start;
        levels = std::max(levels, depth + (opens ? 1 : 0));
        return true;
    };
    const Json plain = Json::parse(old, countLevels, false);
    const Json object = plain.is_object() ? plain : Json::object();

    const auto read = SettingsJson::readSwitches(old);
    FUZZ_CHECK(read.realTimeProtection == (object.value("realTimeProtection", Json()) == true));
    FUZZ_CHECK(read.usbProtection == (object.value("usbProtection", Json()) == true));

    const auto updated = SettingsJson::withSwitch(
        noFile ? std::nullopt : std::optional<std::string_view>(old), key, value);
    const bool refused = std::holds_alternative<SettingsJson::UpdateRefusal>(updated);
    FUZZ_CHECK(refused == (levels > SettingsJson::kKeptLevels));
    if (refused) {
        return 0;
    }
    Json expected = object;
    expected[key] = value;
    // Ordered objects are equal only with their members in the same order.
    FUZZ_CHECK(Json::parse(std::get<std::string>(updated), nullptr, false) == expected);
    return 0;
}
