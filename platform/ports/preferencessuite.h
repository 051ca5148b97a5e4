#pragma once

#include <memory>
#include <string>

// One named preferences domain shared with another program of the product.
class PreferencesSuite {
public:
    PreferencesSuite() = default;
    PreferencesSuite(const PreferencesSuite&) = delete;
    PreferencesSuite& operator=(const PreferencesSuite&) = delete;
    virtual ~PreferencesSuite() = default;

    // Sets `key` to the string `value`; other keys keep their values.
    virtual void setString(const std::string& key, const std::string& value) = 0;
    // Makes the values set so far visible to other processes.
    virtual void synchronize() = 0;
};

// Opens preferences suites by name.
class PreferencesStore {
public:
    PreferencesStore() = default;
    PreferencesStore(const PreferencesStore&) = delete;
    PreferencesStore& operator=(const PreferencesStore&) = delete;
    virtual ~PreferencesStore() = default;

    // The suite called `name`, or null when it is unavailable.
    virtual std::unique_ptr<PreferencesSuite> openSuite(const std::string& name) = 0;
};
