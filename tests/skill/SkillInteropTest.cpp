// A skill graphic exported by varnwork-cli, read back by Pillow and gifsicle: independent GIF
// readers must see the 128 x 16 strip with the graphic's pixels and the palette's colours.

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <random>
#include <regex>

#include "JsonValue.h"
#include "Pillow.h"
#include "SkillTestSupport.h"
#include "graphics/SnesColor.h"
#include "support/RomImageBuilder.h"
#include "support/TempDir.h"
#include "support/ToolRun.h"

namespace varn::test {
namespace {

struct Exported {
    const char* what;
    int category;
    int paletteCategory;
    int bits;
    std::vector<std::uint16_t> words; // the palette as stored
};

TEST(SkillInteropTest, AnExportedGraphicReadsTheSameInPillowAndGifsicle)
{
    const Exported cases[] = {
        {"3 bits, 8 colours", 1, 1, 3, {0x0000, 0x7FFF, 0x001F, 0x03E0, 0x7C00, 0x1234, 0x4321, 0x2A95}},
        {"2 bits, 4 colours", 0, 0, 2, {0x7C1F, 0x03FF, 0x5294, 0x0C63}},
    };
    for (const Exported& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        // Random pixels of every colour the format holds.
        std::mt19937 random(static_cast<unsigned>(c.bits));
        SkillTiles tiles{};
        for (std::size_t i = 0; i < static_cast<std::size_t>(32 * 8 * c.bits); ++i)
            tiles[i] = static_cast<std::uint8_t>(random());
        Bytes palette;
        for (std::uint16_t word : c.words)
            palette.insert(palette.end(),
                           {static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8)});
        const std::size_t pointerAt = c.category == 0 ? 0x228000 + 3 * 0x21 : 0x2280C0 + 3 * 0x21;
        const std::size_t paletteAt = c.paletteCategory == 0 ? 0x227200 + 8 * 0x07 : 0x227380 + 16 * 0x07;
        const auto rom = dir.write("rom.smc", RomImageBuilder::Target(RomImageBuilder::kPlainSize)
                                                  .bytes(pointerAt, {0x00, 0x00, 0xE3})
                                                  .bytes(0x230000, CompressSkillTiles(tiles, 8 * c.bits))
                                                  .bytes(paletteAt, palette)
                                                  .build());
        const auto gif = dir.path() / "out.gif";
        const ToolRun exported =
            RunTool({VARNWORK_CLI, "skill", "export", rom.string(), "--category",
                     std::to_string(c.category), "--id", "21", "--palette-category",
                     std::to_string(c.paletteCategory), "--palette-id", "07", gif.string()});
        ASSERT_EQ(exported.exitCode, 0) << exported.err;

        // The pixels the format holds, decoded here from its definition.
        std::vector<int> indices;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 128; ++x) {
                const int tile = (y / 8) * 16 + x / 8;
                int index = 0;
                for (int plane = 0; plane < c.bits; ++plane)
                    index |= ((tiles[static_cast<std::size_t>(tile * 8 * c.bits + 8 * plane + y % 8)] >>
                               (7 - x % 8)) & 1) << plane;
                indices.push_back(index);
            }
        }

        const auto pillow = DescribeWithPillow(gif);
        ASSERT_TRUE(pillow.has_value());
        const JsonValue& description = *pillow;
        EXPECT_EQ(description["width"].integer(), 128);
        EXPECT_EQ(description["height"].integer(), 16);
        EXPECT_EQ(description["n_frames"].integer(), 1);
        const JsonValue& frame = description["frames"][0];
        EXPECT_TRUE(frame["transparency"].isNull()) << "exported without transparency";
        const auto& read = frame["indices"].array();
        const auto& rgb = frame["rgb"].array();
        ASSERT_EQ(read.size(), indices.size());
        ASSERT_EQ(rgb.size(), indices.size());
        std::vector<bool> used(16, false);
        for (std::size_t i = 0; i < indices.size(); ++i) {
            ASSERT_EQ(read[i].integer(), indices[i]) << "pixel " << i;
            const std::uint16_t word = c.words[static_cast<std::size_t>(indices[i])];
            const GifColor colour = SnesToImageColor(word);
            ASSERT_EQ(rgb[i][0].integer(), colour.red) << "pixel " << i;
            ASSERT_EQ(rgb[i][1].integer(), colour.green) << "pixel " << i;
            ASSERT_EQ(rgb[i][2].integer(), colour.blue) << "pixel " << i;
            used[static_cast<std::size_t>(indices[i])] = true;
        }
        EXPECT_EQ(std::count(used.begin(), used.end(), true), 1 << c.bits)
            << "the graphic uses every colour of its format";

        const ToolRun info = RunTool({VARN_GIFSICLE, "--info", gif.string()});
        ASSERT_EQ(info.exitCode, 0) << info.err;
        EXPECT_EQ(info.err, "") << "gifsicle warns about the file";
        EXPECT_NE(info.out.find("logical screen 128x16"), std::string::npos) << info.out;
        EXPECT_NE(info.out.find("global color table [16]"), std::string::npos) << info.out;
        EXPECT_NE(info.out.find("+ image #0 128x16"), std::string::npos) << info.out;

        // gifsicle's reading of the colour table: the palette's colours, black past its end.
        const ToolRun colourInfo = RunTool({VARN_GIFSICLE, "--color-info", gif.string()});
        ASSERT_EQ(colourInfo.exitCode, 0) << colourInfo.err;
        std::map<int, std::string> table;
        const std::regex entry(R"((\d+): #([0-9A-Fa-f]{6}))");
        for (auto it = std::sregex_iterator(colourInfo.out.begin(), colourInfo.out.end(), entry);
             it != std::sregex_iterator(); ++it)
            table[std::stoi((*it)[1].str())] = (*it)[2].str();
        ASSERT_EQ(table.size(), 16u) << colourInfo.out;
        for (int i = 0; i < 16; ++i) {
            const auto index = static_cast<std::size_t>(i);
            const GifColor colour = SnesToImageColor(index < c.words.size() ? c.words[index] : 0);
            char hex[7];
            std::snprintf(hex, sizeof hex, "%02X%02X%02X", colour.red, colour.green, colour.blue);
            EXPECT_EQ(table[i], hex) << "colour " << i;
        }
    }
}

} // namespace
} // namespace varn::test
