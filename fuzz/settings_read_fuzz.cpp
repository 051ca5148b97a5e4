// readSettings on arbitrary settings.json bytes: it must never crash or print, and whenever the
// bytes parse as an object it must agree with a plain reading of the two switches. Nesting does
// not change that: only the top-level members count, and those are never cut off.

#include "fuzzsupport.h"
#include "control/settingsfile.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

bool isTrue(const nlohmann::json& object, const char* key) {
    const auto member = object.find(key);
    return member != object.end() && *member == nlohmann::json(true);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    FuzzSupport::RecordingConsole console;
    const SettingsFile settings(FuzzSupport::scratchHome(), console);
    FuzzSupport::writeBytes(settings.settingsFileUrl(), bytes);

    const ProtectionSettings read = settings.readSettings();
    FUZZ_CHECK(console.lines.empty());

    // The plain tree is built iteratively and only its top level is looked at, so any depth the
    // fuzzer can produce is safe here.
    const auto plain = nlohmann::json::parse(bytes, nullptr, false);
    if (plain.is_object()) {
        FUZZ_CHECK(read.realTimeProtection == isTrue(plain, "realTimeProtection"));
        FUZZ_CHECK(read.usbProtection == isTrue(plain, "usbProtection"));
    } else {
        FUZZ_CHECK(!read.realTimeProtection && !read.usbProtection);
    }
    return 0;
}
