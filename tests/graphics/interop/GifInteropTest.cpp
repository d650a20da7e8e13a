// GIF files the codec writes, read by Pillow and gifsicle; and GIF files Pillow and gifsicle
// write, read by the codec. Both programs are independent GIF implementations, so agreement
// with them shows the files follow the format rather than the codec's own reading of it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "JsonValue.h"
#include "Pillow.h"
#include "support/ToolRun.h"
#include "graphics/GifCodec.h"
#include "support/TempDir.h"

namespace varn::test {
namespace {

// --- Images and colours ----------------------------------------------------------------------

// `count` distinct colours (the red channel alone tells them apart).
GifColorTable Palette(int count, int seed)
{
    GifColorTable table;
    for (int i = 0; i < count; ++i)
        table.push_back({static_cast<std::uint8_t>(i * 53 + seed),
                         static_cast<std::uint8_t>(i * 101 + 3 * seed),
                         static_cast<std::uint8_t>(255 - i * 29)});
    return table;
}

// A frame whose rows all differ (so rows stored out of order show) and which uses every index
// below `count` once it has `count` pixels.
GifFrame PatternFrame(int left, int top, int width, int height, int count, int seed)
{
    GifFrame frame(width, height);
    frame.left = left;
    frame.top = top;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            frame.setPixel(x, y, static_cast<std::uint8_t>(((y * width + x) * 7 + seed) % count));
    }
    return frame;
}

// The number of entries a colour table of `size` colours has in a file: GIF tables hold a
// power of two, at least two.
int StoredTableSize(std::size_t size)
{
    int stored = 2;
    while (stored < static_cast<int>(size))
        stored *= 2;
    return stored;
}

GifColor ColorOf(const JsonValue& rgb)
{
    return {static_cast<std::uint8_t>(rgb[0].integer()),
            static_cast<std::uint8_t>(rgb[1].integer()),
            static_cast<std::uint8_t>(rgb[2].integer())};
}

std::string Describe(const GifColor& color)
{
    char text[16];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", color.red, color.green, color.blue);
    return text;
}

bool IsTransparent(const GifFrame& frame, std::uint8_t index)
{
    return frame.control && frame.control->transparent && frame.control->transparentIndex == index;
}

std::string ReadText(const std::filesystem::path& path)
{
    const auto bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// --- Pillow ------------------------------------------------------------------------------

// --- gifsicle ----------------------------------------------------------------------------

std::string GifsicleDisposal(GifDisposal disposal)
{
    switch (disposal) {
    case GifDisposal::Keep:
        return "asis";
    case GifDisposal::Background:
        return "background";
    case GifDisposal::Previous:
        return "previous";
    case GifDisposal::Unspecified:
        break;
    }
    return "";
}

// A delay as gifsicle prints it, in seconds: "0.07s".
std::string GifsicleDelay(int hundredths)
{
    char text[32];
    std::snprintf(text, sizeof text, "%d.%02ds", hundredths / 100, hundredths % 100);
    return text;
}

// What `gifsicle --info` prints about one image of a GIF.
struct GifsicleImage {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool interlaced = false;
    std::optional<int> transparent;
    int localColors = 0;
    std::string disposal; // empty when none is printed
    std::string delay;    // empty when none is printed
};

// What `gifsicle --info` prints about a GIF.
struct GifsicleInfo {
    int imageCount = -1;
    int width = 0;
    int height = 0;
    int globalColors = 0;
    int background = -1;
    std::string loop; // "forever", "count N", or empty
    std::vector<GifsicleImage> images;
};

// Reads gifsicle's summary of one GIF:
//   * NAME 3 images
//     logical screen 24x20
//     global color table [32]
//     background 3
//     loop forever
//     + image #1 12x9 at 3,2 interlaced transparent 2
//       local color table [8]
//       disposal background delay 0.25s
GifsicleInfo ParseGifsicleInfo(const std::string& text)
{
    GifsicleInfo info;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string word; words >> word;)
            w.push_back(word);
        if (w.empty())
            continue;
        if (w[0] == "*" && w.size() >= 4) {
            info.imageCount = std::stoi(w[w.size() - 2]);
        } else if (w[0] == "logical" && w.size() == 3) {
            std::sscanf(w[2].c_str(), "%dx%d", &info.width, &info.height);
        } else if (w[0] == "global" && w.size() == 4) {
            std::sscanf(w[3].c_str(), "[%d]", &info.globalColors);
        } else if (w[0] == "background" && w.size() == 2) {
            info.background = std::stoi(w[1]);
        } else if (w[0] == "loop") {
            info.loop = line.substr(line.find("loop") + 5);
        } else if (w[0] == "+" && w.size() >= 4) {
            GifsicleImage image;
            std::sscanf(w[3].c_str(), "%dx%d", &image.width, &image.height);
            for (std::size_t i = 4; i < w.size(); ++i) {
                if (w[i] == "at" && i + 1 < w.size())
                    std::sscanf(w[++i].c_str(), "%d,%d", &image.left, &image.top);
                else if (w[i] == "interlaced")
                    image.interlaced = true;
                else if (w[i] == "transparent" && i + 1 < w.size())
                    image.transparent = std::stoi(w[++i]);
            }
            info.images.push_back(image);
        } else if (w[0] == "local" && w.size() == 4 && !info.images.empty()) {
            std::sscanf(w[3].c_str(), "[%d]", &info.images.back().localColors);
        } else if ((w[0] == "disposal" || w[0] == "delay") && !info.images.empty()) {
            for (std::size_t i = 0; i + 1 < w.size(); i += 2) {
                if (w[i] == "disposal")
                    info.images.back().disposal = w[i + 1];
                else if (w[i] == "delay")
                    info.images.back().delay = w[i + 1];
            }
        }
    }
    return info;
}

