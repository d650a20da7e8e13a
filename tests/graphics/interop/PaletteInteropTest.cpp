// One rule for every palette taken from a GIF: the colours the first frame is shown with, its
// own table when it has one, else the global one. Pillow and gifsicle show a frame that way
// too (Pillow names that table for the frame, gifsicle's copy keeps its colours), so the sprite
// sheet, the enemy picture and the skill graphic take the colours other programs show: from a
// file of the codec whose first frame has a table of its own beside a different global one,
// and from a file Pillow writes with a table of the first frame's own.

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "JsonValue.h"
#include "Pillow.h"
#include "charpatch/CharacterPatchFile.h"
#include "enemy/EnemyGraphic.h"
#include "graphics/GifCodec.h"
#include "graphics/SpriteSheet.h"
#include "rom/RomStream.h"
#include "skill/Skill.h"
#include "support/RomImageBuilder.h"
#include "support/TempDir.h"
#include "support/ToolRun.h"

namespace varn::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

std::uint16_t SnesWord(const GifColor& colour)
{
    return static_cast<std::uint16_t>((colour.red >> 3) | ((colour.green >> 3) << 5) |
                                      ((colour.blue >> 3) << 10));
}

void PutWord(Bytes& bytes, std::uint16_t word)
{
    bytes.push_back(static_cast<std::uint8_t>(word));
    bytes.push_back(static_cast<std::uint8_t>(word >> 8));
}

// A reader of GIF files and the palette bytes it writes from one.
struct PaletteReader {
    const char* name;
    int width; // the screen it takes
    int height;
    // The palette bytes written from the file, or the message of its refusal.
    std::function<Result<Bytes>(const fs::path& gif, const fs::path& scratch)> written;
    // The bytes the colours the first frame is shown with come to.
    std::function<Bytes(const GifColorTable& shown)> expected;
};

std::vector<PaletteReader> Readers()
{
    return {
        {"sprite sheet (.vnp palette)", kSheetWidth, kSheetHeight,
         [](const fs::path& gif, const fs::path& scratch) -> Result<Bytes> {
             const Result<GifImage> sheet = LoadSheetImage(gif);
             if (!sheet)
                 return Failure{sheet.message()};
             const fs::path vnp = scratch / "sheet.vnp";
             if (const Status written =
                     WriteCharacterPatch(vnp, CharacterForm{}, sheet.value(), ExtensionTable{});
                 !written)
                 return Failure{written.message()};
             const Bytes file = ReadFileBytes(vnp);
             return Bytes(file.begin() + 22, file.begin() + 54);
         },
         [](const GifColorTable& shown) {
             Bytes bytes;
             for (std::size_t i = 0; i < 16; ++i)
                 PutWord(bytes, i >= 1 && i <= 3   ? kFixedSheetColours[i - 1]
                                : i < shown.size() ? SnesWord(shown[i])
                                                   : 0);
             return bytes;
         }},
        {"enemy picture", 128, 16,
         [](const fs::path& gif, const fs::path&) -> Result<Bytes> {
             const Result<GifImage> picture = LoadEnemyPictureFile(gif);
             if (!picture)
                 return Failure{picture.message()};
             const auto palette = EnemyPaletteBytes(picture.value());
             return Bytes(palette.begin(), palette.end());
         },
         [](const GifColorTable& shown) {
             Bytes bytes;
             for (std::size_t i = 0; i < 16; ++i)
                 PutWord(bytes, SnesWord(i < shown.size() ? shown[i] : shown.front()));
             return bytes;
         }},
        {"skill graphic", kSkillGraphicWidth, kSkillGraphicHeight,
         [](const fs::path& gif, const fs::path&) -> Result<Bytes> {
             Skill skill;
             if (const Status imported = skill.ImportImage(gif); !imported)
                 return Failure{imported.message()};
             skill.graphicCategory = 3;
             skill.paletteCategory = 4;
             skill.paletteId = 0;
             MemoryRomStream rom(RomImageBuilder(RomImageBuilder::kExpandedSize).build());
             if (const Status written = skill.WriteGraphic(rom); !written)
                 return Failure{written.message()};
             const auto at = rom.bytes().begin() + 0x5B8100;
             return Bytes(at, at + 16);
         },
         [](const GifColorTable& shown) {
             Bytes bytes;
             for (std::size_t i = 0; i < 8; ++i)
                 PutWord(bytes, i < shown.size() ? SnesWord(shown[i]) : 0);
             return bytes;
         }},
    };
}

// 16 colours, multiples of 8 (so that they survive the SNES colour), differing with the seed.
GifColorTable Colours(int seed)
{
    GifColorTable table;
    for (int i = 0; i < 16; ++i)
        table.push_back({static_cast<std::uint8_t>((8 * i + 64 * seed) & 0xF8),
                         static_cast<std::uint8_t>((16 * i + 40 * seed) & 0xF8),
                         static_cast<std::uint8_t>((248 - 8 * i - 24 * seed) & 0xF8)});
    return table;
}

