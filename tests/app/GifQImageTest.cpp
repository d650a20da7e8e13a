#include <gtest/gtest.h>

#include "app/GifQImage.h"

namespace varn::app {
namespace {

GifImage TwoFrames()
{
    GifImage image;
    image.width = 3;
    image.height = 2;
    image.colors = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {1, 2, 3}};
    GifFrame first(3, 2);
    first.pixels = {0, 1, 2, 3, 2, 1};
    first.control = GifControl{.transparentIndex = 1, .transparent = true};
    GifFrame second(2, 1);
    second.left = 1;
    second.top = 1;
    second.pixels = {1, 0};
    second.colors = {{255, 0, 0}, {0, 255, 0}};
    image.frames = {first, second};
    return image;
}

TEST(GifQImageTest, FrameBecomesAnIndexedImageWithItsColours)
{
    const GifImage image = TwoFrames();
    const QImage first = FrameToQImage(image, 0);
    ASSERT_EQ(first.format(), QImage::Format_Indexed8);
    EXPECT_EQ(first.size(), QSize(3, 2));
    const int expected[2][3] = {{0, 1, 2}, {3, 2, 1}};
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(first.pixelIndex(x, y), expected[y][x]) << x << "," << y;
    }
    EXPECT_EQ(first.pixel(0, 0), qRgb(10, 20, 30));
    EXPECT_EQ(first.pixel(0, 1), qRgb(1, 2, 3));
    EXPECT_EQ(qAlpha(first.pixel(1, 0)), 0); // the transparent colour
    EXPECT_EQ(qAlpha(first.pixel(2, 0)), 255);

    const QImage second = FrameToQImage(image, 1);
    EXPECT_EQ(second.size(), QSize(2, 1));
    EXPECT_EQ(second.pixel(0, 0), qRgb(0, 255, 0)); // its own table, no transparency
    EXPECT_EQ(second.pixel(1, 0), qRgb(255, 0, 0));
}

TEST(GifQImageTest, TransparencyFlagOffShowsTheColour)
{
    GifImage image = TwoFrames();
    image.frames[0].control->transparent = false;
    EXPECT_EQ(FrameToQImage(image, 0).pixel(1, 0), qRgb(40, 50, 60));
}

TEST(GifQImageTest, MissingOrBrokenFramesGiveANullImage)
{
    GifImage image = TwoFrames();
    EXPECT_TRUE(FrameToQImage(image, 2).isNull());
    image.frames[0].pixels.pop_back();
    EXPECT_TRUE(FrameToQImage(image, 0).isNull());
    EXPECT_TRUE(FrameToQImage(GifImage{}, 0).isNull());
}

} // namespace
} // namespace varn::app