// --- Comparing decoded images with what a tool meant to write -----------------------------

// One frame as a tool was asked to write it: the colour of every pixel of a region of the
// screen, and its graphic control extension.
struct ExpectedFrame {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    // True: the frame must be exactly this region. False: the tool may have cropped it to the
    // part that changed, so it may be any rectangle inside the region.
    bool exactPlace = false;
    std::vector<GifColor> colors;        // width * height, row by row
    std::optional<GifColor> transparent; // the colour of the transparent index
    int delay = 0;
    int disposal = 0;
    bool interlaced = false;
};

struct ExpectedImage {
    int width = 0;
    int height = 0;
    std::optional<int> loop;
    std::vector<ExpectedFrame> frames;
};

// The expectation pil_gif.py writes beside each file it writes.
ExpectedImage ExpectedFromJson(const JsonValue& json)
{
    ExpectedImage image;
    image.width = json["width"].integer();
    image.height = json["height"].integer();
    if (!json["loop"].isNull())
        image.loop = json["loop"].integer();
    for (const JsonValue& frameJson : json["frames"].array()) {
        ExpectedFrame frame;
        frame.width = image.width;
        frame.height = image.height;
        for (const JsonValue& rgb : frameJson["rgb"].array())
            frame.colors.push_back(ColorOf(rgb));
        if (!frameJson["transparent_rgb"].isNull())
            frame.transparent = ColorOf(frameJson["transparent_rgb"]);
        // Pillow gives durations in milliseconds; GIF keeps hundredths of a second.
        if (!frameJson["duration"].isNull())
            frame.delay = frameJson["duration"].integer() / 10;
        frame.disposal = frameJson["disposal"].integer();
        frame.interlaced = frameJson["interlaced"].boolean();
        image.frames.push_back(std::move(frame));
    }
    return image;
}

std::optional<ExpectedImage> LoadExpected(const std::filesystem::path& json)
{
    auto parsed = ParseJson(ReadText(json));
    if (!parsed) {
        ADD_FAILURE() << json << " is not JSON";
        return std::nullopt;
    }
    return ExpectedFromJson(*parsed);
}

