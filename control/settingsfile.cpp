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

struct Parsed {
    Json object;  // an object, or discarded when the text is not a JSON object
    bool truncated = false;  // values nested deeper than kMaxDepth were dropped
};

Parsed parse(const std::string& bytes) {
    Parsed parsed;
    // The parser itself is iterative; the callback drops whatever is nested too deep so that
    // the tree we keep stays shallow. The top-level switches survive either way.
    const auto limitDepth = [&parsed](int depth, Json::parse_event_t event, Json&) {
        const bool opens = event == Json::parse_event_t::object_start ||
                           event == Json::parse_event_t::array_start;
        if (opens && depth > kMaxDepth) {
            parsed.truncated = true;
            return false;
        }
        return true;
    };
    parsed.object = Json::parse(bytes, limitDepth, false);
    if (!parsed.object.is_object()) {
        parsed.object = Json(Json::value_t::discarded);
    }
    return parsed;
}

bool booleanMember(const Json& object, const char* key) {
    const auto member = object.find(key);
    return member != object.end() && member->is_boolean() && member->get<bool>();
}

}  // namespace

SettingsFile::SettingsFile(std::filesystem::path homeDirectory, Console& console)
    : m_homeDirectory(std::move(homeDirectory)), m_console(console) {}

std::filesystem::path SettingsFile::settingsFileUrl() const {
    return ProductLocations::dataFile(m_homeDirectory, ProductLocations::kSettingsFile);
}

ProtectionSettings SettingsFile::readSettings() const {
    const auto bytes = FileContents::read(settingsFileUrl());
    if (const auto* text = std::get_if<std::string>(&bytes)) {
        const Parsed parsed = parse(*text);
        if (!parsed.object.is_discarded()) {
            return {booleanMember(parsed.object, "realTimeProtection"),
                    booleanMember(parsed.object, "usbProtection")};
        }
    }
    return {};
}

void SettingsFile::updateSettings(const std::string& key, bool value) const {
    const std::filesystem::path file = settingsFileUrl();
    Json settings = Json::object();
    const auto bytes = FileContents::read(file);
    if (const auto* error = std::get_if<FileContents::ReadError>(&bytes)) {
        // Writing now would drop members we could not see; a missing file is simply new.
        if (error->errorNumber != ENOENT) {
            m_console.printLine("Failed to update settings: " + error->description);
            return;
        }
    } else {
        Parsed parsed = parse(std::get<std::string>(bytes));
        if (parsed.truncated) {
            m_console.printLine("Failed to update settings: \"" + file.string() +
                                "\" nests values deeper than " + std::to_string(kMaxDepth) +
                                " levels and is left as it is");
            return;
        }
        if (!parsed.object.is_discarded()) {
            settings = std::move(parsed.object);
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
    m_console.printLine("Updated " + key + " = " + (value ? "true" : "false") + " in settings.json");
}
