#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/GifImage.h"
#include "rom/Result.h"

namespace varn {

// The animation window "アニメーション確認": six looping poses assembled from the sprite sheet
// being edited, shown and saved as animated GIFs.

// An animation frame is 24 x 32 pixels: 3 x 4 sheet tiles. Tile j of a frame is drawn at
// (8 * (j mod 3), 8 * (j / 3)) from the sheet slot the frame table gives.
inline constexpr int kAnimationFrameWidth = 24;
inline constexpr int kAnimationFrameHeight = 32;
inline constexpr int kAnimationFrameTiles = 12;
// The window shows the frames three times enlarged, 72 x 96.
inline constexpr int kAnimationZoom = 3;

// The 19 frames: for each, the sheet slots (100 * column + row) of its 12 tiles.
inline constexpr std::array<std::array<int, kAnimationFrameTiles>, 19> AnimationFrames{{
    {0, 100, 200, 1, 101, 201, 2, 102, 202, 3, 103, 203},
    {0, 100, 200, 301, 401, 501, 302, 402, 502, 303, 403, 503},
    {0, 100, 200, 601, 701, 801, 602, 702, 802, 603, 703, 803},
    {4, 104, 204, 5, 105, 205, 6, 106, 206, 7, 107, 207},
    {4, 104, 204, 305, 405, 505, 306, 406, 506, 307, 407, 507},
    {4, 104, 204, 605, 705, 805, 606, 706, 806, 607, 707, 807},
    {900, 1000, 1100, 901, 1001, 1101, 902, 1002, 1102, 903, 1003, 1103},
    {900, 1000, 1100, 1201, 1301, 1401, 1202, 1302, 1402, 1203, 1303, 1403},
    {900, 1000, 1100, 1501, 1601, 1701, 1502, 1602, 1702, 1503, 1603, 1703},
    {904, 1004, 1104, 905, 1005, 1105, 906, 1006, 1106, 907, 1007, 1107},
    {1204, 1304, 1404, 1205, 1305, 1405, 1206, 1306, 1406, 1207, 1307, 1407},
    {904, 1004, 1104, 1505, 1605, 1705, 1506, 1606, 1706, 1507, 1607, 1707},
    {308, 408, 508, 309, 409, 509, 310, 410, 510, 311, 411, 511},
    {900, 1000, 1100, 901, 1001, 1101, 902, 1002, 1102, 903, 1003, 1103},
    {900, 1000, 1100, 1801, 1901, 1101, 1802, 1902, 1102, 1803, 1903, 1103},
    {1204, 1304, 1404, 1205, 1305, 1405, 1206, 1306, 1406, 1207, 1307, 1407},
    {608, 708, 808, 609, 709, 809, 610, 710, 810, 611, 711, 811},
    {608, 708, 808, 609, 1009, 809, 610, 710, 810, 611, 711, 811},
    {1208, 1308, 1408, 1209, 1309, 1409, 1210, 1310, 1410, 1211, 1311, 1411},
}};

// A pose: its frames in play order and each frame's delay in hundredths of a second.
inline constexpr std::size_t kMaxPoseFrames = 7;
struct AnimationPose {
    std::size_t count;
    std::array<int, kMaxPoseFrames> frames;
    std::array<int, kMaxPoseFrames> delays;
};

// The six poses, in the order of the window's radio buttons.
inline constexpr std::array<AnimationPose, 6> AnimationPoses{{
    {4, {0, 1, 0, 2}, {17, 17, 17, 17}},
    {4, {3, 4, 3, 5}, {17, 17, 17, 17}},
    {4, {6, 7, 8, 7}, {17, 17, 17, 17}},
    {4, {9, 10, 11, 10}, {8, 8, 8, 8}},
    {4, {12, 13, 14, 15}, {20, 20, 20, 20}},
    {7, {16, 17, 16, 17, 16, 17, 18}, {8, 8, 8, 8, 8, 8, 40}},
}};

inline constexpr int kPoseCount = static_cast<int>(AnimationPoses.size());

// The captions of the radio buttons, which also name the saved files.
inline constexpr std::array<std::string_view, 6> kPoseCaptions{"前", "後", "横", "ダッシュ", "技", "術"};

// The pose number the window and the command line accept: 0 to 5.
constexpr bool IsPose(int pose)
{
    return pose >= 0 && pose < kPoseCount;
}

inline constexpr const char* kUnknownPoseMessage = "ポーズの番号が正しくありません。";

// Builds the animation of `pose` from a sheet (176 x 133): the sheet's colour table (of its
// first frame) as the global colour table, then one 24 x 32 frame per frame number of the
// pose, its 12 tiles copied from the sheet's first frame at the slot origins, each with a
// graphic control extension of the pose's delay, disposal 2 (restore to background) and
// transparent index 0 with the flag off, and the looping extension (loop count 0, for ever)
// before the first frame. Refuses a pose outside 0-5 ("ポーズの番号が正しくありません。") and
// an image that is not a valid 176 x 133 sheet ("不正な画像です。").
Result<GifImage> CreateGifAnim(const GifImage& sheet, int pose);

// The colours of the animation's colour table that the poison tint changes.
inline constexpr std::array<std::size_t, 3> kPoisonColours{6, 7, 8};

// The colours 6 to 8 as they were before the tint (entries the table lacks stay black and are
// not touched).
struct PoisonTint {
    std::array<GifColor, kPoisonColours.size()> saved{};
};

// Saves colours 6, 7 and 8 of the global colour table and sets their green to 0, red and blue
// kept; returns what RemovePoisonTint needs to put them back exactly.
PoisonTint ApplyPoisonTint(GifImage& animation);

// Puts back the colours ApplyPoisonTint saved.
void RemovePoisonTint(GifImage& animation, const PoisonTint& tint);

// Switches colour index 0 transparent on every frame when `aniTransparent` (the AniTransparent
// setting) is 1; any other value changes nothing.
void ApplyAnimationTransparency(GifImage& animation, int aniTransparent);

// The first part of the name the window proposes for saving, before "_yyyymmdd": the editor's
// name field, "_" and the pose's caption ("あいう_前").
std::string AnimationFileBase(std::string_view name, int pose);

// One step of playing an animation on screen: the frame to show and how long, in milliseconds.
struct AnimationStep {
    std::size_t frame = 0;
    int milliseconds = 0;
};

// A delay a player cannot show as given (0 or 1 hundredth) is shown for this long, as web
// browsers do, so that a timer never spins.
inline constexpr int kShortestFrameMilliseconds = 100;

// The frames of an animation in play order with their delays, for a timer that loops them.
std::vector<AnimationStep> AnimationSchedule(const GifImage& animation);

// The frame shown `elapsedMilliseconds` after playing started, the animation looping for
// ever; 0 for an image without frames.
std::size_t AnimationFrameAt(const GifImage& animation, std::int64_t elapsedMilliseconds);

// The state of the animation window from its showing to its hiding: the sheet it shows, the
// checked pose, whether "毒" is checked, and the animation built from them with the colours
// saved by the tint.
class AnimationPreview {
public:
    // Shows the window for a sheet: builds the front pose (0), untinted. The sheet is refused
    // as CreateGifAnim refuses it.
    static Result<AnimationPreview> Create(GifImage sheet);

    int pose() const { return pose_; }
    bool poisoned() const { return poisoned_; }
    // What the window shows and saves.
    const GifImage& animation() const { return animation_; }

    // A click on a pose's radio button: rebuilds the animation of that pose, tinted again when
    // "毒" is checked. Refuses a pose outside 0-5, keeping the animation.
    Status setPose(int pose);

    // "毒" ticked or unticked: tints colours 6 to 8, or puts back exactly the colours saved
    // when they were tinted. Setting what is already set changes nothing.
    void setPoisoned(bool poisoned);

    // "GIFで保存": switches colour 0 transparent on every frame when `aniTransparent` is 1 (the
    // frames stay so afterwards, as the window shows them), then writes the animation as it is
    // (tinted or not), replacing the file only once the whole file is written.
    Status save(const std::filesystem::path& path, int aniTransparent);

    // The name proposed for saving, before "_yyyymmdd", with the editor's name field.
    std::string fileBase(std::string_view name) const { return AnimationFileBase(name, pose_); }

private:
    AnimationPreview(GifImage sheet, GifImage animation);

    GifImage sheet_;
    GifImage animation_;
    int pose_ = 0;
    bool poisoned_ = false;
    PoisonTint tint_;
};

} // namespace varn