// Checks a decoded frame against what was meant, pixel by pixel: exactly the pixels meant
// in the transparent colour are transparent, and every other pixel has its colour. (A tool
// may give the transparent index another colour, as gifsicle does when it merges tables;
// what a transparent pixel shows does not depend on it.) Reports the first difference only.
::testing::AssertionResult FrameShows(const GifImage& image, std::size_t index,
                                      const ExpectedFrame& expected)
{
    const GifFrame& frame = image.frames[index];
    const GifColorTable& colors = image.frameColors(index);
    if (frame.left < expected.left || frame.top < expected.top ||
        frame.left + frame.width > expected.left + expected.width ||
        frame.top + frame.height > expected.top + expected.height)
        return ::testing::AssertionFailure()
               << "frame " << frame.width << "x" << frame.height << " at " << frame.left << ","
               << frame.top << " lies outside the expected region";
    for (int y = 0; y < frame.height; ++y) {
        for (int x = 0; x < frame.width; ++x) {
            const std::uint8_t value = frame.pixel(x, y);
            const int ex = frame.left + x - expected.left;
            const int ey = frame.top + y - expected.top;
            const GifColor& want =
                expected.colors[static_cast<std::size_t>(ey * expected.width + ex)];
            if (value >= colors.size())
                return ::testing::AssertionFailure()
                       << "pixel " << x << "," << y << " has index " << int{value}
                       << " beyond a table of " << colors.size();
            const bool transparent = IsTransparent(frame, value);
            const bool wantTransparent = expected.transparent && want == *expected.transparent;
            if (transparent != wantTransparent)
                return ::testing::AssertionFailure()
                       << "pixel " << x << "," << y << " (screen " << frame.left + x << ","
                       << frame.top + y << ") is " << (transparent ? "transparent" : "opaque")
                       << ", expected " << (wantTransparent ? "transparent" : "opaque");
            if (!transparent && colors[value] != want)
                return ::testing::AssertionFailure()
                       << "pixel " << x << "," << y << " (screen " << frame.left + x << ","
                       << frame.top + y << ") is " << Describe(colors[value]) << ", expected "
                       << Describe(want);
        }
    }
    return ::testing::AssertionSuccess();
}

void ExpectDecodedAs(const GifImage& image, const ExpectedImage& expected)
{
    EXPECT_EQ(image.width, expected.width);
    EXPECT_EQ(image.height, expected.height);
    EXPECT_EQ(image.loopCount, expected.loop);
    ASSERT_EQ(image.frames.size(), expected.frames.size());
    for (std::size_t i = 0; i < image.frames.size(); ++i) {
        SCOPED_TRACE("frame " + std::to_string(i));
        const GifFrame& frame = image.frames[i];
        const ExpectedFrame& want = expected.frames[i];
        if (want.exactPlace) {
            EXPECT_EQ(frame.left, want.left);
            EXPECT_EQ(frame.top, want.top);
            EXPECT_EQ(frame.width, want.width);
            EXPECT_EQ(frame.height, want.height);
        }
        EXPECT_EQ(frame.interlaced, want.interlaced);
        const GifControl control = frame.control.value_or(GifControl{});
        EXPECT_EQ(control.delay, want.delay);
        EXPECT_EQ(static_cast<int>(control.disposal), want.disposal);
        EXPECT_EQ(control.transparent, want.transparent.has_value());
        EXPECT_TRUE(FrameShows(image, i, want));
    }
}

// --- Writing: images the codec writes, read by Pillow and gifsicle ---------------------------

struct WrittenCase {
    std::string name;
    GifImage image;
};

