#pragma once

#include <QFont>

#include <string_view>

// The type faces of the popovers, asked for by face name: "Inter", "Inter-Medium" and
// "Inter-SemiBold". Sizes are design sizes, drawn as that many device-independent pixels.
namespace FontFaces {

// The named face at `size`; the application's default font at `size` when the face is missing.
QFont face(std::string_view faceName, int size);
// The system's user-interface font, semibold, at `size`.
QFont systemSemibold(int size);

}  // namespace FontFaces
