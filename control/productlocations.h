#pragma once

#include <filesystem>
#include <string_view>

// Where the product keeps what its programs share, relative to the user's home directory.
namespace ProductLocations {

inline constexpr std::string_view kDataFolder = "Library/Application Support/Corvane Antivirus";
inline constexpr std::string_view kSettingsFile = "settings.json";
inline constexpr std::string_view kThreatReportFile = "detected_threats.txt";
inline constexpr std::string_view kUsbReportFile = "detected_usb_device.txt";
// Locked by the running agent for as long as it runs; holds its process ID.
inline constexpr std::string_view kAgentLockFile = "helper.lock";

inline std::filesystem::path dataFile(const std::filesystem::path& home, std::string_view name) {
    return home / kDataFolder / name;
}

}  // namespace ProductLocations