std::vector<WrittenCase> WrittenCases()
{
    std::vector<WrittenCase> cases;

    // A still with a 17-colour table, which the file holds as 32 entries, and no extensions.
    GifImage still;
    still.width = 19;
    still.height = 13;
    still.colors = Palette(17, 5);
    still.frames.push_back(PatternFrame(0, 0, 19, 13, 17, 0));
    cases.push_back({"still_17_colours", still});

    // Three frames played for ever: different delays and disposals, a transparent index kept
    // while its flag is off, a frame with a local table, and an interlaced frame whose rows
    // span all four passes.
    GifImage animation;
    animation.width = 24;
    animation.height = 20;
    animation.colors = Palette(17, 11);
    animation.backgroundIndex = 3;
    animation.loopCount = 0;
    GifFrame first = PatternFrame(0, 0, 24, 20, 17, 1);
    first.control = GifControl{4, false, 10, GifDisposal::Background};
    GifFrame second = PatternFrame(3, 2, 12, 9, 5, 2);
    second.colors = Palette(5, 200);
    second.control = GifControl{2, true, 25, GifDisposal::Background};
    GifFrame third = PatternFrame(5, 7, 10, 13, 17, 3);
    third.interlaced = true;
    third.control = GifControl{16, true, 7, GifDisposal::Keep};
    animation.frames = {first, second, third};
    cases.push_back({"animation", animation});

    // An interlaced still with a full 256-colour table, looped three times.
    GifImage interlaced;
    interlaced.width = 16;
    interlaced.height = 21;
    interlaced.colors = Palette(256, 77);
    interlaced.loopCount = 3;
    GifFrame only = PatternFrame(0, 0, 16, 21, 256, 9);
    only.interlaced = true;
    only.control = GifControl{200, true, 0, GifDisposal::Previous};
    interlaced.frames.push_back(only);
    cases.push_back({"interlaced_256", interlaced});

    return cases;
}

TEST(GifInteropWriteTest, PillowReadsWhatTheCodecWrites)
{
    TempDir dir;
    for (const auto& [name, image] : WrittenCases()) {
        SCOPED_TRACE(name);
        const auto path = dir.path() / (name + ".gif");
        ASSERT_TRUE(SaveGifFile(image, path).ok());
        const auto description = DescribeWithPillow(path);
        ASSERT_TRUE(description);
        const JsonValue& d = *description;

        EXPECT_EQ(d["width"].integer(), image.width);
        EXPECT_EQ(d["height"].integer(), image.height);
        EXPECT_EQ(d["background"].integer(), image.backgroundIndex);
        EXPECT_EQ(d["global_colors"].integer(), StoredTableSize(image.colors.size()));
        if (image.loopCount)
            EXPECT_EQ(d["loop"].integer(), *image.loopCount);
        else
            EXPECT_TRUE(d["loop"].isNull());
        ASSERT_EQ(d["n_frames"].integer(), static_cast<int>(image.frames.size()));
        ASSERT_EQ(d["frames"].array().size(), image.frames.size());

        for (std::size_t i = 0; i < image.frames.size(); ++i) {
            SCOPED_TRACE("frame " + std::to_string(i));
            const GifFrame& frame = image.frames[i];
            const JsonValue& f = d["frames"][i];
            EXPECT_EQ(f["left"].integer(), frame.left);
            EXPECT_EQ(f["top"].integer(), frame.top);
            EXPECT_EQ(f["width"].integer(), frame.width);
            EXPECT_EQ(f["height"].integer(), frame.height);
            EXPECT_EQ(f["interlaced"].boolean(), frame.interlaced);
            EXPECT_EQ(f["local_colors"].integer(),
                      frame.colors.empty() ? 0 : StoredTableSize(frame.colors.size()));
            // Every frame written here with a control extension names a disposal, so
            // Pillow's habit of carrying a disposal over to frames without one never shows.
            if (frame.control) {
                EXPECT_EQ(f["duration"].integer(), frame.control->delay * 10);
                EXPECT_EQ(f["disposal"].integer(), static_cast<int>(frame.control->disposal));
            } else {
                EXPECT_TRUE(f["duration"].isNull());
                EXPECT_EQ(f["disposal"].integer(), 0);
            }
            if (frame.control && frame.control->transparent)
                EXPECT_EQ(f["transparency"].integer(), frame.control->transparentIndex);
            else
                EXPECT_TRUE(f["transparency"].isNull());

            const auto& indices = f["indices"].array();
            const auto& rgb = f["rgb"].array();
            ASSERT_EQ(indices.size(), frame.pixels.size());
            ASSERT_EQ(rgb.size(), frame.pixels.size());
            const GifColorTable& colors = image.frameColors(i);
            for (std::size_t p = 0; p < frame.pixels.size(); ++p) {
                ASSERT_EQ(indices[p].integer(), frame.pixels[p]) << "pixel " << p;
                ASSERT_EQ(ColorOf(rgb[p]), colors[frame.pixels[p]]) << "pixel " << p;
            }
        }
    }
}

