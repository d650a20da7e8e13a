#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "graphics/Animation.h"
#include "graphics/GifCodec.h"
#include "graphics/SnesTile.h"
#include "graphics/SpriteSheet.h"
#include "support/TempDir.h"

namespace varn {
namespace {

struct SheetSource {
    SheetPalette palette;
    SheetTiles tiles;
    GifImage sheet;
};

// A sheet of random colours and random tiles (no pixel of colour 3), with the palette and
// tiles it was drawn from.
SheetSource RandomSheet(unsigned seed)
{
    std::mt19937 random(seed);
    SheetSource source;
    for (auto& byte : source.palette)
        byte = static_cast<std::uint8_t>(random());
    for (auto& byte : source.tiles)
        byte = static_cast<std::uint8_t>(random());
    for (int t = 0; t < kSheetTileCount; ++t) {
        const auto span = std::span<const std::uint8_t, kTileBytes>(
            source.tiles.data() + t * kTileBytes, kTileBytes);
        TilePixels pixels = DecodeTile(span);
        std::replace(pixels.begin(), pixels.end(), std::uint8_t{3}, std::uint8_t{12});
        const TileBytes fixed = EncodeTile(pixels);
        std::copy(fixed.begin(), fixed.end(), source.tiles.begin() + t * kTileBytes);
    }
    BuildSheetImage(source.palette, source.tiles, source.sheet);
    return source;
}

// The colour indices of tile `slot` as the tile block holds them: the block order is where the
// slot stands in the sheet's slot table.
TilePixels TileAtSlot(const SheetTiles& tiles, int slot)
{
    const auto at = std::find(SheetTileSlots.begin(), SheetTileSlots.end(), slot);
    EXPECT_NE(at, SheetTileSlots.end()) << "slot " << slot << " holds no tile";
    const auto t = at - SheetTileSlots.begin();
    return DecodeTile(
        std::span<const std::uint8_t, kTileBytes>(tiles.data() + t * kTileBytes, kTileBytes));
}

// Checks that an animation frame shows frame `number` of the frame table: tile j at
// (8 * (j mod 3), 8 * (j / 3)) equal to the tile of the table's slot.
::testing::AssertionResult ShowsFrame(const GifFrame& frame, int number, const SheetTiles& tiles)
{
    if (frame.width != 24 || frame.height != 32)
        return ::testing::AssertionFailure() << "frame " << frame.width << "x" << frame.height;
    const auto& slots = AnimationFrames[static_cast<std::size_t>(number)];
    for (int j = 0; j < 12; ++j) {
        const TilePixels want = TileAtSlot(tiles, slots[static_cast<std::size_t>(j)]);
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                const int got = frame.pixel(8 * (j % 3) + x, 8 * (j / 3) + y);
                if (got != want[static_cast<std::size_t>(y * 8 + x)])
                    return ::testing::AssertionFailure()
                           << "frame table entry " << number << ", tile " << j << " (slot "
                           << slots[static_cast<std::size_t>(j)] << ") pixel " << x << "," << y
                           << " is " << got << ", expected "
                           << int{want[static_cast<std::size_t>(y * 8 + x)]};
            }
        }
    }
    return ::testing::AssertionSuccess();
}

TEST(AnimationTablesTest, EveryFrameSlotHoldsATileOfTheSheet)
{
    for (const auto& frame : AnimationFrames) {
        for (const int slot : frame)
            EXPECT_NE(std::find(SheetTileSlots.begin(), SheetTileSlots.end(), slot),
                      SheetTileSlots.end())
                << slot;
    }
    for (const AnimationPose& pose : AnimationPoses) {
        ASSERT_LE(pose.count, kMaxPoseFrames);
        for (std::size_t i = 0; i < pose.count; ++i)
            EXPECT_LT(pose.frames[i], static_cast<int>(AnimationFrames.size()));
    }
}

