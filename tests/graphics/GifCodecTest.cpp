#include <gtest/gtest.h>

#include "graphics/GifCodec.h"
#include "support/TempDir.h"

namespace varn {
namespace {

using Bytes = std::vector<std::uint8_t>;

GifColorTable Grey(int count)
{
    GifColorTable table;
    for (int i = 0; i < count; ++i)
        table.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), 7});
    return table;
}

GifFrame Frame(int left, int top, int width, int height, int seed, int colors)
{
    GifFrame frame(width, height);
    frame.left = left;
    frame.top = top;
    for (std::size_t i = 0; i < frame.pixels.size(); ++i)
        frame.pixels[i] = static_cast<std::uint8_t>((i * 7 + static_cast<std::size_t>(seed)) %
                                                    static_cast<std::size_t>(colors));
    return frame;
}

// The colours a frame's pixels show: what a reader sees, whatever the table sizes.
std::vector<GifColor> Shown(const GifImage& image, std::size_t index)
{
    std::vector<GifColor> shown;
    for (std::uint8_t pixel : image.frames[index].pixels)
        shown.push_back(image.frameColors(index).at(pixel));
    return shown;
}

void ExpectSameImage(const GifImage& written, const GifImage& read)
{
    EXPECT_EQ(read.width, written.width);
    EXPECT_EQ(read.height, written.height);
    EXPECT_EQ(read.loopCount, written.loopCount);
    ASSERT_EQ(read.frames.size(), written.frames.size());
    for (std::size_t i = 0; i < written.frames.size(); ++i) {
        SCOPED_TRACE(i);
        const GifFrame& a = written.frames[i];
        const GifFrame& b = read.frames[i];
        EXPECT_EQ(b.left, a.left);
        EXPECT_EQ(b.top, a.top);
        EXPECT_EQ(b.width, a.width);
        EXPECT_EQ(b.height, a.height);
        EXPECT_EQ(b.interlaced, a.interlaced);
        EXPECT_EQ(b.control, a.control);
        EXPECT_EQ(b.pixels, a.pixels);
        EXPECT_EQ(b.colors.empty(), a.colors.empty());
        EXPECT_EQ(Shown(read, i), Shown(written, i));
    }
}

GifImage Encoded(const GifImage& image)
{
    auto bytes = EncodeGif(image);
    EXPECT_TRUE(bytes.ok()) << bytes.message();
    auto read = DecodeGif(bytes.ok() ? bytes.value() : Bytes{});
    EXPECT_TRUE(read.ok()) << read.message();
    return read.ok() ? read.value() : GifImage{};
}

TEST(GifCodecTest, StillImageRoundTrips)
{
    GifImage image;
    image.width = 13;
    image.height = 7;
    image.colors = Grey(17); // written as a table of 32
    image.frames.push_back(Frame(0, 0, 13, 7, 1, 17));
    // The index survives with the flag off.
    image.frames[0].control = GifControl{.transparentIndex = 5, .transparent = false};

    const GifImage read = Encoded(image);
    ExpectSameImage(image, read);
    ASSERT_EQ(read.colors.size(), 32u);
    EXPECT_EQ(GifColorTable(read.colors.begin(), read.colors.begin() + 17), image.colors);
}

TEST(GifCodecTest, AnimationRoundTripsWithLoopDelaysDisposalAndLocalColours)
{
    GifImage image;
    image.width = 24;
    image.height = 32;
    image.colors = Grey(16);
    image.loopCount = 0;
    image.frames.push_back(Frame(0, 0, 24, 32, 0, 16));
    image.frames.push_back(Frame(8, 4, 9, 11, 3, 4));
    image.frames[1].colors = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {1, 2, 3}};
    image.frames.push_back(Frame(0, 0, 24, 32, 5, 16));
    image.frames[2].interlaced = true;
    image.frames[0].control = GifControl{0, true, 10, GifDisposal::Background};
    image.frames[1].control = GifControl{3, true, 40, GifDisposal::Keep};
    image.frames[2].control = GifControl{0, false, 7, GifDisposal::Previous};
    ExpectSameImage(image, Encoded(image));

    image.loopCount = 5;
    EXPECT_EQ(Encoded(image).loopCount, 5);
    image.loopCount.reset();
    EXPECT_EQ(Encoded(image).loopCount, std::nullopt);
}

TEST(GifCodecTest, InterlacedRowsComeBackInPlace)
{
    for (int height : {1, 2, 3, 5, 8, 9, 17, 33}) {
        GifImage image;
        image.width = 3;
        image.height = height;
        image.colors = Grey(64);
        GifFrame frame(3, height);
        for (int y = 0; y < height; ++y)
            frame.setPixel(1, y, static_cast<std::uint8_t>(y));
        frame.interlaced = true;
        image.frames.push_back(frame);
        ExpectSameImage(image, Encoded(image));
    }
}