TEST(GifInteropWriteTest, GifsicleInfoMatchesWhatTheCodecWrites)
{
    TempDir dir;
    for (const auto& [name, image] : WrittenCases()) {
        SCOPED_TRACE(name);
        const auto path = dir.path() / (name + ".gif");
        ASSERT_TRUE(SaveGifFile(image, path).ok());
        const ToolRun run = RunTool({VARN_GIFSICLE, "--info", path.string()});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err, "") << "gifsicle warns about the file";
        const GifsicleInfo info = ParseGifsicleInfo(run.out);

        EXPECT_EQ(info.width, image.width);
        EXPECT_EQ(info.height, image.height);
        EXPECT_EQ(info.globalColors, StoredTableSize(image.colors.size()));
        EXPECT_EQ(info.background, image.backgroundIndex);
        if (!image.loopCount)
            EXPECT_EQ(info.loop, "");
        else if (*image.loopCount == 0)
            EXPECT_EQ(info.loop, "forever");
        else
            EXPECT_EQ(info.loop, "count " + std::to_string(*image.loopCount));
        EXPECT_EQ(info.imageCount, static_cast<int>(image.frames.size()));
        ASSERT_EQ(info.images.size(), image.frames.size()) << run.out;

        for (std::size_t i = 0; i < image.frames.size(); ++i) {
            SCOPED_TRACE("frame " + std::to_string(i));
            const GifFrame& frame = image.frames[i];
            const GifsicleImage& seen = info.images[i];
            EXPECT_EQ(seen.left, frame.left);
            EXPECT_EQ(seen.top, frame.top);
            EXPECT_EQ(seen.width, frame.width);
            EXPECT_EQ(seen.height, frame.height);
            EXPECT_EQ(seen.interlaced, frame.interlaced);
            EXPECT_EQ(seen.localColors,
                      frame.colors.empty() ? 0 : StoredTableSize(frame.colors.size()));
            const GifControl control = frame.control.value_or(GifControl{});
            EXPECT_EQ(seen.disposal, GifsicleDisposal(control.disposal));
            EXPECT_EQ(seen.delay, control.delay != 0 ? GifsicleDelay(control.delay) : "");
            if (control.transparent)
                EXPECT_EQ(seen.transparent, control.transparentIndex);
            else
                EXPECT_EQ(seen.transparent, std::nullopt);
        }
    }
}

// gifsicle decodes the frames, mirrors them and encodes them again; the codec reads its
// output back. The mirrored pixels can only come out right if gifsicle read the pixels the
// codec wrote, interlaced rows included.
TEST(GifInteropWriteTest, GifsicleDecodesThePixelsTheCodecWrites)
{
    TempDir dir;
    for (const auto& [name, image] : WrittenCases()) {
        SCOPED_TRACE(name);
        const auto in = dir.path() / (name + ".gif");
        const auto out = dir.path() / (name + "-flipped.gif");
        ASSERT_TRUE(SaveGifFile(image, in).ok());
        const ToolRun run =
            RunTool({VARN_GIFSICLE, "--flip-horizontal", in.string(), "-o", out.string()});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err, "");
        const auto flipped = LoadGifFile(out);
        ASSERT_TRUE(flipped.ok()) << flipped.message();
        const GifImage& mirror = flipped.value();

        EXPECT_EQ(mirror.width, image.width);
        EXPECT_EQ(mirror.height, image.height);
        EXPECT_EQ(mirror.loopCount, image.loopCount);
        ASSERT_EQ(mirror.frames.size(), image.frames.size());
        for (std::size_t i = 0; i < image.frames.size(); ++i) {
            SCOPED_TRACE("frame " + std::to_string(i));
            const GifFrame& frame = image.frames[i];
            const GifFrame& seen = mirror.frames[i];
            EXPECT_EQ(seen.left, image.width - frame.left - frame.width);
            EXPECT_EQ(seen.top, frame.top);
            ASSERT_EQ(seen.width, frame.width);
            ASSERT_EQ(seen.height, frame.height);
            EXPECT_EQ(seen.interlaced, frame.interlaced);
            const GifControl control = frame.control.value_or(GifControl{});
            const GifControl seenControl = seen.control.value_or(GifControl{});
            EXPECT_EQ(seenControl.delay, control.delay);
            EXPECT_EQ(seenControl.disposal, control.disposal);
            EXPECT_EQ(seenControl.transparent, control.transparent);

            const GifColorTable& colors = image.frameColors(i);
            const GifColorTable& seenColors = mirror.frameColors(i);
            for (int y = 0; y < frame.height; ++y) {
                for (int x = 0; x < frame.width; ++x) {
                    const std::uint8_t ours = frame.pixel(frame.width - 1 - x, y);
                    const std::uint8_t theirs = seen.pixel(x, y);
                    ASSERT_LT(theirs, seenColors.size());
                    ASSERT_EQ(IsTransparent(seen, theirs), IsTransparent(frame, ours))
                        << "pixel " << x << "," << y;
                    // A transparent pixel shows what lies beneath; its colour does not matter.
                    if (!IsTransparent(frame, ours)) {
                        ASSERT_EQ(seenColors[theirs], colors[ours]) << "pixel " << x << "," << y;
                    }
                }
            }
        }
    }
}

