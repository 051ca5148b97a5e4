#include "control/settingsjson.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <utility>
#include <vector>

using namespace std::string_literals;

namespace {

std::string arrays(int depth) {
    return std::string(static_cast<size_t>(depth), '[') +
           std::string(static_cast<size_t>(depth), ']');
}

// Objects `depth` deep, each naming the switch off before its child.
std::string objects(int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i) {
        text += R"({"usbProtection": false, "d": )";
    }
    return text + "1" + std::string(static_cast<size_t>(depth), '}');
}

// `depth` levels, the outer object included, alternating objects and arrays.
std::string objectOfDepth(int depth) {
    std::string open = "{\"d\": ";
    std::string close = "}";
    for (int level = 2; level <= depth; ++level) {
        open += level % 2 == 0 ? "[" : "{\"e\": ";
        close.insert(0, level % 2 == 0 ? "]" : "}");
    }
    return open + "1" + close;
}

// The update as settings.json has always been rewritten, by the library parser with a depth
// limit: the text, or nullopt when the update is refused.
std::optional<std::string> oldUpdate(const std::optional<std::string>& bytes, bool value) {
    using Json = nlohmann::ordered_json;
    bool truncated = false;
    const auto limitDepth = [&truncated](int depth, Json::parse_event_t event, Json&) {
        const bool tooDeep = depth >= 256 && (event == Json::parse_event_t::object_start ||
                                              event == Json::parse_event_t::array_start);
        truncated = truncated || tooDeep;
        return !tooDeep;
    };
    Json settings = Json::object();
    if (bytes) {
        Json parsed = Json::parse(*bytes, limitDepth, false);
        if (truncated) {
            return std::nullopt;
        }
        settings = parsed.is_object() ? std::move(parsed) : settings;
    }
    settings["usbProtection"] = value;
    return settings.dump(2);
}

}  // namespace

TEST(SettingsJsonTest, readsOnlyTopLevelBooleansTheLastOfEachName) {
    const std::vector<std::pair<std::string, std::pair<bool, bool>>> cases = {
        {R"({"realTimeProtection": true, "usbProtection": false})", {true, false}},
        {R"({"usbProtection": true, "o": [1, {"realTimeProtection": true}]})", {false, true}},
        {R"({"o": {"usbProtection": true}, "realTimeProtection": true})", {true, false}},
        {R"({"realTimeProtection": "true", "usbProtection": 1})", {false, false}},
        {R"({"realTimeProtection": null, "usbProtection": 0})", {false, false}},
        {R"({"usbProtection": false, "usbProtection": true})", {false, true}},
        {R"({"usbProtection": true, "usbProtection": "x"})", {false, false}},
        {R"({"usbProtection": true, "usbProtection": [true]})", {false, false}},
        {R"({"usbProtection": true, "usbProtection": {}})", {false, false}},
        {R"([true, true])", {false, false}},
        {R"([{"usbProtection": true}])", {false, false}},
        {R"(true)", {false, false}},
        {R"({})", {false, false}},
        {"", {false, false}},
        {"\xff\xfe garbage", {false, false}},
        {"{\"realTimeProtection\": true, \"name\": \"\xc3\x28\"}", {false, false}},
        {R"({"realTimeProtection": true,)", {false, false}},
        {R"({"realTimeProtection": true} x)", {false, false}},
        {R"({"realTimeProtection": true, "n": 1e400})", {false, false}},
        {"\xef\xbb\xbf{\"usbProtection\": true}", {false, true}},
        // The library reads a NUL byte as the end of the text.
        {"{\"usbProtection\": true}\0 x"s, {false, true}},
        {"{\"usbProtection\": true\0}"s, {false, false}},
        {R"({"realTimeProtection": true, "deep": )" + arrays(100000) + "}", {true, false}},
        {R"({"deep": )" + arrays(100000) + R"(, "usbProtection": true})", {false, true}},
        {R"({"deep": )" + objects(100000) + R"(, "usbProtection": true})", {false, true}},
    };
    for (const auto& [bytes, expected] : cases) {
        const auto read = SettingsJson::readSwitches(bytes);
        EXPECT_EQ(std::make_pair(read.realTimeProtection, read.usbProtection), expected)
            << bytes.substr(0, 80);
    }
}

TEST(SettingsJsonTest, updateWritesWhatTheLibraryParserWrote) {
    const std::vector<std::optional<std::string>> cases = {
        std::nullopt,
        "",
        "{}",
        R"({"a": 1, "usbProtection": "x", "b": 2})",
        R"({"a": 1, "usbProtection": 0, "a": [2], "usbProtection": true, "b": {"c": 3, "c": 4}})",
        R"({"u": 18446744073709551615, "i": -9223372036854775808, "f": 1.5e300, "g": -0.0,)"
        R"( "h": 1E-7, "j": 18446744073709551616, "k": 0.1, "l": 100, "m": -0})",
        R"({"s": "\u00e9\ud83d\ude00 \"q\" \\ \/ \b\f\n\r\t \u0001 \u007f", "é": "ü"})",
        R"({"o": {"p": {"q": [], "r": {}}, "s": [[1, [2]], {"t": null}]}, "e": {}, "f": false})",
        R"({"o": {"usbProtection": 1}, "a": [{"usbProtection": 2}]})",
        objectOfDepth(256),
        objectOfDepth(257),
        arrays(256),
        arrays(257),
        arrays(257).substr(0, 257) + "garbage",
        R"({"a": 1} garbage)",
        "{\"a\": 1}\0 garbage"s,
        "{\"a\": \"\xc3\x28\"}",
        "\xef\xbb\xbf{\"a\": 1}",
        R"({"a": 1e400})",
        R"({"a": [1,)",
        R"([1, 2])",
        R"("text")",
        "42",
        "null",
        "not json",
    };
    for (const auto& bytes : cases) {
        for (const bool value : {false, true}) {
            const auto text = SettingsJson::withSwitch(bytes, "usbProtection", value);
            const auto expected = oldUpdate(bytes, value);
            const std::string input = bytes.value_or("(no file)").substr(0, 80);
            if (expected) {
                ASSERT_TRUE(std::holds_alternative<std::string>(text)) << input;
                EXPECT_EQ(std::get<std::string>(text), *expected) << input;
            } else {
                ASSERT_TRUE(std::holds_alternative<SettingsJson::UpdateRefusal>(text)) << input;
                EXPECT_EQ(std::get<SettingsJson::UpdateRefusal>(text).reason,
                          "nests values deeper than 256 levels and is left as it is");
            }
        }
    }
}

TEST(SettingsJsonTest, updateOfAHugeObjectKeepsEveryMemberInPlace) {
    // Written as the update prints it, so that only the switch may change. Too large for the
    // old parser, which takes minutes over it.
    const auto settings = [](const char* value) {
        std::string text = "{\n";
        for (int i = 0; i < 100000; ++i) {
            text += "  \"member" + std::to_string(i) + "\": " + std::to_string(i) + ",\n";
        }
        return text + "  \"usbProtection\": " + value + "\n}";
    };
    const auto text = SettingsJson::withSwitch(settings("false"), "usbProtection", true);
    ASSERT_TRUE(std::holds_alternative<std::string>(text));
    EXPECT_TRUE(std::get<std::string>(text) == settings("true"));
}
