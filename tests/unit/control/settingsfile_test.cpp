#include "control/settingsfile.h"
#include "fakes/fakes.h"
#include "fakes/temporarydirectory.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>

namespace fs = std::filesystem;

namespace {

class SettingsFileTest : public ::testing::Test {
protected:
    fs::path file() const { return settings.settingsFileUrl(); }
    void write(const std::string& bytes) const { writeBytes(file(), bytes); }
    std::pair<bool, bool> read() const {
        const auto flags = settings.readSettings();
        return {flags.realTimeProtection, flags.usbProtection};
    }

    TemporaryDirectory home;
    Transcript transcript;
    CapturedConsole console{transcript};
    SettingsFile settings{home.path(), console};
};

std::string nested(int depth) {
    return std::string(static_cast<size_t>(depth), '[') +
           std::string(static_cast<size_t>(depth), ']');
}

}  // namespace

TEST_F(SettingsFileTest, readsOnlyRealBooleansAndNothingElse) {
    EXPECT_EQ(file(), home.path() / "Library/Application Support/Corvane Antivirus/settings.json");
    EXPECT_EQ(read(), std::make_pair(false, false)) << "missing file";

    const std::vector<std::pair<std::string, std::pair<bool, bool>>> cases = {
        {R"({"realTimeProtection": true, "usbProtection": false})", {true, false}},
        {R"({"usbProtection": true, "other": [1, {"a": null}]})", {false, true}},
        {R"({"realTimeProtection": "true", "usbProtection": 1})", {false, false}},
        {R"({"realTimeProtection": null, "usbProtection": 0})", {false, false}},
        {R"({"usbProtection": false, "usbProtection": true})", {false, true}},
        {R"([true, true])", {false, false}},
        {R"(true)", {false, false}},
        {R"({})", {false, false}},
        {"", {false, false}},
        {"\xff\xfe garbage", {false, false}},
        {"{\"realTimeProtection\": true, \"name\": \"\xc3\x28\"}", {false, false}},
        {R"({"realTimeProtection": true,)", {false, false}},
    };
    for (const auto& [json, expected] : cases) {
        write(json);
        EXPECT_EQ(read(), expected) << json;
    }
    EXPECT_TRUE(transcript.empty()) << "reads never print";
}

TEST_F(SettingsFileTest, readSurvivesHostileSizesAndShapes) {
    write(R"({"realTimeProtection": true, "deep": )" + nested(100000) + "}");
    EXPECT_EQ(read(), std::make_pair(true, false)) << "deep members do not hide the switches";

    std::string big = R"({"usbProtection": true, "padding": ")";
    big.append(10 * 1024 * 1024, 'x');
    big += "\"}";
    write(big);
    EXPECT_EQ(read(), std::make_pair(false, true));

    fs::remove(file());
    fs::create_directories(file());
    EXPECT_EQ(read(), std::make_pair(false, false)) << "a folder in place of the file";
}

TEST_F(SettingsFileTest, updateCreatesTheFileAndKeepsEverythingElse) {
    settings.updateSettings("usbProtection", true);
    EXPECT_EQ(transcript.back(), "Updated usbProtection = true in settings.json");
    EXPECT_EQ(nlohmann::json::parse(readBytes(file())), nlohmann::json({{"usbProtection", true}}));

    write(R"({"zeta": 9007199254740993, "realTimeProtection": "true", "alpha": {"n": [1.5, null]},)"
          R"( "usbProtection": 1})");
    settings.updateSettings("realTimeProtection", false);
    EXPECT_EQ(transcript.back(), "Updated realTimeProtection = false in settings.json");
    const auto updated = nlohmann::ordered_json::parse(readBytes(file()));
    EXPECT_EQ(updated.dump(),
              R"({"zeta":9007199254740993,"realTimeProtection":false,"alpha":{"n":[1.5,null]},)"
              R"("usbProtection":1})")
        << "member order, 64-bit integers and other members survive";
    EXPECT_EQ(read(), std::make_pair(false, false));
}

TEST_F(SettingsFileTest, updateReplacesContentThatIsNotAnObject) {
    for (const std::string& content :
         {std::string("[1, 2]"), std::string("not json"), std::string("\xc3\x28")}) {
        write(content);
        settings.updateSettings("usbProtection", false);
        EXPECT_EQ(readBytes(file()), "{\n  \"usbProtection\": false\n}") << content;
    }
}

TEST_F(SettingsFileTest, updateThatCannotWorkSafelyReportsAndLeavesTheFileAlone) {
    // A plain file where the folder should be: the folder cannot be created.
    writeBytes(home.path() / "Library/Application Support/Corvane Antivirus", "in the way");
    settings.updateSettings("usbProtection", true);
    ASSERT_EQ(transcript.size(), 1U);
    EXPECT_TRUE(transcript.back().starts_with("Failed to update settings: ")) << transcript.back();
    EXPECT_EQ(readBytes(home.path() / "Library/Application Support/Corvane Antivirus"),
              "in the way");
    fs::remove(home.path() / "Library/Application Support/Corvane Antivirus");

    // The settings path is a folder: it cannot be read, so nothing is written.
    fs::create_directories(file());
    settings.updateSettings("usbProtection", true);
    EXPECT_TRUE(transcript.back().starts_with("Failed to update settings: ")) << transcript.back();
    EXPECT_TRUE(fs::is_directory(file()));
    fs::remove(file());

    // 256 levels, the settings object included, are carried over; one more is not.
    write(R"({"deep": )" + nested(255) + "}");
    settings.updateSettings("usbProtection", true);
    EXPECT_EQ(read(), std::make_pair(false, true));
    const std::string kept = readBytes(file());
    EXPECT_EQ(std::count(kept.begin(), kept.end(), '['), 255);

    // Too deep to carry over safely: reported, and the file keeps its bytes.
    const std::string deep = R"({"usbProtection": true, "deep": )" + nested(256) + "}";
    write(deep);
    settings.updateSettings("realTimeProtection", true);
    EXPECT_TRUE(transcript.back().starts_with("Failed to update settings: ")) << transcript.back();
    EXPECT_EQ(readBytes(file()), deep);
}