// --- Reading: images Pillow and gifsicle write, read by the codec ---------------------------

// The files pil_gif.py writes, made once for all the reading tests.
class GifInteropReadTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = std::make_unique<TempDir>();
        const ToolRun run =
            RunTool({VARN_PYTHON, VARN_PIL_GIF_SCRIPT, "write", dir_->path().string()});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        std::istringstream names(run.out);
        for (std::string name; std::getline(names, name);)
            names_.push_back(name);
    }

    static void TearDownTestSuite() { dir_.reset(); }

    static std::filesystem::path gif(const std::string& name)
    {
        return dir_->path() / (name + ".gif");
    }

    static std::optional<ExpectedImage> expected(const std::string& name)
    {
        return LoadExpected(dir_->path() / (name + ".json"));
    }

    static inline std::unique_ptr<TempDir> dir_;
    static inline std::vector<std::string> names_;
};

TEST_F(GifInteropReadTest, PillowFilesDecodeToTheColoursPillowWrote)
{
    ASSERT_FALSE(names_.empty());
    for (const std::string& name : names_) {
        SCOPED_TRACE(name);
        const auto image = LoadGifFile(gif(name));
        ASSERT_TRUE(image.ok()) << image.message();
        const auto want = expected(name);
        ASSERT_TRUE(want);
        ExpectDecodedAs(image.value(), *want);
    }
}

// Pillow stores every frame after the first with a table of its own, cropped to where it
// differs from the frame before; the three-frame animation must show both, or the test above
// no longer covers local tables and offset frames.
TEST_F(GifInteropReadTest, PillowAnimationHasLocalTablesAndAnOffsetFrame)
{
    const auto image = LoadGifFile(gif("animation"));
    ASSERT_TRUE(image.ok()) << image.message();
    const auto& frames = image.value().frames;
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_TRUE(frames[0].colors.empty());
    EXPECT_FALSE(frames[1].colors.empty());
    EXPECT_FALSE(frames[2].colors.empty());
    EXPECT_NE(image.value().colors, frames[1].colors);
    EXPECT_TRUE(frames[2].left > 0 && frames[2].top > 0 && frames[2].width < image.value().width)
        << "frame 2 is " << frames[2].width << "x" << frames[2].height << " at " << frames[2].left
        << "," << frames[2].top;
}