// Minimal GIF files put together byte by byte, for what the encoder refuses to write.
struct HandMadeGif {
    int screenWidth = 1, screenHeight = 1;
    int globalColors = 2; // 0: none
    int left = 0, top = 0, width = 1, height = 1;
    int localColors = 0;
    std::uint8_t pixel = 0; // the one pixel, 0 to 3

    Bytes bytes() const
    {
        Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
        const auto word = [&b](int value) {
            b.push_back(static_cast<std::uint8_t>(value));
            b.push_back(static_cast<std::uint8_t>(value >> 8));
        };
        const auto table = [&b](int count) {
            for (int i = 0; i < count * 3; ++i)
                b.push_back(static_cast<std::uint8_t>(i));
        };
        const auto sizeBits = [](int count) { return count == 2 ? 0 : count == 4 ? 1 : 7; };
        word(screenWidth);
        word(screenHeight);
        b.push_back(globalColors ? static_cast<std::uint8_t>(0x80 | sizeBits(globalColors)) : 0);
        b.push_back(0);
        b.push_back(0);
        table(globalColors);
        b.push_back(0x2C);
        word(left);
        word(top);
        word(width);
        word(height);
        b.push_back(localColors ? static_cast<std::uint8_t>(0x80 | sizeBits(localColors)) : 0);
        table(localColors);
        // One pixel: clear code, the pixel, end code, as 3-bit codes.
        const int bits = 4 | (pixel << 3) | (5 << 6);
        b.insert(b.end(), {2, 2, static_cast<std::uint8_t>(bits),
                           static_cast<std::uint8_t>(bits >> 8), 0, 0x3B});
        return b;
    }
};

TEST(GifCodecTest, HandMadeGifDecodes)
{
    const auto read = DecodeGif(HandMadeGif{.pixel = 1}.bytes());
    ASSERT_TRUE(read.ok()) << read.message();
    EXPECT_EQ(read.value().frames.at(0).pixels, Bytes{1});
    EXPECT_EQ(read.value().colors.at(1), (GifColor{3, 4, 5}));
}

TEST(GifCodecTest, AControlExtensionLongerThanFourBytesIsReadFromItsFirstFour)
{
    // One pixel, and a graphic control block of five bytes: disposal 1, delay 0x0A05, no
    // transparency (index 0), and one byte more.
    const Bytes gif{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF,
                    0x21, 0xF9, 5, 0x04, 0x05, 0x0A, 0, 1, 0, 0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2,
                    0x44, 1, 0, 0x3B};
    const auto read = DecodeGif(gif);
    ASSERT_TRUE(read.ok()) << read.message();
    ASSERT_TRUE(read.value().frames.at(0).control.has_value());
    const GifControl& control = *read.value().frames[0].control;
    EXPECT_EQ(control.delay, 0x0A05);
    EXPECT_EQ(control.disposal, GifDisposal::Keep);
    EXPECT_FALSE(control.transparent);
}

TEST(GifCodecTest, MalformedGifsAreRefusedWithAMessage)
{
    struct Case {
        const char* name;
        Bytes bytes;
        std::string message;
    };
    const Case cases[] = {
        // What giflib cannot read gets the program's message, not giflib's English one.
        {"NotAGif", Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '!'},
         "ファイルの読み出しに失敗しました。"},
        {"Empty", Bytes{}, "ファイルの読み出しに失敗しました。"},
        {"ZeroSizedScreen", HandMadeGif{.screenWidth = 0}.bytes(), "GIF画像の大きさが0です。"},
        {"ZeroSizedFrame", HandMadeGif{.width = 0}.bytes(), "GIF画像の大きさが0です。"},
        {"FrameOffTheScreen", HandMadeGif{.screenWidth = 2, .left = 2}.bytes(),
         "GIF画像のフレームが画面の外にはみ出しています。"},
        {"FrameReachingPastTheScreen", HandMadeGif{.top = 65535}.bytes(),
         "GIF画像のフレームが画面の外にはみ出しています。"},
        {"FirstFrameSmallerThanTheScreen", HandMadeGif{.screenWidth = 2}.bytes(),
         "GIF画像の最初のフレームが画面全体を覆っていません。"},
        {"NoColourTable", HandMadeGif{.globalColors = 0}.bytes(),
         "GIF画像にカラーテーブルがありません。"},
        {"PixelPastTheColourTable", HandMadeGif{.pixel = 3}.bytes(),
         "GIF画像のカラーテーブルの色数が足りません。"},
        {"PixelPastTheLocalColourTable",
         HandMadeGif{.globalColors = 4, .localColors = 2, .pixel = 2}.bytes(),
         "GIF画像のカラーテーブルの色数が足りません。"},
        {"HugeFrame",
         HandMadeGif{.screenWidth = 65535, .screenHeight = 65535, .width = 65535, .height = 65535}
             .bytes(),
         "GIF画像が大きすぎます。"},
    };
    for (const Case& c : cases) {
        const auto read = DecodeGif(c.bytes);
        EXPECT_FALSE(read.ok()) << c.name;
        EXPECT_EQ(read.message(), c.message) << c.name;
    }
}