// Each pose's frames in play order with their delays, as the window plays them.
TEST(CreateGifAnimTest, EveryPoseHasItsFramesDelaysDisposalAndLoop)
{
    struct Expected {
        std::vector<int> frames;
        std::vector<int> delays;
    };
    const Expected poses[] = {
        {{0, 1, 0, 2}, {17, 17, 17, 17}},
        {{3, 4, 3, 5}, {17, 17, 17, 17}},
        {{6, 7, 8, 7}, {17, 17, 17, 17}},
        {{9, 10, 11, 10}, {8, 8, 8, 8}},
        {{12, 13, 14, 15}, {20, 20, 20, 20}},
        {{16, 17, 16, 17, 16, 17, 18}, {8, 8, 8, 8, 8, 8, 40}},
    };
    const SheetSource source = RandomSheet(21);
    for (int pose = 0; pose < 6; ++pose) {
        SCOPED_TRACE("pose " + std::to_string(pose));
        const auto animation = CreateGifAnim(source.sheet, pose);
        ASSERT_TRUE(animation.ok()) << animation.message();
        const GifImage& gif = animation.value();
        EXPECT_EQ(gif.width, 24);
        EXPECT_EQ(gif.height, 32);
        EXPECT_EQ(gif.loopCount, 0);
        EXPECT_EQ(gif.colors, source.sheet.colors);
        const Expected& want = poses[pose];
        ASSERT_EQ(gif.frames.size(), want.frames.size());
        for (std::size_t i = 0; i < gif.frames.size(); ++i) {
            SCOPED_TRACE("frame " + std::to_string(i));
            const GifFrame& frame = gif.frames[i];
            EXPECT_EQ(frame.left, 0);
            EXPECT_EQ(frame.top, 0);
            EXPECT_TRUE(frame.colors.empty());
            ASSERT_TRUE(frame.control);
            EXPECT_EQ(*frame.control, (GifControl{0, false, want.delays[i], GifDisposal::Background}));
            EXPECT_TRUE(ShowsFrame(frame, want.frames[i], source.tiles));
        }
        EXPECT_TRUE(ValidateGifImage(gif).ok());
    }
}

// The animation is built from the sheet the editor shows, whichever way it came: a loaded GIF
// whose first frame carries the colours gives the same animation.
TEST(CreateGifAnimTest, ASheetLoadedFromAFileGivesTheSameAnimation)
{
    test::TempDir dir;
    const SheetSource source = RandomSheet(4);
    ASSERT_TRUE(SaveGifFile(source.sheet, dir.path() / "sheet.gif").ok());
    const auto loaded = LoadSheetImage(dir.path() / "sheet.gif");
    ASSERT_TRUE(loaded.ok()) << loaded.message();
    const auto fromFile = CreateGifAnim(loaded.value(), 5);
    const auto drawn = CreateGifAnim(source.sheet, 5);
    ASSERT_TRUE(fromFile.ok() && drawn.ok());
    EXPECT_EQ(fromFile.value().frames.size(), 7U);
    for (std::size_t i = 0; i < 7; ++i)
        EXPECT_EQ(fromFile.value().frames[i].pixels, drawn.value().frames[i].pixels);
    // The file's table is padded to 32 colours; the first 17 are the sheet's.
    EXPECT_TRUE(std::equal(drawn.value().colors.begin(), drawn.value().colors.end(),
                           fromFile.value().colors.begin()));
}

TEST(CreateGifAnimTest, RefusesAPoseOutsideTheSixAndAnImageThatIsNotASheet)
{
    const SheetSource source = RandomSheet(1);
    for (const int pose : {-1, 6, 100}) {
        const auto animation = CreateGifAnim(source.sheet, pose);
        ASSERT_FALSE(animation.ok());
        EXPECT_EQ(animation.message(), kUnknownPoseMessage);
    }
    GifImage wide;
    wide.width = 177;
    wide.height = 133;
    wide.colors.assign(16, GifColor{});
    wide.frames.emplace_back(177, 133);
    GifImage unusedTable = source.sheet;
    unusedTable.colors.resize(4); // pixels use indices the table lacks
    GifImage empty;
    for (const GifImage* image : {&wide, &unusedTable, &empty}) {
        const auto animation = CreateGifAnim(*image, 0);
        ASSERT_FALSE(animation.ok());
        EXPECT_EQ(animation.message(), kInvalidImageMessage);
    }
}

// --- Poison tint ---------------------------------------------------------------------------

