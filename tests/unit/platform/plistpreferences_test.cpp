#include "plistpreferences.h"
#include "temporarydirectory.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include <plist/plist.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

using Plist = std::unique_ptr<void, decltype(&plist_free)>;

Plist parse(const fs::path& file) {
    const std::string bytes = readBytes(file);
    plist_t root = nullptr;
    plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    return {root, plist_free};
}

std::string stringAt(plist_t dictionary, const char* key) {
    plist_t item = plist_dict_get_item(dictionary, key);
    return plist_get_node_type(item) == PLIST_STRING ? plist_get_string_ptr(item, nullptr)
                                                     : "<missing>";
}

fs::path suiteFile(const TemporaryDirectory& home) {
    return home.path() / "Library/Preferences/com.corvane.shared.plist";
}

}  // namespace

TEST(PlistPreferences, writesXmlDictionaryWithLatestValues) {
    TemporaryDirectory home;
    const auto suite = PlistPreferencesStore(home.path()).openSuite("com.corvane.shared");
    ASSERT_NE(suite, nullptr);
    suite->setString("Language", "fr");
    suite->setString("Edition", "Home");
    suite->setString("Language", "de");
    suite->synchronize();

    ASSERT_EQ(readBytes(suiteFile(home)).rfind("<?xml", 0), 0U);
    const Plist written = parse(suiteFile(home));
    ASSERT_EQ(plist_get_node_type(written.get()), PLIST_DICT);
    EXPECT_EQ(plist_dict_get_size(written.get()), 2U);
    EXPECT_EQ(stringAt(written.get(), "Language"), "de");
    EXPECT_EQ(stringAt(written.get(), "Edition"), "Home");

    // Another program changes a key meanwhile; writing a different key must not undo that.
    writeBytes(suiteFile(home),
               "<plist version=\"1.0\"><dict><key>Language</key><string>it</string></dict>"
               "</plist>");
    suite->setString("Edition", "Pro");
    suite->synchronize();
    const Plist merged = parse(suiteFile(home));
    EXPECT_EQ(stringAt(merged.get(), "Language"), "it");
    EXPECT_EQ(stringAt(merged.get(), "Edition"), "Pro");
}

TEST(PlistPreferences, keepsOtherKeysOfXmlAndBinaryFiles) {
    for (const bool binary : {false, true}) {
        TemporaryDirectory home;
        plist_t existing = plist_new_dict();
        plist_dict_set_item(existing, "Owner", plist_new_string("console"));
        plist_dict_set_item(existing, "Count", plist_new_uint(42));
        plist_t nested = plist_new_dict();
        plist_dict_set_item(nested, "Inner", plist_new_string("value"));
        plist_dict_set_item(existing, "Nested", nested);
        plist_dict_set_item(existing, "Language", plist_new_string("en"));
        char* bytes = nullptr;
        uint32_t length = 0;
        binary ? plist_to_bin(existing, &bytes, &length) : plist_to_xml(existing, &bytes, &length);
        writeBytes(suiteFile(home), std::string(bytes, length));
        binary ? plist_to_bin_free(bytes) : plist_to_xml_free(bytes);
        ::chmod(suiteFile(home).c_str(), 0600);

        const auto suite = PlistPreferencesStore(home.path()).openSuite("com.corvane.shared");
        suite->setString("Language", "fr");
        suite->synchronize();

        const Plist written = parse(suiteFile(home));
        EXPECT_EQ(plist_dict_get_size(written.get()), 4U) << binary;
        EXPECT_EQ(stringAt(written.get(), "Owner"), "console");
        EXPECT_EQ(stringAt(written.get(), "Language"), "fr");
        EXPECT_EQ(stringAt(plist_dict_get_item(written.get(), "Nested"), "Inner"), "value");
        uint64_t count = 0;
        plist_get_uint_val(plist_dict_get_item(written.get(), "Count"), &count);
        EXPECT_EQ(count, 42U);
        plist_free(existing);
        struct stat info {};
        ASSERT_EQ(::stat(suiteFile(home).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0600U);
    }
}

TEST(PlistPreferences, refusesUnusableNamesAndUnreadableFiles) {
    TemporaryDirectory home;
    PlistPreferencesStore store(home.path());
    for (const std::string& name :
         std::vector<std::string>{"", ".", "..", "a/b", "../escape", std::string("a\0b", 3)}) {
        EXPECT_EQ(store.openSuite(name), nullptr) << name;
    }
    EXPECT_NE(store.openSuite("..hidden"), nullptr);

    // A plist that cannot be read is left alone rather than replaced by our keys only.
    fs::create_directories(suiteFile(home));
    writeBytes(suiteFile(home) / "inside", "x");
    const auto suite = store.openSuite("com.corvane.shared");
    suite->setString("Language", "fr");
    suite->synchronize();
    EXPECT_TRUE(fs::is_directory(suiteFile(home)));
    EXPECT_EQ(std::distance(fs::directory_iterator(suiteFile(home).parent_path()),
                            fs::directory_iterator()),
              1);

    fs::remove_all(suiteFile(home));
    fs::create_symlink(suiteFile(home).filename(), suiteFile(home));  // a loop: ELOOP
    suite->synchronize();
    EXPECT_TRUE(fs::is_symlink(suiteFile(home)));

    // Content that is not a dictionary holds no keys worth keeping.
    fs::remove(suiteFile(home));
    writeBytes(suiteFile(home), "<plist version=\"1.0\"><array/></plist>");
    suite->synchronize();
    const Plist written = parse(suiteFile(home));
    EXPECT_EQ(stringAt(written.get(), "Language"), "fr");
}
