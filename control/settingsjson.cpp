#include "control/settingsjson.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

namespace SettingsJson {
namespace {

using Json = nlohmann::ordered_json;

// Follows the parse without building anything: only the depth and the top-level members named
// like a switch matter, so any nesting costs nothing but the scan.
class SwitchReader final {
public:
    const ProtectionSwitches& switches() const { return m_switches; }

    bool null() { return value(false); }
    bool boolean(bool isTrue) { return value(isTrue); }
    bool number_integer(Json::number_integer_t /*number*/) { return value(false); }
    bool number_unsigned(Json::number_unsigned_t /*number*/) { return value(false); }
    bool number_float(Json::number_float_t /*number*/, const Json::string_t& /*text*/) {
        return value(false);
    }
    bool string(Json::string_t& /*text*/) { return value(false); }
    bool binary(Json::binary_t& /*bytes*/) { return value(false); }
    bool start_object(std::size_t /*size*/) { return opens(true); }
    bool start_array(std::size_t /*size*/) { return opens(false); }
    bool end_object() { return closes(); }
    bool end_array() { return closes(); }
    bool key(Json::string_t& name) {
        if (m_depth == 1) {
            m_member = name == "realTimeProtection" ? &m_switches.realTimeProtection
                       : name == "usbProtection"    ? &m_switches.usbProtection
                                                    : nullptr;
        }
        return true;
    }
    static bool parse_error(std::size_t /*position*/, const std::string& /*token*/,
                            const Json::exception& /*error*/) {
        return false;
    }

private:
    // A top-level value that is no object stops the parse: both switches are then off.
    bool value(bool isTrue) {
        if (m_depth == 1 && m_member != nullptr) {
            *m_member = isTrue;
        }
        return m_depth > 0;
    }
    bool opens(bool isObject) {
        if (m_depth == 0 && !isObject) {
            return false;
        }
        value(false);
        ++m_depth;
        return true;
    }
    bool closes() {
        --m_depth;
        return true;
    }

    ProtectionSwitches m_switches;
    std::size_t m_depth = 0;
    bool* m_member = nullptr;
};

// Builds the tree the library's own parser builds, a repeated key keeping its first place and
// its last value, in linear time: the library finds each key by a scan of the members before
// it, and every time its member vector grows it copies each member deeply (its key is const, so
// a member cannot be moved). Here each open object indexes its keys and collects its members in
// a vector of movable pairs, which go into the tree once, when the object closes.
// The check takes the implicit move of the frames for one that must not throw; the builder is
// never moved.
// NOLINTNEXTLINE(bugprone-exception-escape)
class TreeBuilder final {
public:
    Json& root() { return m_root; }
    bool tooDeep() const { return m_tooDeep; }

    bool null() { return put(nullptr); }
    bool boolean(bool value) { return put(value); }
    bool number_integer(Json::number_integer_t value) { return put(value); }
    bool number_unsigned(Json::number_unsigned_t value) { return put(value); }
    bool number_float(Json::number_float_t value, const Json::string_t& /*text*/) {
        return put(value);
    }
    bool string(Json::string_t& value) { return put(std::move(value)); }
    bool binary(Json::binary_t& value) { return put(std::move(value)); }
    bool start_object(std::size_t /*size*/) { return opens(true); }
    bool start_array(std::size_t /*size*/) { return opens(false); }
    bool key(Json::string_t& name) {
        Open& object = m_open.back();
        const auto [slot, isNew] = object.slots.try_emplace(name, object.members.size());
        if (isNew) {
            object.members.emplace_back(std::move(name), nullptr);
        }
        object.pending = slot->second;
        return true;
    }
    bool end_object() {
        Open closed = std::move(m_open.back());
        m_open.pop_back();
        Json object(Json::value_t::object);
        // The vector's own emplace_back: the map's would scan for the key first.
        auto& members = static_cast<Json::object_t::Container&>(object.get_ref<Json::object_t&>());
        members.reserve(closed.members.size());
        for (auto& [name, value] : closed.members) {
            members.emplace_back(std::move(name), std::move(value));
        }
        return put(std::move(object));
    }
    bool end_array() {
        Json array(Json::value_t::array);
        array.get_ref<Json::array_t&>() = std::move(m_open.back().elements);
        m_open.pop_back();
        return put(std::move(array));
    }
    static bool parse_error(std::size_t /*position*/, const std::string& /*token*/,
                            const Json::exception& /*error*/) {
        return false;
    }

private:
    struct Open {
        bool isObject = false;
        std::vector<Json> elements;
        std::vector<std::pair<std::string, Json>> members;
        std::unordered_map<std::string, std::size_t> slots;
        std::size_t pending = 0;  // the member the next value belongs to
    };
    // Else the frame vector would copy open trees deeply whenever it grows.
    static_assert(std::is_nothrow_move_constructible_v<Open>);

    bool opens(bool isObject) {
        if (m_open.size() >= static_cast<std::size_t>(kKeptLevels)) {
            m_tooDeep = true;
            return false;
        }
        m_open.emplace_back().isObject = isObject;
        return true;
    }
    bool put(Json&& value) {
        if (m_open.empty()) {
            m_root = std::move(value);
        } else if (Open& parent = m_open.back(); parent.isObject) {
            parent.members[parent.pending].second = std::move(value);
        } else {
            parent.elements.push_back(std::move(value));
        }
        return true;
    }

    Json m_root;
    bool m_tooDeep = false;
    std::vector<Open> m_open;
};

// The iterator pair keeps the library's reading of a std::string: a NUL byte ends the input.
template <typename Handler>
bool parse(std::string_view bytes, Handler& handler) {
    return Json::sax_parse(bytes.begin(), bytes.end(), &handler);
}

}  // namespace

ProtectionSwitches readSwitches(std::string_view bytes) {
    SwitchReader reader;
    return parse(bytes, reader) ? reader.switches() : ProtectionSwitches{};
}

std::variant<std::string, UpdateRefusal> withSwitch(std::optional<std::string_view> existingBytes,
                                                    std::string_view key, bool value) {
    Json settings = Json::object();
    if (existingBytes) {
        TreeBuilder builder;
        const bool parsed = parse(*existingBytes, builder);
        // Refused even when the bytes turn out malformed further on: the parse got that deep.
        if (builder.tooDeep()) {
            return UpdateRefusal{"nests values deeper than " + std::to_string(kKeptLevels) +
                                 " levels and is left as it is"};
        }
        if (parsed && builder.root().is_object()) {
            settings = std::move(builder.root());
        }
    }
    settings[std::string(key)] = value;
    return settings.dump(2);
}

}  // namespace SettingsJson
