// No verb replaces one of its own input files: every verb that writes a file is run with its
// output naming the image or an input (by that name, through a symbolic link, through a hard
// link) and must refuse before it writes anything.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "CliRunner.h"
#include "support/RomImageBuilder.h"
#include "support/TempDir.h"

namespace varn::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;


enum class Naming { Itself, SymbolicLink, HardLink };

const char* NamingText(Naming naming)
{
    switch (naming) {
    case Naming::Itself:
        return "itself";
    case Naming::SymbolicLink:
        return "symbolic link";
    case Naming::HardLink:
        return "hard link";
    }
    return "";
}

// One verb whose output is made another name of one of its inputs. In `arguments`, "ALIAS"
// stands for that other name and "@NAME" for the file NAME of the folder.
struct OutputCase {
    const char* label;
    std::vector<std::string> arguments;
    std::string victim; // the input (or image) the output would replace
    std::string alias;  // the other name of it the command is given
    std::string shown;  // the name the message gives; empty for the alias's own
    bool itself = true; // whether the command can name the victim by its own name
    std::string rom = "game.smc";
};

const OutputCase kOutputCases[] = {
    {"sheet build",
     {"sheet", "build", "@palette.bin", "@tiles.bin", "ALIAS"},
     "tiles.bin",
     "alias.gif",
     ""},
    {"sheet split",
     {"sheet", "split", "@sheet.gif", "ALIAS", "@new-tiles.bin"},
     "sheet.gif",
     "alias.bin",
     ""},
    {"sheet export",
     {"sheet", "export", "@game.smc", "--code", "03", "ALIAS"},
     "game.smc",
     "alias.gif",
     ""},
    {"anim", {"anim", "@chara.vnp", "--pose", "0", "ALIAS"}, "chara.vnp", "alias.gif", ""},
    {"vnp apply",
     {"vnp", "apply", "@game.smc", "ALIAS", "--target", "00"},
     "game.smc",
     "alias.vnp",
     "game.smc"},
    {"ips", {"ips", "@game.smc", "ALIAS"}, "game.smc", "alias.ips", "game.smc"},
    {"ips backup",
     {"ips", "@game.smc", "@patch.ips", "--backup"},
     "patch.ips",
     "game.smc.bak",
     "",
     false},
    {"bps", {"bps", "@game.smc", "ALIAS"}, "game.smc", "alias.bps", "game.smc"},
    // The inputs of diff carry a patch extension, so that the verb takes them as its output.
    {"diff original",
     {"diff", "@original.ips", "@modified.bps", "ALIAS"},
     "original.ips",
     "alias.ips",
     ""},
    {"diff modified",
     {"diff", "@original.ips", "@modified.bps", "ALIAS"},
     "modified.bps",
     "alias.bps",
     ""},
    {"diff metadata",
     {"diff", "@original.ips", "@modified.bps", "ALIAS", "--metadata", "@note.bps"},
     "note.bps",
     "alias.bps",
     ""},
    {"mml compile",
     {"mml", "compile", "ALIAS", "@game.smc", "--music", "B0", "--address", "500000"},
     "game.smc",
     "alias.mml",
     "game.smc"},
    {"mml compile backup",
     {"mml", "compile", "@song.mml", "@game.smc", "--music", "B0", "--address", "500000",
      "--backup"},
     "song.mml",
     "game.smc.bak",
     "",
     false},
    {"mml build",
     {"mml", "build", "@song.mml", "--address", "500004", "ALIAS"},
     "song.mml",
     "alias.bin",
     ""},
    {"mml decompile",
     {"mml", "decompile", "@game.smc", "--music", "B0", "ALIAS"},
     "game.smc",
     "alias.mml",
     ""},
    {"mml decompile --all",
     {"mml", "decompile", "ALIAS", "--all", "@songs"},
     "songs/05.mml",
     "game.smc",
     "05.mml",
     true,
     "songs/05.mml"},
    {"enemy pack", {"enemy", "pack", "@picture.gif", "ALIAS"}, "picture.gif", "alias.bin", ""},
    {"enemy export",
     {"enemy", "export", "@game.smc", "--enemy", "000", "ALIAS"},
     "game.smc",
     "alias.gif",
     ""},
    {"enemy dump",
     {"enemy", "dump", "@game.smc", "--enemy", "000", "ALIAS"},
     "game.smc",
     "alias.txt",
     ""},
    {"enemy apply",
     {"enemy", "apply", "@game.smc", "--enemy", "000", "ALIAS"},
     "game.smc",
     "alias.txt",
     "game.smc"},
    {"enemy apply picture",
     {"enemy", "apply", "@game.smc", "--enemy", "000", "@enemy.txt", "--picture", "ALIAS"},
     "game.smc",
     "alias.gif",
     "game.smc"},
    {"apply list", {"apply", "@game.smc", "ALIAS"}, "game.smc", "alias.txt", "game.smc"},
    {"apply entry",
     {"apply", "@game.smc", "@list.txt"},
     "game.smc",
     "entry.mml",
     "game.smc",
     false},
    {"skill export",
     {"skill", "export", "@game.smc", "--category", "0", "--id", "00", "--palette-category", "0",
      "--palette-id", "00", "ALIAS"},
     "game.smc",
     "alias.gif",
     ""},
    {"skill write",
     {"skill", "write", "@game.smc", "ALIAS", "--id", "00"},
     "game.smc",
     "alias.gif",
     "game.smc"},
    {"spark set",
     {"spark", "set", "@game.smc", "--technique", "10", "--mask", "1", "--backup"},
     "game.smc",
     "game.smc.bak",
     "",
     false},
};

