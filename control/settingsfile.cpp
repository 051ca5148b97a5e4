#include "settingsfile.h"

#include "atomicfile.h"
#include "console.h"
#include "filecontents.h"
#include "productlocations.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <system_error>
#include <variant>

namespace {

using Json = nlohmann::ordered_json;

// Deep enough for any real settings; shallow enough that copying and printing, which recurse,
// cannot exhaust the stack.
constexpr int kMaxDepth = 256;

// The JSON object in `bytes`, or a discarded value when they hold none. Whatever is nested
// deeper than kMaxDepth is dropped and `truncated` says so.
Json parseObject(const std::string& bytes, bool& truncated) {
    truncated = false;
    // The parser itself is iterative; the callback drops whatever is nested too deep so that
    // the tree we keep stays shallow. The top-level switches survive either way.
    const auto limitDepth = [&truncated](int depth, Json::parse_event_t event, Json&) {
        const bool opens =
            event == Json::parse_event_t::object_start || event == Json::parse_event_t::array_start;
        if (opens && depth >= kMaxDepth) {
            truncated = true;
            return false;
        }
        return true;
    };
    Json parsed = Json::parse(bytes, limitDepth, false);
    return parsed.is_object() ? parsed : Json(Json::value_t::discarded);
}

bool booleanMember(const Json& object, const char* key) {
    const auto member = object.find(key);
    return member != object.end() && member->is_boolean() && member->get<bool>();
}

}  // namespace

SettingsFile::SettingsFile(const std::filesystem::path& homeDirectory, Console& console)
    : m_settingsFile(ProductLocations::dataFile(homeDirectory, ProductLocations::kSettingsFile)),
      m_console(console) {}

ProtectionSettings SettingsFile::readSettings() const {
    const std::filesystem::path& file = m_settingsFile;
    const auto stamp = FileStamp::ofSettledFile(file);
    if (stamp && stamp == m_readStamp) {
        return m_readSettings;
    }
    m_readStamp.reset();
    m_readSettings = {};
    const auto bytes = FileContents::read(file);
    if (const auto* text = std::get_if<std::string>(&bytes)) {
        m_readStamp = stamp;
        bool truncated = false;
        const Json object = parseObject(*text, truncated);
        if (!object.is_discarded()) {
            m_readSettings = {booleanMember(object, "realTimeProtection"),
                              booleanMember(object, "usbProtection")};
        }
    }
    return m_readSettings;
}

void SettingsFile::updateSettings(const std::string& key, bool value) const {
    const std::filesystem::path& file = m_settingsFile;
    Json settings = Json::object();
    const auto bytes = FileContents::read(file);
    if (const auto* error = std::get_if<FileContents::ReadError>(&bytes)) {
        // Writing now would drop members we could not see; a missing file is simply new.
        if (error->errorNumber != ENOENT) {
            m_console.printLine("Failed to update settings: " + error->description);
            return;
        }
    } else {
        bool truncated = false;
        Json object = parseObject(std::get<std::string>(bytes), truncated);
        if (truncated) {
            m_console.printLine("Failed to update settings: \"" + file.string() +
                                "\" nests values deeper than " + std::to_string(kMaxDepth) +
                                " levels and is left as it is");
            return;
        }
        if (!object.is_discarded()) {
            settings = std::move(object);
        }
    }
    settings[key] = value;
    const std::string text = settings.dump(2);

    std::error_code folderError;
    std::filesystem::create_directories(file.parent_path(), folderError);
    if (folderError) {
        m_console.printLine("Failed to update settings: Could not create folder \"" +
                            file.parent_path().string() + "\": " + folderError.message());
        return;
    }
    if (const auto writeError = AtomicFile::write(file, text)) {
        m_console.printLine("Failed to update settings: " + *writeError);
        return;
    }
    m_console.printLine("Updated " + key + " = " + (value ? "true" : "false") +
                        " in settings.json");
}
