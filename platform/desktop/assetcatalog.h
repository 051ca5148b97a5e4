#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSizeF>

#include <string_view>

// The application's image assets, looked up by name and drawn from vector artwork, so they are
// crisp at every size and pixel ratio.
namespace AssetCatalog {

// The asset as an icon for every size; a null icon when there is no such asset.
QIcon icon(std::string_view name);
// The asset stretched to exactly `size` (device-independent pixels) at `devicePixelRatio`;
// a null pixmap when there is no such asset.
QPixmap pixmap(std::string_view name, QSizeF size, qreal devicePixelRatio);

}  // namespace AssetCatalog
