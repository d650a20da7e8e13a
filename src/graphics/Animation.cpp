#include "graphics/Animation.h"

#include <numeric>

#include "graphics/GifCodec.h"
#include "graphics/SnesTile.h"
#include "graphics/SpriteSheet.h"

namespace varn {

namespace {

// Copies the 8 x 8 tile at a sheet slot to (x, y) of an animation frame.
void CopyTile(const GifFrame& sheet, int slot, GifFrame& frame, int x, int y)
{
    const SheetPoint origin = SlotOrigin(slot);
    for (int row = 0; row < kTileSize; ++row) {
        for (int column = 0; column < kTileSize; ++column)
            frame.setPixel(x + column, y + row, sheet.pixel(origin.x + column, origin.y + row));
    }
}

GifFrame AnimationFrame(const GifFrame& sheet, int number, int delay)
{
    GifFrame frame(kAnimationFrameWidth, kAnimationFrameHeight);
    const auto& slots = AnimationFrames[static_cast<std::size_t>(number)];
    for (int j = 0; j < kAnimationFrameTiles; ++j)
        CopyTile(sheet, slots[static_cast<std::size_t>(j)], frame, kTileSize * (j % 3),
                 kTileSize * (j / 3));
    frame.control = GifControl{.transparentIndex = 0,
                               .transparent = false,
                               .delay = delay,
                               .disposal = GifDisposal::Background};
    return frame;
}

int StepMilliseconds(const GifFrame& frame)
{
    const int delay = frame.control ? frame.control->delay : 0;
    return delay <= 1 ? kShortestFrameMilliseconds : delay * 10;
}

} // namespace

Result<GifImage> CreateGifAnim(const GifImage& sheet, int pose)
{
    if (!IsPose(pose))
        return Failure{kUnknownPoseMessage};
    if (sheet.width != kSheetWidth || sheet.height != kSheetHeight || sheet.frames.empty() ||
        !ValidateGifImage(sheet).ok())
        return Failure{kInvalidImageMessage};

    GifImage animation;
    animation.width = kAnimationFrameWidth;
    animation.height = kAnimationFrameHeight;
    // The frames' indices are the sheet's, so they mean the same colours.
    animation.colors = sheet.frameColors(0);
    animation.loopCount = 0;
    const AnimationPose& chosen = AnimationPoses[static_cast<std::size_t>(pose)];
    for (std::size_t i = 0; i < chosen.count; ++i)
        animation.frames.push_back(
            AnimationFrame(sheet.frames.front(), chosen.frames[i], chosen.delays[i]));
    return animation;
}

PoisonTint ApplyPoisonTint(GifImage& animation)
{
    PoisonTint tint;
    for (std::size_t i = 0; i < kPoisonColours.size(); ++i) {
        const std::size_t index = kPoisonColours[i];
        if (index >= animation.colors.size())
            continue;
        tint.saved[i] = animation.colors[index];
        animation.colors[index].green = 0;
    }
    return tint;
}

void RemovePoisonTint(GifImage& animation, const PoisonTint& tint)
{
    for (std::size_t i = 0; i < kPoisonColours.size(); ++i) {
        const std::size_t index = kPoisonColours[i];
        if (index < animation.colors.size())
            animation.colors[index] = tint.saved[i];
    }
}

void ApplyAnimationTransparency(GifImage& animation, int aniTransparent)
{
    if (aniTransparent != 1)
        return;
    for (GifFrame& frame : animation.frames) {
        if (!frame.control)
            frame.control = GifControl{};
        frame.control->transparentIndex = 0;
        frame.control->transparent = true;
    }
}

std::string AnimationFileBase(std::string_view name, int pose)
{
    std::string base(name);
    base += '_';
    if (IsPose(pose))
        base += kPoseCaptions[static_cast<std::size_t>(pose)];
    return base;
}

std::vector<AnimationStep> AnimationSchedule(const GifImage& animation)
{
    std::vector<AnimationStep> steps;
    for (std::size_t i = 0; i < animation.frames.size(); ++i)
        steps.push_back({i, StepMilliseconds(animation.frames[i])});
    return steps;
}

std::size_t AnimationFrameAt(const GifImage& animation, std::int64_t elapsedMilliseconds)
{
    const std::vector<AnimationStep> steps = AnimationSchedule(animation);
    if (steps.empty())
        return 0;
    const std::int64_t loop = std::accumulate(
        steps.begin(), steps.end(), std::int64_t{0},
        [](std::int64_t sum, const AnimationStep& step) { return sum + step.milliseconds; });
    std::int64_t time = elapsedMilliseconds < 0 ? 0 : elapsedMilliseconds % loop;
    for (const AnimationStep& step : steps) {
        if (time < step.milliseconds)
            return step.frame;
        time -= step.milliseconds;
    }
    return steps.back().frame;
}

AnimationPreview::AnimationPreview(GifImage sheet, GifImage animation)
    : sheet_(std::move(sheet)), animation_(std::move(animation))
{
}

Result<AnimationPreview> AnimationPreview::Create(GifImage sheet)
{
    Result<GifImage> animation = CreateGifAnim(sheet, 0);
    if (!animation)
        return Failure{animation.message()};
    return AnimationPreview(std::move(sheet), std::move(animation).value());
}

Status AnimationPreview::setPose(int pose)
{
    Result<GifImage> animation = CreateGifAnim(sheet_, pose);
    if (!animation)
        return Failure{animation.message()};
    animation_ = std::move(animation).value();
    pose_ = pose;
    // The new animation starts from the sheet's colours; the tint saves those and applies
    // again.
    if (poisoned_)
        tint_ = ApplyPoisonTint(animation_);
    return {};
}

void AnimationPreview::setPoisoned(bool poisoned)
{
    if (poisoned == poisoned_)
        return;
    if (poisoned)
        tint_ = ApplyPoisonTint(animation_);
    else
        RemovePoisonTint(animation_, tint_);
    poisoned_ = poisoned;
}

Status AnimationPreview::save(const std::filesystem::path& path, int aniTransparent)
{
    ApplyAnimationTransparency(animation_, aniTransparent);
    return SaveGifFile(animation_, path);
}

} // namespace varn
