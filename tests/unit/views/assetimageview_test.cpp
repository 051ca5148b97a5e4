#include "views/assetimageview.h"
#include "viewtesting.h"

#include <gtest/gtest.h>

using namespace ViewTesting;

TEST(AssetImageView, stretchesTheArtworkToItsFractionalFrame) {
    // A square artwork in tall frames: a fitted drawing would stay square.
    AssetImageView tall("test.square", QSizeF(27.69, 60));
    tall.setAttribute(Qt::WA_TranslucentBackground);
    tall.setContentsMargins(0, 0, 10, 0);
    EXPECT_EQ(tall.sizeHint(), QSize(28 + 10, 60)) << "whole pixels, plus the trailing margin";
    tall.resize(tall.sizeHint());
    const auto red = [](QColor c) { return c.alpha() > 127 && c.red() > 127 && c.green() < 64; };
    const QImage tallImage = snapshot(tall);
    EXPECT_EQ(inkBounds(tallImage, tall.rect(), red), QRect(0, 0, 28, 60));
    EXPECT_NEAR(tallImage.pixelColor(27, 30).alphaF(), 0.69, 0.06) << "the fraction is drawn";
    EXPECT_EQ(tallImage.pixelColor(28, 30).alpha(), 0) << "the margin stays clear";

    AssetImageView header("test.square", QSizeF(64.02, 86.43));
    header.setAttribute(Qt::WA_TranslucentBackground);
    header.resize(header.sizeHint());
    EXPECT_EQ(header.size(), QSize(64, 86)) << "laid out at the nearest whole size";
    EXPECT_EQ(inkBounds(snapshot(header), header.rect(), red), QRect(0, 0, 64, 86));

    AssetImageView missing("no.such.asset", QSizeF(10, 10));
    missing.setAttribute(Qt::WA_TranslucentBackground);
    missing.resize(missing.sizeHint());
    EXPECT_TRUE(inkBounds(snapshot(missing), missing.rect(), red).isNull()) << "draws nothing";
}
