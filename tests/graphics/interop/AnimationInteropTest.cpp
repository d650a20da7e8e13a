// Animations as the window "アニメーション確認" saves them, read back by Pillow and gifsicle:
// frame count, delays, disposal, loop and transparency as the pose says, and frames that are
// the sheet's tiles at the frame table's slots.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "JsonValue.h"
#include "graphics/Animation.h"
#include "graphics/SnesTile.h"
#include "graphics/SpriteSheet.h"
#include "support/TempDir.h"
#include "support/ToolRun.h"

namespace varn::test {
namespace {

struct SheetSource {
    SheetTiles tiles{};
    GifImage sheet;
};

// A sheet of random colours and tiles (no pixel of colour 3) and the tile block it shows.
SheetSource RandomSheet(unsigned seed)
{
    std::mt19937 random(seed);
    SheetPalette palette{};
    for (auto& byte : palette)
        byte = static_cast<std::uint8_t>(random());
    SheetSource source;
    for (int t = 0; t < kSheetTileCount; ++t) {
        TilePixels pixels{};
        for (auto& index : pixels)
            index = static_cast<std::uint8_t>(random() % 15);
        std::replace(pixels.begin(), pixels.end(), std::uint8_t{3}, std::uint8_t{15});
        const TileBytes bytes = EncodeTile(pixels);
        std::copy(bytes.begin(), bytes.end(), source.tiles.begin() + t * kTileBytes);
    }
    BuildSheetImage(palette, source.tiles, source.sheet);
    return source;
}

// The colour indices frame `number` of the frame table shows, row by row: tile j of the frame
// is the tile of the sheet's slot j, found by its place in the block order.
std::vector<int> FrameIndices(const SheetTiles& tiles, int number)
{
    std::vector<int> indices(24 * 32);
    const auto& slots = AnimationFrames[static_cast<std::size_t>(number)];
    for (int j = 0; j < 12; ++j) {
        const auto at = std::find(SheetTileSlots.begin(), SheetTileSlots.end(),
                                  slots[static_cast<std::size_t>(j)]);
        const auto t = at - SheetTileSlots.begin();
        const TilePixels pixels = DecodeTile(
            std::span<const std::uint8_t, kTileBytes>(tiles.data() + t * kTileBytes, kTileBytes));
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x)
                indices[static_cast<std::size_t>((8 * (j / 3) + y) * 24 + 8 * (j % 3) + x)] =
                    pixels[static_cast<std::size_t>(y * 8 + x)];
        }
    }
    return indices;
}

// What `gifsicle --info` prints about each image: "+ image #0 24x32 transparent 0" and
// "disposal background delay 0.17s", and the loop line of the file.
struct GifsicleSummary {
    int imageCount = -1;
    std::string loop;
    struct Image {
        std::string size;
        std::optional<int> transparent;
        std::string disposal;
        std::string delay;
    };
    std::vector<Image> images;
};

GifsicleSummary ReadGifsicleInfo(const std::string& text)
{
    GifsicleSummary summary;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream stream(line);
        std::vector<std::string> w;
        for (std::string word; stream >> word;)
            w.push_back(word);
        if (w.empty())
            continue;
        if (w[0] == "*" && w.size() >= 4)
            summary.imageCount = std::stoi(w[w.size() - 2]);
        else if (w[0] == "loop")
            summary.loop = line.substr(line.find("loop") + 5);
        else if (w[0] == "+" && w.size() >= 4) {
            GifsicleSummary::Image image;
            image.size = w[3];
            for (std::size_t i = 4; i + 1 < w.size(); ++i) {
                if (w[i] == "transparent")
                    image.transparent = std::stoi(w[i + 1]);
            }
            summary.images.push_back(image);
        } else if ((w[0] == "disposal" || w[0] == "delay") && !summary.images.empty()) {
            for (std::size_t i = 0; i + 1 < w.size(); i += 2) {
                if (w[i] == "disposal")
                    summary.images.back().disposal = w[i + 1];
                else if (w[i] == "delay")
                    summary.images.back().delay = w[i + 1];
            }
        }
    }
    return summary;
}

std::string Seconds(int hundredths)
{
    char text[32];
    std::snprintf(text, sizeof text, "%d.%02ds", hundredths / 100, hundredths % 100);
    return text;
}

struct SavedCase {
    int pose;
    bool poison;
    int aniTransparent;
};

class AnimationInteropTest : public testing::TestWithParam<SavedCase> {
protected:
    // Saves the case's animation as the window does and returns its path.
    std::filesystem::path Save(const SheetSource& source)
    {
        const SavedCase& c = GetParam();
        auto preview = AnimationPreview::Create(source.sheet);
        EXPECT_TRUE(preview.ok()) << preview.message();
        EXPECT_TRUE(preview.value().setPose(c.pose).ok());
        preview.value().setPoisoned(c.poison);
        const auto path = dir_.path() / "animation.gif";
        EXPECT_TRUE(preview.value().save(path, c.aniTransparent).ok());
        return path;
    }

