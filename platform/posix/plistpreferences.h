#pragma once

#include "platform/ports/preferencessuite.h"

#include <filesystem>

// Preferences suites kept as property lists in the user's Library/Preferences folder, where the
// other programs of the product look for them.
class PlistPreferencesStore final : public PreferencesStore {
public:
    explicit PlistPreferencesStore(std::filesystem::path homeDirectory);

    // Null for names that are not a plain file name.
    std::unique_ptr<PreferencesSuite> openSuite(const std::string& name) override;

private:
    std::filesystem::path m_homeDirectory;
};