// The inputs every case finds in its folder, and the image under the case's own name.
void WriteInputs(const TempDir& dir, const OutputCase& c)
{
    // The verbs refuse before they read anything, so a small image serves them all.
    const Bytes image = RomImageBuilder::Target().build();
    fs::create_directory(dir.path() / "songs");
    dir.write(c.rom, image);
    dir.write("original.ips", image);
    Bytes modified = image;
    modified[0x1234] ^= 0xFF;
    dir.write("modified.bps", modified);
    dir.write("palette.bin", Bytes(32, 0x11));
    dir.write("tiles.bin", Bytes(7104, 0x22));
    fs::copy_file(kExamples / "example_sheet.gif", dir.path() / "sheet.gif");
    fs::copy_file(kExamples / "example_sheet.gif", dir.path() / "picture.gif");
    fs::copy_file(kExamples / "example_character.vnp", dir.path() / "chara.vnp");
    fs::copy_file(kExamples / "example.ips", dir.path() / "patch.ips");
    fs::copy_file(kExamples / "song.mml", dir.path() / "song.mml");
    dir.write("patch.bps", "BPS1");
    dir.write("note.bps", "a note");
    dir.write("enemy.txt", "hp=100\n");
    // A list whose one entry is another name of the image.
    dir.write("list.txt", "entry.mml\r\n");
}

TEST(CliOutputIsInputTest, NoVerbReplacesItsImageOrAnInput)
{
    const std::string message = "出力先が入力ファイルと同じです。\n";
    for (const OutputCase& c : kOutputCases) {
        for (const Naming naming : {Naming::Itself, Naming::SymbolicLink, Naming::HardLink}) {
            if (naming == Naming::Itself && !c.itself)
                continue;
            const std::string label = std::string(c.label) + ", " + NamingText(naming);
            TempDir dir;
            WriteInputs(dir, c);
            const fs::path victim = dir.path() / c.victim;
            fs::path alias = dir.path() / c.alias;
            if (naming == Naming::Itself)
                alias = victim;
            else if (naming == Naming::SymbolicLink)
                fs::create_symlink(victim, alias);
            else
                fs::create_hard_link(victim, alias);

            std::vector<std::string> arguments;
            for (const std::string& argument : c.arguments) {
                if (argument == "ALIAS")
                    arguments.push_back(alias.string());
                else if (argument.starts_with("@"))
                    arguments.push_back((dir.path() / argument.substr(1)).string());
                else
                    arguments.push_back(argument);
            }
            const FolderContents before = Contents(dir.path());
            const CliRun run = RunCli(arguments);
            EXPECT_EQ(run.exitCode, 2) << label << '\n' << run.err;
            EXPECT_EQ(run.err,
                      message + (c.shown.empty() ? alias.filename().string() : c.shown) + "\n")
                << label;
            EXPECT_EQ(run.out, "") << label;
            EXPECT_EQ(FirstDifference(before, Contents(dir.path())), "") << label;
        }
    }
}

} // namespace
} // namespace varn::test