TEST(GifCodecTest, EveryTruncationIsRefused)
{
    GifImage image;
    image.width = 20;
    image.height = 10;
    image.colors = Grey(8);
    image.loopCount = 0;
    image.frames.push_back(Frame(0, 0, 20, 10, 2, 8));
    image.frames.push_back(Frame(3, 3, 5, 5, 1, 8));
    image.frames[1].control = GifControl{1, true, 5, GifDisposal::Background};
    const auto bytes = EncodeGif(image);
    ASSERT_TRUE(bytes.ok());
    // The last byte is the trailer; every shorter prefix lacks part of the data.
    for (std::size_t size = 0; size + 1 < bytes.value().size(); ++size) {
        const Bytes cut(bytes.value().begin(),
                        bytes.value().begin() + static_cast<std::ptrdiff_t>(size));
        const auto read = DecodeGif(cut);
        EXPECT_FALSE(read.ok()) << size;
        EXPECT_EQ(read.message(), kGifReadFailedMessage) << size;
    }
}

TEST(GifCodecTest, EncoderRefusesWhatReadersCouldNotShow)
{
    GifImage image;
    image.width = 2;
    image.height = 2;
    image.colors = Grey(2);
    image.frames.push_back(Frame(0, 0, 2, 2, 0, 2));
    ASSERT_TRUE(EncodeGif(image).ok());

    GifImage pastTable = image;
    pastTable.frames[0].pixels[3] = 2;
    EXPECT_EQ(EncodeGif(pastTable).message(), "GIF画像のカラーテーブルの色数が足りません。");

    GifImage noFrames = image;
    noFrames.frames.clear();
    EXPECT_FALSE(EncodeGif(noFrames).ok());

    GifImage shortPixels = image;
    shortPixels.frames[0].pixels.pop_back();
    EXPECT_EQ(EncodeGif(shortPixels).message(), "GIF画像のフレームのデータが足りません。");

    GifImage offScreen = image;
    offScreen.frames.push_back(Frame(1, 1, 2, 2, 0, 2));
    EXPECT_EQ(EncodeGif(offScreen).message(), "GIF画像のフレームが画面の外にはみ出しています。");
}

// What a reader accepts is checked from the descriptors, before the pixels: the screen, the
// number of frames and all frames' pixels together.
TEST(GifCodecTest, ReadingStopsAtTheLimitsTheReaderSets)
{
    GifImage image;
    image.width = 8;
    image.height = 8;
    image.colors = Grey(4);
    for (int i = 0; i < 5; ++i)
        image.frames.push_back(Frame(0, 0, 8, 8, i, 4));
    const auto bytes = EncodeGif(image);
    ASSERT_TRUE(bytes.ok());
    EXPECT_EQ(GifScreenSize(bytes.value()), std::pair(8, 8));
    EXPECT_EQ(GifScreenSize(Bytes{'G', 'I', 'F'}), std::nullopt);

    struct Case {
        const char* name;
        GifLimits limits;
        bool accepted;
    };
    const Case cases[] = {
        {"Defaults", GifLimits{}, true},
        {"Exact", GifLimits{8, 8, 5, 5 * 64}, true},
        {"NarrowerScreen", GifLimits{7, 8, 5, 5 * 64}, false},
        {"LowerScreen", GifLimits{8, 7, 5, 5 * 64}, false},
        {"FewerFrames", GifLimits{8, 8, 4, 5 * 64}, false},
        {"FewerPixels", GifLimits{8, 8, 5, 5 * 64 - 1}, false},
    };
    for (const Case& c : cases) {
        const auto read = DecodeGif(bytes.value(), c.limits);
        EXPECT_EQ(read.ok(), c.accepted) << c.name;
        if (!c.accepted) {
            EXPECT_EQ(read.message(), "GIF画像が大きすぎます。") << c.name;
        }
    }
}

TEST(GifCodecTest, FilesAreReplacedOnlyByWholeGifs)
{
    test::TempDir dir;
    GifImage image;
    image.width = 2;
    image.height = 1;
    image.colors = Grey(2);
    image.frames.push_back(Frame(0, 0, 2, 1, 1, 2));
    const auto path = dir.path() / "picture.gif";
    ASSERT_TRUE(SaveGifFile(image, path).ok());
    const auto saved = test::ReadFileBytes(path);
    ASSERT_TRUE(LoadGifFile(path).ok());

    // A refused image leaves the file as it was, and nothing else behind.
    GifImage bad = image;
    bad.frames[0].pixels[0] = 9;
    EXPECT_FALSE(SaveGifFile(bad, path).ok());
    EXPECT_EQ(test::ReadFileBytes(path), saved);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

    EXPECT_EQ(SaveGifFile(image, dir.path()).message(),
              "ファイルに書き込めません。\n" + dir.path().string());
    EXPECT_EQ(LoadGifFile(dir.path() / "missing.gif").message(), "ファイルが開けません。");
}

} // namespace
} // namespace varn
