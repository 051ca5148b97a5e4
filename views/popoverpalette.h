#pragma once

#include <string_view>

// The popovers' colours as hex text; views turn them into colours with colorFromHex when they
// paint, so a changed entry here shows everywhere at once.
namespace PopoverPalette {

inline constexpr std::string_view kPanel = "#202940";
inline constexpr std::string_view kButtonFill = "#009426";
inline constexpr std::string_view kButtonFillHover = "#04A52D";

}  // namespace PopoverPalette