    TempDir dir_;
};

TEST_P(AnimationInteropTest, GifsicleReadsThePosesFramesDelaysDisposalLoopAndTransparency)
{
    const SavedCase& c = GetParam();
    const SheetSource source = RandomSheet(40 + static_cast<unsigned>(c.pose));
    const auto path = Save(source);
    const ToolRun run = RunTool({VARN_GIFSICLE, "--info", path.string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const GifsicleSummary info = ReadGifsicleInfo(run.out);

    const AnimationPose& pose = AnimationPoses[static_cast<std::size_t>(c.pose)];
    EXPECT_EQ(info.imageCount, static_cast<int>(pose.count)) << run.out;
    EXPECT_EQ(info.loop, "forever") << run.out;
    ASSERT_EQ(info.images.size(), pose.count) << run.out;
    for (std::size_t i = 0; i < pose.count; ++i) {
        SCOPED_TRACE("frame " + std::to_string(i));
        EXPECT_EQ(info.images[i].size, "24x32");
        EXPECT_EQ(info.images[i].disposal, "background");
        EXPECT_EQ(info.images[i].delay, Seconds(pose.delays[i]));
        EXPECT_EQ(info.images[i].transparent,
                  c.aniTransparent == 1 ? std::optional(0) : std::nullopt);
    }
}

TEST_P(AnimationInteropTest, PillowReadsTheSheetsTilesAtTheFrameTablesSlots)
{
    const SavedCase& c = GetParam();
    const SheetSource source = RandomSheet(60 + static_cast<unsigned>(c.pose));
    const auto path = Save(source);
    const ToolRun run = RunTool({VARN_PYTHON, VARN_PIL_GIF_SCRIPT, "describe", path.string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto description = ParseJson(run.out);
    ASSERT_TRUE(description) << run.out;
    const JsonValue& d = *description;

    const AnimationPose& pose = AnimationPoses[static_cast<std::size_t>(c.pose)];
    EXPECT_EQ(d["width"].integer(), 24);
    EXPECT_EQ(d["height"].integer(), 32);
    EXPECT_EQ(d["n_frames"].integer(), static_cast<int>(pose.count));
    EXPECT_EQ(d["loop"].integer(), 0);
    const auto& frames = d["frames"].array();
    ASSERT_EQ(frames.size(), pose.count);

    // The colours the sheet's indices name, with the tint when "毒" was on.
    GifColorTable colors = source.sheet.colors;
    if (c.poison) {
        for (const std::size_t i : kPoisonColours)
            colors[i].green = 0;
    }
    for (std::size_t i = 0; i < pose.count; ++i) {
        SCOPED_TRACE("frame " + std::to_string(i));
        const JsonValue& frame = frames[i];
        EXPECT_EQ(frame["duration"].integer(), pose.delays[i] * 10); // milliseconds
        EXPECT_EQ(frame["disposal"].integer(), 2);
        if (c.aniTransparent == 1)
            EXPECT_EQ(frame["transparency"].integer(), 0);
        else
            EXPECT_TRUE(frame["transparency"].isNull());
        const std::vector<int> want = FrameIndices(source.tiles, pose.frames[i]);
        const auto& indices = frame["indices"].array();
        const auto& rgb = frame["rgb"].array();
        ASSERT_EQ(indices.size(), want.size());
        ASSERT_EQ(rgb.size(), want.size());
        int differences = 0;
        for (std::size_t p = 0; p < want.size(); ++p) {
            const GifColor& color = colors[static_cast<std::size_t>(want[p])];
            const bool same = indices[p].integer() == want[p] &&
                              rgb[p][0].integer() == color.red &&
                              rgb[p][1].integer() == color.green &&
                              rgb[p][2].integer() == color.blue;
            if (!same && differences++ == 0)
                ADD_FAILURE() << "pixel " << p % 24 << "," << p / 24 << " is index "
                              << indices[p].integer() << ", expected " << want[p];
        }
        EXPECT_EQ(differences, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Poses, AnimationInteropTest,
    testing::Values(SavedCase{0, false, 1}, SavedCase{1, false, 0}, SavedCase{2, true, 1},
                    SavedCase{3, false, 1}, SavedCase{4, true, 0}, SavedCase{5, false, 1},
                    SavedCase{5, true, 0}),
    [](const auto& info) {
        return "Pose" + std::to_string(info.param.pose) + (info.param.poison ? "Poison" : "") +
               (info.param.aniTransparent == 1 ? "Transparent" : "Opaque");
    });

} // namespace
} // namespace varn::test
