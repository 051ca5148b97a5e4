#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSizeF>

#include <string_view>

// The application's image assets, looked up by name and drawn from vector artwork, so they are
// crisp at every size and pixel ratio.
namespace AssetCatalog {

// The asset as an icon drawn afresh for every size and pixel ratio; a null icon when there is
// no such asset.
QIcon icon(std::string_view name);
// The asset stretched to exactly `size` (device-independent pixels) at `devicePixelRatio`, in a
// pixmap rounded up to whole pixels that is drawn unscaled; a null pixmap when there is no such
// asset.
QPixmap pixmap(std::string_view name, QSizeF size, qreal devicePixelRatio);

}  // namespace AssetCatalog
