#include "views/fontfaces.h"

#include <QFontDatabase>
#include <QGuiApplication>

#include <array>
#include <utility>

namespace {

constexpr auto kFamily = "Inter";

// The installed family carries its weights as styles, so each face name is a weight of it.
constexpr std::array<std::pair<std::string_view, QFont::Weight>, 3> kFaces{{
    {"Inter", QFont::Normal},
    {"Inter-Medium", QFont::Medium},
    {"Inter-SemiBold", QFont::DemiBold},
}};

}  // namespace

QFont FontFaces::face(std::string_view faceName, int size) {
    for (const auto& [name, weight] : kFaces) {
        if (name == faceName && QFontDatabase::hasFamily(QString::fromLatin1(kFamily))) {
            QFont font(QString::fromLatin1(kFamily));
            font.setWeight(weight);
            font.setPixelSize(size);
            return font;
        }
    }
    QFont fallback = QGuiApplication::font();
    fallback.setPixelSize(size);
    return fallback;
}

QFont FontFaces::systemSemibold(int size) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setWeight(QFont::DemiBold);
    font.setPixelSize(size);
    return font;
}