TEST_F(GifInteropReadTest, GifsicleFilesDecodeToTheColoursOfTheirSources)
{
    const auto still16 = expected("still_16");
    const auto still256 = expected("still_256");
    const auto interlaced256 = expected("still_256_interlaced");
    const auto uses4 = expected("still_uses_4");
    const auto piece0 = expected("piece_0");
    const auto piece1 = expected("piece_1");
    const auto piece2 = expected("piece_2");
    ASSERT_TRUE(still16 && still256 && interlaced256 && uses4 && piece0 && piece1 && piece2);

    struct Case {
        std::string name;
        std::vector<std::string> arguments; // between "gifsicle" and "-o OUT"
        ExpectedImage expected;
        int maxGlobalColors = 256;
        bool localTable = false; // some frame must have a table of its own
    };
    std::vector<Case> cases;

    {
        ExpectedImage want = *still16;
        want.frames[0].interlaced = true;
        want.loop = 7;
        cases.push_back({"interlace and loop",
                         {"--interlace", "--loopcount=7", gif("still_16").string()},
                         want});
    }
    {
        ExpectedImage want = *still256;
        want.frames[0].interlaced = true;
        cases.push_back(
            {"interlace 256 colours", {"--interlace", gif("still_256").string()}, want});
    }
    {
        ExpectedImage want = *interlaced256;
        want.frames[0].interlaced = false;
        cases.push_back(
            {"deinterlace", {"--no-interlace", gif("still_256_interlaced").string()}, want});
    }
    // The source has a 16-colour table of which its pixels use four.
    cases.push_back({"four colours", {"--colors", "4", gif("still_uses_4").string()}, *uses4, 4});
    {
        ExpectedImage want = *still16;
        const GifColor chosen = want.frames[0].colors[5];
        want.frames[0].transparent = chosen;
        cases.push_back({"transparent colour",
                         {"--transparent", Describe(chosen), gif("still_16").string()},
                         want});
    }
    {
        // Three stills merged into an animation: together the first two hold more colours
        // than one table can, so gifsicle gives a frame a local table; the third is smaller,
        // placed inside the screen and made transparent in one of its colours.
        ExpectedImage want;
        want.width = piece0->width;
        want.height = piece0->height;
        want.loop = 0;
        ExpectedFrame first = piece0->frames[0];
        first.delay = 25;
        first.disposal = 2;
        ExpectedFrame second = piece1->frames[0];
        second.delay = 8;
        second.disposal = 1;
        ExpectedFrame third = piece2->frames[0];
        third.left = 5;
        third.top = 4;
        third.width = piece2->width;
        third.height = piece2->height;
        third.delay = 40;
        third.disposal = 3;
        third.transparent = third.colors[2];
        for (ExpectedFrame* frame : {&first, &second, &third})
            frame->exactPlace = true;
        want.frames = {first, second, third};
        // Each input with the options gifsicle applies to it.
        const std::vector<std::vector<std::string>> inputs = {
            {"-d", "25", "-D", "background", gif("piece_0").string()},
            {"-d", "8", "-D", "asis", gif("piece_1").string()},
            {"-d", "40", "-D", "previous", "-p", "5,4", "-t", Describe(*third.transparent),
             gif("piece_2").string()},
        };
        std::vector<std::string> arguments{"--merge", "--loopcount=forever"};
        for (const auto& input : inputs)
            arguments.insert(arguments.end(), input.begin(), input.end());
        cases.push_back({"merged animation", arguments, want, 256, true});
    }

    TempDir dir;
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto out = dir.path() / ("gifsicle-" + std::to_string(index++) + ".gif");
        std::vector<std::string> command{VARN_GIFSICLE};
        command.insert(command.end(), c.arguments.begin(), c.arguments.end());
        command.insert(command.end(), {"-o", out.string()});
        const ToolRun run = RunTool(command);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const auto image = LoadGifFile(out);
        ASSERT_TRUE(image.ok()) << image.message();
        ExpectDecodedAs(image.value(), c.expected);
        EXPECT_LE(image.value().colors.size(), static_cast<std::size_t>(c.maxGlobalColors));
        if (c.localTable) {
            const auto& frames = image.value().frames;
            EXPECT_TRUE(std::any_of(frames.begin(), frames.end(), [](const GifFrame& frame) {
                return !frame.colors.empty();
            })) << "gifsicle wrote no local table, so the case no longer covers one";
        }
    }
}

} // namespace
} // namespace varn::test
