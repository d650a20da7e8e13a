#include <cctype>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "charpatch/CharacterPatchFile.h"
#include "cli/Cli.h"
#include "graphics/Animation.h"
#include "graphics/GifImage.h"
#include "graphics/SpriteSheet.h"
#include "rom/FileIo.h"
#include "rom/FileType.h"

namespace varn::cli {

namespace {

// The sheet the animation window would show: a character patch's palette and tiles drawn as
// the editor draws them when it loads the patch, or a sheet GIF checked as the editor checks
// a chosen sheet.
Result<GifImage> LoadEditorSheet(const std::filesystem::path& path)
{
    if (FileTypeOf(path) != FileType::CharacterPatch)
        return LoadSheetImage(path);
    const Result<PatchFile> patch = ReadPatchFile(path);
    if (!patch)
        return Failure{patch.message() + "\n" + path.filename().string()};
    if (!patch.value().hasMagic())
        return Failure{"ファイルが異常です。\n" + path.filename().string()};
    GifImage sheet;
    BuildSheetImage(patch.value().palette, patch.value().tiles, sheet);
    return sheet;
}

// A pose number: one decimal digit, 0 to 5.
std::optional<int> ParsePose(const std::string& text)
{
    if (text.size() != 1 || !std::isdigit(static_cast<unsigned char>(text[0])))
        return std::nullopt;
    const int pose = text[0] - '0';
    return IsPose(pose) ? std::optional(pose) : std::nullopt;
}

} // namespace

// anim: one pose of a sheet as the animation window saves it.
int RunAnim(Arguments arguments, std::ostream& out, std::ostream& err)
{
    std::optional<std::string> poseText;
    bool poison = false;
    bool opaque = false;
    std::vector<std::string> operands;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--pose" && i + 1 < arguments.size())
            poseText = arguments[++i];
        else if (arguments[i] == "--poison")
            poison = true;
        else if (arguments[i] == "--opaque")
            opaque = true;
        else if (arguments[i].starts_with("--"))
            return UsageError(err, "unknown option: " + arguments[i]);
        else
            operands.push_back(arguments[i]);
    }
    if (operands.size() != 2)
        return UsageError(err, "anim takes SHEET.gif or FILE.vnp, and OUT.gif");
    if (!poseText)
        return UsageError(err, "anim needs --pose N");
    const std::optional<int> pose = ParsePose(*poseText);
    if (!pose)
        return UsageError(err, "--pose takes a number from 0 to 5: " + *poseText);
    if (const Status apart = CheckOutputNotInput(operands[1], {operands[0]}); !apart)
        return Fail(err, apart.message());

    Result<GifImage> sheet = LoadEditorSheet(operands[0]);
    if (!sheet)
        return Fail(err, sheet.message());
    Result<AnimationPreview> preview = AnimationPreview::Create(std::move(sheet).value());
    if (!preview)
        return Fail(err, preview.message());
    if (const Status posed = preview.value().setPose(*pose); !posed)
        return Fail(err, posed.message());
    preview.value().setPoisoned(poison);
    // The window's setting AniTransparent, 1 unless --opaque.
    if (const Status saved = preview.value().save(operands[1], opaque ? 0 : 1); !saved)
        return Fail(err, saved.message());
    out << operands[1] << '\n';
    return kExitOk;
}

} // namespace varn::cli
