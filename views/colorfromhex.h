#pragma once

#include <QColor>

#include <string_view>

// An opaque sRGB colour from hex text such as "#202940". Never fails: text that does not parse
// gives black. Only the low 24 bits of the number count (red, green, blue); there is no short
// form and no alpha.
QColor colorFromHex(std::string_view hex);