TEST(PoisonTintTest, TintClearsGreenOfColoursSixToEightAndUndoesExactly)
{
    const SheetSource source = RandomSheet(33);
    const auto built = CreateGifAnim(source.sheet, 0);
    ASSERT_TRUE(built.ok());
    GifImage animation = built.value();
    const GifColorTable before = animation.colors;

    const PoisonTint tint = ApplyPoisonTint(animation);
    for (std::size_t i = 0; i < before.size(); ++i) {
        SCOPED_TRACE(i);
        if (i >= 6 && i <= 8) {
            EXPECT_EQ(animation.colors[i], (GifColor{before[i].red, 0, before[i].blue}));
            EXPECT_EQ(tint.saved[i - 6], before[i]);
        } else {
            EXPECT_EQ(animation.colors[i], before[i]);
        }
    }
    RemovePoisonTint(animation, tint);
    EXPECT_EQ(animation.colors, before);
}

// The window's "毒" across pose changes: the tint follows the pose, and unticking gives back
// the pose's own colours exactly, never colours saved while tinted.
TEST(PoisonTintTest, TheWindowKeepsTheTintAcrossPosesAndUndoesItExactly)
{
    const SheetSource source = RandomSheet(8);
    auto preview = AnimationPreview::Create(source.sheet);
    ASSERT_TRUE(preview.ok()) << preview.message();
    AnimationPreview& window = preview.value();
    EXPECT_EQ(window.pose(), 0);
    EXPECT_FALSE(window.poisoned());
    const GifColorTable plain = window.animation().colors;

    window.setPoisoned(true);
    window.setPoisoned(true); // ticking what is ticked saves nothing new
    EXPECT_EQ(window.animation().colors[7].green, 0);
    ASSERT_TRUE(window.setPose(5).ok());
    EXPECT_EQ(window.animation().frames.size(), 7U);
    EXPECT_EQ(window.animation().colors[6].green, 0);
    EXPECT_EQ(window.animation().colors[6].red, plain[6].red);
    window.setPoisoned(false);
    EXPECT_EQ(window.animation().colors, plain);
    window.setPoisoned(false);
    EXPECT_EQ(window.animation().colors, plain);

    // A refused pose keeps what is shown.
    EXPECT_FALSE(window.setPose(6).ok());
    EXPECT_EQ(window.pose(), 5);
    EXPECT_EQ(window.animation().frames.size(), 7U);
}

// A table shorter than nine colours has nothing to tint past its end.
TEST(PoisonTintTest, AShortTableIsTintedOnlyWhereItHasColours)
{
    GifImage animation;
    animation.colors = {{10, 20, 30}, {40, 50, 60}, {1, 2, 3}, {4, 5, 6}, {7, 8, 9},
                        {11, 12, 13}, {14, 15, 16}};
    const GifColorTable before = animation.colors;
    const PoisonTint tint = ApplyPoisonTint(animation);
    ASSERT_EQ(animation.colors.size(), 7U);
    EXPECT_EQ(animation.colors[6], (GifColor{14, 0, 16}));
    RemovePoisonTint(animation, tint);
    EXPECT_EQ(animation.colors, before);
}

// --- Saving ------------------------------------------------------------------------------

TEST(AnimationSaveTest, AniTransparentOneMakesColourZeroTransparentOnEveryFrame)
{
    test::TempDir dir;
    const SheetSource source = RandomSheet(12);
    for (const int setting : {0, 1, 2}) {
        SCOPED_TRACE(setting);
        auto preview = AnimationPreview::Create(source.sheet);
        ASSERT_TRUE(preview.ok());
        ASSERT_TRUE(preview.value().setPose(3).ok());
        preview.value().setPoisoned(true);
        const auto path = dir.path() / ("anim" + std::to_string(setting) + ".gif");
        ASSERT_TRUE(preview.value().save(path, setting).ok());
        // The window keeps the flags it saved with.
        for (const GifFrame& frame : preview.value().animation().frames)
            EXPECT_EQ(frame.control->transparent, setting == 1);

        const auto loaded = LoadGifFile(path);
        ASSERT_TRUE(loaded.ok()) << loaded.message();
        const GifImage& gif = loaded.value();
        EXPECT_EQ(gif.loopCount, 0);
        ASSERT_EQ(gif.frames.size(), 4U);
        for (std::size_t i = 0; i < gif.frames.size(); ++i) {
            const GifControl control = gif.frames[i].control.value();
            EXPECT_EQ(control.transparent, setting == 1);
            EXPECT_EQ(control.transparentIndex, 0);
            EXPECT_EQ(control.delay, 8);
            EXPECT_EQ(control.disposal, GifDisposal::Background);
            EXPECT_EQ(gif.frames[i].pixels, preview.value().animation().frames[i].pixels);
        }
        // Saved with the tint.
        EXPECT_EQ(gif.colors[8].green, 0);
        EXPECT_EQ(gif.colors[8].blue, source.sheet.colors[8].blue);
    }
}