// A still of the codec whose first frame has a table of its own beside a different global one,
// in colours every reader takes (none uses colour 3 or one above 7).
GifImage TwoTableStill(int width, int height)
{
    GifImage image;
    image.width = width;
    image.height = height;
    image.colors = Colours(1);
    GifFrame frame(width, height);
    frame.colors = Colours(2);
    static constexpr std::uint8_t kUsed[] = {0, 1, 2, 4, 5, 6, 7};
    for (std::size_t i = 0; i < frame.pixels.size(); ++i)
        frame.pixels[i] = kUsed[i % std::size(kUsed)];
    image.frames.push_back(std::move(frame));
    return image;
}

// The colour table Pillow shows the first frame with, and whether it is the frame's own.
struct ShownByPillow {
    GifColorTable colours;
    bool local = false;
};

std::optional<ShownByPillow> FirstFrameColoursByPillow(const fs::path& gif)
{
    const auto description = DescribeWithPillow(gif);
    if (!description)
        return std::nullopt;
    const JsonValue& frame = (*description)["frames"].array().at(0);
    ShownByPillow shown;
    shown.local = frame["local_colors"].integer() > 0;
    for (const JsonValue& rgb : frame["colors"].array())
        shown.colours.push_back({static_cast<std::uint8_t>(rgb[0].integer()),
                                 static_cast<std::uint8_t>(rgb[1].integer()),
                                 static_cast<std::uint8_t>(rgb[2].integer())});
    return shown;
}

TEST(PaletteInteropTest, EveryPaletteIsTheColoursOtherProgramsShowTheFirstFrameWith)
{
    TempDir dir;
    const ToolRun pillow =
        RunTool({VARN_PYTHON, VARN_PIL_GIF_SCRIPT, "write", dir.path().string()});
    ASSERT_EQ(pillow.exitCode, 0) << pillow.err;

    for (const PaletteReader& reader : Readers()) {
        SCOPED_TRACE(reader.name);
        const GifImage still = TwoTableStill(reader.width, reader.height);
        const fs::path ours = dir.path() / "ours.gif";
        ASSERT_TRUE(SaveGifFile(still, ours).ok());

        // Pillow shows the codec's file with the first frame's own table.
        const auto shown = FirstFrameColoursByPillow(ours);
        ASSERT_TRUE(shown);
        EXPECT_TRUE(shown->local);
        ASSERT_GE(shown->colours.size(), 16u);
        EXPECT_EQ(GifColorTable(shown->colours.begin(), shown->colours.begin() + 16),
                  still.frames.front().colors);

        const Result<Bytes> fromOurs = reader.written(ours, dir.path());
        ASSERT_TRUE(fromOurs.ok()) << fromOurs.message();
        EXPECT_EQ(fromOurs.value(), reader.expected(still.frames.front().colors));

        // gifsicle, writing the file again with one table, keeps the colours of the first
        // frame's own table for its pixels.
        const fs::path copy = dir.path() / "gifsicle.gif";
        const ToolRun rewritten = RunTool({VARN_GIFSICLE, ours.string(), "-o", copy.string()});
        ASSERT_EQ(rewritten.exitCode, 0) << rewritten.err;
        const Result<GifImage> copied = LoadGifFile(copy);
        ASSERT_TRUE(copied.ok()) << copied.message();
        const GifFrame& copiedFrame = copied.value().frames.front();
        const GifColorTable& copiedColours = copied.value().frameColors(0);
        ASSERT_EQ(copiedFrame.pixels.size(), still.frames.front().pixels.size());
        for (std::size_t i = 0; i < copiedFrame.pixels.size(); ++i) {
            ASSERT_LT(copiedFrame.pixels[i], copiedColours.size());
            ASSERT_EQ(copiedColours[copiedFrame.pixels[i]],
                      still.frames.front().colors[still.frames.front().pixels[i]])
                << "pixel " << i;
        }

        // A file Pillow writes with a table of the first frame's own.
        const fs::path written =
            dir.path() / (reader.width == kSheetWidth ? "local_sheet.gif" : "local_strip.gif");
        const auto pillowShown = FirstFrameColoursByPillow(written);
        ASSERT_TRUE(pillowShown);
        ASSERT_TRUE(pillowShown->local) << "Pillow wrote no table of the frame's own";
        const Result<GifImage> decoded = LoadGifFile(written);
        ASSERT_TRUE(decoded.ok()) << decoded.message();
        ASSERT_FALSE(decoded.value().frames.front().colors.empty());
        const Result<Bytes> fromPillow = reader.written(written, dir.path());
        ASSERT_TRUE(fromPillow.ok()) << fromPillow.message();
        EXPECT_EQ(fromPillow.value(), reader.expected(pillowShown->colours));
    }
}

} // namespace
} // namespace varn::test
