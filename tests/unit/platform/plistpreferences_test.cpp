#include "platform/posix/plistpreferences.h"
#include "fakes/temporarydirectory.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include <plist/plist.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

using Plist = std::unique_ptr<void, decltype(&plist_free)>;

Plist parse(const std::string& bytes) {
    plist_t root = nullptr;
    plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    return {root, plist_free};
}

std::string stringAt(plist_t dictionary, const char* key) {
    plist_t item = plist_dict_get_item(dictionary, key);
    return plist_get_node_type(item) == PLIST_STRING ? plist_get_string_ptr(item, nullptr)
                                                     : "<missing>";
}

// A home with the shared suite open; `file` is where the suite is kept.
struct Home {
    TemporaryDirectory dir;
    PlistPreferencesStore store{dir.path()};
    fs::path file = dir.path() / "Library/Preferences/com.corvane.shared.plist";
    std::unique_ptr<PreferencesSuite> suite = store.openSuite("com.corvane.shared");

    Plist written() const { return parse(readBytes(file)); }
    std::string at(const char* key) const { return stringAt(written().get(), key); }
};

}  // namespace

TEST(PlistPreferences, writesXmlDictionaryWithLatestValues) {
    Home home;
    home.suite->setString("Language", "fr");
    home.suite->setString("Edition", "Home");
    home.suite->setString("Language", "de");
    home.suite->synchronize();
    ASSERT_EQ(readBytes(home.file).rfind("<?xml", 0), 0U);
    EXPECT_EQ(plist_dict_get_size(home.written().get()), 2U);
    EXPECT_EQ(home.at("Language"), "de");
    EXPECT_EQ(home.at("Edition"), "Home");

    // Another program changes a key meanwhile; writing a different key must not undo that.
    writeBytes(home.file,
               "<plist version=\"1.0\"><dict><key>Language</key><string>it</string>"
               "</dict></plist>");
    home.suite->setString("Edition", "Pro");
    home.suite->synchronize();
    EXPECT_EQ(home.at("Language"), "it");
    EXPECT_EQ(home.at("Edition"), "Pro");
}

TEST(PlistPreferences, keepsOtherKeysOfXmlAndBinaryFiles) {
    const std::string xml =
        "<plist version=\"1.0\"><dict><key>Owner</key><string>console</string><key>Count</key>"
        "<integer>42</integer><key>Nested</key><dict><key>Inner</key><string>value</string>"
        "</dict><key>Language</key><string>en</string></dict></plist>";
    char* binary = nullptr;
    uint32_t length = 0;
    plist_to_bin(parse(xml).get(), &binary, &length);
    for (const std::string& existing : {xml, std::string(binary, length)}) {
        Home home;
        writeBytes(home.file, existing);
        ::chmod(home.file.c_str(), 0600);
        home.suite->setString("Language", "fr");
        home.suite->synchronize();

        const Plist written = home.written();
        EXPECT_EQ(plist_dict_get_size(written.get()), 4U);
        EXPECT_EQ(stringAt(written.get(), "Owner"), "console");
        EXPECT_EQ(stringAt(written.get(), "Language"), "fr");
        EXPECT_EQ(stringAt(plist_dict_get_item(written.get(), "Nested"), "Inner"), "value");
        uint64_t count = 0;
        plist_get_uint_val(plist_dict_get_item(written.get(), "Count"), &count);
        EXPECT_EQ(count, 42U);
        struct stat info {};
        ASSERT_EQ(::stat(home.file.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0600U);
    }
    plist_to_bin_free(binary);
}

TEST(PlistPreferences, refusesUnusableNamesAndUnreadableFiles) {
    Home home;
    for (const std::string& name :
         std::vector<std::string>{"", ".", "..", "a/b", "../escape", std::string("a\0b", 3)}) {
        EXPECT_EQ(home.store.openSuite(name), nullptr) << name;
    }
    EXPECT_NE(home.store.openSuite("..hidden"), nullptr);

    // A plist that cannot be read is left alone rather than replaced by our keys only.
    writeBytes(home.file / "inside", "x");
    home.suite->setString("Language", "fr");
    home.suite->synchronize();
    EXPECT_TRUE(fs::is_directory(home.file));
    EXPECT_EQ(std::distance(fs::directory_iterator(home.file.parent_path()), {}), 1);
    fs::remove_all(home.file);
    fs::create_symlink(home.file.filename(), home.file);  // a loop: ELOOP
    home.suite->synchronize();
    EXPECT_TRUE(fs::is_symlink(home.file));

    // Content that is not a dictionary holds no keys worth keeping.
    fs::remove(home.file);
    writeBytes(home.file, "<plist version=\"1.0\"><array/></plist>");
    home.suite->synchronize();
    EXPECT_EQ(home.at("Language"), "fr");
}
