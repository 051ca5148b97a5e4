#include "platform/posix/plistpreferences.h"

#include "platform/posix/openfile.h"

#include "platform/posix/atomicfile.h"

#include <cerrno>
#include <cstdint>
#include <map>
#include <optional>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <plist/plist.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using PlistPointer = std::unique_ptr<void, decltype(&plist_free)>;

// The file's bytes; empty when it does not exist, nothing when it exists but cannot be read.
std::optional<std::string> readExisting(const fs::path& file) {
    auto bytes = readRegularFile(file);
    if (auto* text = std::get_if<std::string>(&bytes)) {
        return std::move(*text);
    }
    if (std::get<FileError>(bytes).errorNumber == ENOENT) {
        return std::string();
    }
    return std::nullopt;
}

// The dictionary held in `bytes`; an empty one when they hold no dictionary at all.
PlistPointer parseDictionary(const std::string& bytes) {
    plist_t root = nullptr;
    if (!bytes.empty() && bytes.size() <= UINT32_MAX) {
        plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    }
    PlistPointer owned(root, plist_free);
    if (plist_get_node_type(root) != PLIST_DICT) {
        owned.reset(plist_new_dict());
    }
    return owned;
}

class PlistPreferencesSuite final : public PreferencesSuite {
public:
    explicit PlistPreferencesSuite(fs::path file) : m_file(std::move(file)) {}

    void setString(const std::string& key, const std::string& value) override {
        m_pending[key] = value;
    }

    void synchronize() override {
        if (m_pending.empty()) {
            return;
        }
        // Read fresh each time: other programs write to the same file between our writes.
        const auto existing = readExisting(m_file);
        if (!existing) {
            // Rewriting a file we could not read would drop every key we did not set.
            return;
        }
        const PlistPointer dictionary = parseDictionary(*existing);
        for (const auto& [key, value] : m_pending) {
            plist_dict_set_item(dictionary.get(), key.c_str(), plist_new_string(value.c_str()));
        }
        std::error_code error;
        fs::create_directories(m_file.parent_path(), error);
        if (error) {
            return;
        }
        char* xml = nullptr;
        uint32_t length = 0;
        plist_to_xml(dictionary.get(), &xml, &length);
        if (xml == nullptr) {
            return;
        }
        const auto failure = AtomicFile::write(m_file, std::string_view(xml, length));
        plist_to_xml_free(xml);
        // Written keys are forgotten so that a later write never undoes another program's
        // newer value; after a failure they wait for the next attempt.
        if (!failure) {
            m_pending.clear();
        }
    }

private:
    fs::path m_file;
    std::map<std::string, std::string> m_pending;
};

}  // namespace

PlistPreferencesStore::PlistPreferencesStore(std::filesystem::path homeDirectory)
    : m_homeDirectory(std::move(homeDirectory)) {}

std::unique_ptr<PreferencesSuite> PlistPreferencesStore::openSuite(const std::string& name) {
    if (name.empty() || name == "." || name == ".." ||
        name.find_first_of(std::string_view("/\0", 2)) != std::string::npos) {
        return nullptr;
    }
    return std::make_unique<PlistPreferencesSuite>(m_homeDirectory / "Library" / "Preferences" /
                                                   (name + ".plist"));
}