TEST(AnimationSaveTest, ProposedNamesCarryThePoseCaption)
{
    const char* expected[] = {"あいう_前", "あいう_後", "あいう_横",
                              "あいう_ダッシュ", "あいう_技", "あいう_術"};
    for (int pose = 0; pose < 6; ++pose)
        EXPECT_EQ(AnimationFileBase("あいう", pose), expected[pose]);
    // The date goes after the base: saving the front pose on 31 January 2024.
    EXPECT_EQ(AnimationFileBase("あいう", 0) + "_20240131", "あいう_前_20240131");

    const SheetSource source = RandomSheet(2);
    auto preview = AnimationPreview::Create(source.sheet);
    ASSERT_TRUE(preview.ok());
    ASSERT_TRUE(preview.value().setPose(4).ok());
    EXPECT_EQ(preview.value().fileBase("名前"), "名前_技");
}

// --- Playing on screen ---------------------------------------------------------------------

TEST(AnimationPlaybackTest, ScheduleAndFrameAtFollowTheDelaysAndLoop)
{
    const SheetSource source = RandomSheet(6);
    const auto spell = CreateGifAnim(source.sheet, 5);
    ASSERT_TRUE(spell.ok());
    const auto steps = AnimationSchedule(spell.value());
    ASSERT_EQ(steps.size(), 7U);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(steps[i].frame, i);
        EXPECT_EQ(steps[i].milliseconds, 80);
    }
    EXPECT_EQ(steps[6].milliseconds, 400); // the last frame of "術" stays 0.40 s

    struct Case {
        std::int64_t at;
        std::size_t frame;
    };
    const Case cases[] = {{0, 0},   {79, 0},  {80, 1},   {159, 1}, {479, 5}, {480, 6},
                          {879, 6}, {880, 0}, {960, 1},  {-5, 0},  {880 * 1000 + 500, 6}};
    for (const Case& c : cases)
        EXPECT_EQ(AnimationFrameAt(spell.value(), c.at), c.frame) << c.at;

    const auto front = CreateGifAnim(source.sheet, 0);
    ASSERT_TRUE(front.ok());
    EXPECT_EQ(AnimationFrameAt(front.value(), 170), 1U);
    EXPECT_EQ(AnimationFrameAt(front.value(), 680), 0U);
    EXPECT_EQ(AnimationFrameAt(GifImage{}, 1234), 0U);
}

TEST(AnimationPlaybackTest, DelaysTooShortToShowGetATenthOfASecond)
{
    GifImage image;
    image.width = image.height = 1;
    image.colors = {{0, 0, 0}, {1, 1, 1}};
    for (const int delay : {0, 1, 2}) {
        GifFrame frame(1, 1);
        frame.control = GifControl{0, false, delay, GifDisposal::Background};
        image.frames.push_back(frame);
    }
    image.frames.emplace_back(1, 1); // no control extension at all
    const auto steps = AnimationSchedule(image);
    ASSERT_EQ(steps.size(), 4U);
    EXPECT_EQ(steps[0].milliseconds, 100);
    EXPECT_EQ(steps[1].milliseconds, 100);
    EXPECT_EQ(steps[2].milliseconds, 20);
    EXPECT_EQ(steps[3].milliseconds, 100);
}

} // namespace
} // namespace varn
