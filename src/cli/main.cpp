#include <array>
#include <csignal>
#include <cstddef>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "datafiles/DataFiles.h"
#include "rom/Result.h"

namespace varn::cli {

namespace {

constexpr std::array kVerbs{
    Verb{"identify",
         "  identify ROM\n"
         "      Identifies a ROM image from its cartridge header and prints four lines:\n"
         "      title, version, header (あり/なし) and expected (yes/no).\n",
         RunIdentify},
    Verb{"text",
         "  text encode [--capacity N] [--ini FILE] TEXT\n"
         "      Encodes TEXT as game text and prints its bytes in hexadecimal: with\n"
         "      --capacity the whole field of N bytes padded with 50, without it exactly\n"
         "      the bytes the text needs.\n"
         "  text decode [--ini FILE] HEX...\n"
         "      Decodes game text bytes given in hexadecimal (\"50 51\" or \"5051\") and prints\n"
         "      the text; a line break prints as a new line.\n"
         "      --ini reads the extension characters (and the ExtensionChar setting) from\n"
         "      that settings file, as the editor does at start-up.\n",
         RunText},
    Verb{"sheet",
         "  sheet check FILE.gif\n"
         "      Prints ok when FILE.gif is a usable character sprite sheet (176 x 133, no\n"
         "      tile pixel of colour 3 or above 15); otherwise prints why not.\n"
         "  sheet build PALETTE.bin TILES.bin OUT.gif\n"
         "      Draws the sprite sheet of a 32-byte palette and a 7104-byte tile block.\n"
         "  sheet split SHEET.gif PALETTE.bin TILES.bin\n"
         "      The reverse: checks the sheet as sheet check does, then writes its palette\n"
         "      and tile block.\n"
         "  sheet list ROM\n"
         "      Prints the characters of the page \"キャラグラフィック\", one a line, as its\n"
         "      list shows them: the 32 fixed codes, and B0-CD with the names the image\n"
         "      holds when it is expanded.\n"
         "  sheet export ROM --code HH OUT.gif [--transparent]\n"
         "      Saves the sprite sheet of character code HH read from the ROM image, as the\n"
         "      page saves it; --transparent makes colour 0 transparent (TmpTransparent=1).\n"
         "      The image must be VARNHOLD EPICS3 1.1 without a copier header.\n",
         RunSheet},
    Verb{"anim",
         "  anim SHEET.gif|FILE.vnp --pose N OUT.gif [--poison] [--opaque]\n"
         "      Saves pose N of a sprite sheet (or of a character patch's sheet) as the\n"
         "      animation window saves it: 0 前, 1 後, 2 横, 3 ダッシュ, 4 技, 5 術. --poison\n"
         "      tints it as \"毒\" does; colour 0 is transparent unless --opaque\n"
         "      (AniTransparent=0).\n",
         RunAnim},
    Verb{"vnp",
         "  vnp info [--ini FILE] FILE.vnp\n"
         "      Prints what a character patch holds: name, title, gender, palette, every\n"
         "      record by type with its bytes in hexadecimal (unknown types too), the\n"
         "      conversation texts, and the comment.\n"
         "  vnp apply ROM FILE.vnp --target HH [--backup]\n"
         "      Writes the character patch into the ROM image at character slot HH (two\n"
         "      hexadecimal digits: 00-1F, or B0-B9 on an expanded image), as the patch\n"
         "      list applies it.\n",
         RunVnp},
    Verb{"ips",
         "  ips ROM PATCH.ips [--backup]\n"
         "      Applies one IPS patch to the ROM image, lengthening the image where the\n"
         "      patch writes past its end.\n",
         RunIps},
    Verb{"bps",
         "  bps ROM PATCH.bps [--backup]\n"
         "      Applies one BPS patch to the ROM image. The patch's own checksum is checked\n"
         "      first, then the image against the image the patch was made for (an image\n"
         "      that is another one, or that the patch has already been applied to, is\n"
         "      refused), and the result against the one the patch promises; a refused\n"
         "      patch leaves the image as it was. The result may be longer or shorter than\n"
         "      the image.\n",
         RunBps},
    Verb{"diff",
         "  diff ORIGINAL MODIFIED OUT.ips|OUT.bps [--metadata TEXT.txt]\n"
         "      Writes the patch that turns ORIGINAL into MODIFIED, in the format of OUT's\n"
         "      extension, after checking it by applying it to ORIGINAL in memory. BPS finds\n"
         "      moved and repeated data, carries checksums and may make the image shorter;\n"
         "      --metadata puts the text of a file (UTF-8 or Shift-JIS) into a BPS patch.\n"
         "      For IPS, MODIFIED may not be shorter than ORIGINAL, nor larger than 16 MiB.\n",
         RunDiff},
    Verb{"mml",
         "  mml compile FILE.mml ROM --music HH --address HHHHHH [--map-battle N]...\n"
         "              [--monster-battle N]... [--map-theme N]... [--backup]\n"
         "      Compiles an MML song (Shift-JIS or UTF-8) into the ROM image as music number\n"
         "      HH with its song block at file offset HHHHHH: the block, its pointer, wave\n"
         "      and drum entries, and the music number for the maps, monsters and map\n"
         "      themes given here (N decimal, or hexadecimal after 0x) and in the file.\n"
         "      Prints \"last address: HHHHHH\", the offset of the block's last byte.\n"
         "  mml build FILE.mml --address HHHHHH OUT.bin\n"
         "      Writes only the song block, as it would lie at HHHHHH, into OUT.bin.\n"
         "  mml measure FILE.mml\n"
         "      Prints the size of the song block in bytes.\n"
         "  mml info FILE.mml\n"
         "      Prints the song's information lines (#TITLE, #COMPOSER, #ORIGINAL,\n"
         "      #COPYRIGHT).\n"
         "  mml decompile ROM --music HH OUT.mml [--title NAME]\n"
         "      Reverse-compiles music number HH of the image into an MML file the compiler\n"
         "      accepts. The image is read as the title its cartridge header names (one of\n"
         "      nine related titles), or as NAME; 512 bytes of a copier header are skipped.\n"
         "  mml decompile ROM --all DIR [--title NAME]\n"
         "      Every readable song of the image into DIR/HH.mml; prints one line per music\n"
         "      number: \"HH written PATH\", \"HH skipped: REASON\" for a song the image does\n"
         "      not hold readably, or \"HH failed: MESSAGE\" for one whose file could not be\n"
         "      written. Fails when a file could not be written, or when no song was.\n",
         RunMml},
    Verb{"enemy",
         "  enemy show ROM --enemy HHH\n"
         "      Prints what the page \"敵変更\" reads for enemy HHH (000-13F, or to 1FF on\n"
         "      an expanded image): name, record fields, equipment with the armour summary,\n"
         "      the two action patterns with their techniques, drops and money, one field\n"
         "      a line.\n"
         "  enemy pack PICTURE.gif OUT.bin\n"
         "      Checks a picture as the page does (at most 128 x 160, sides multiples of 8,\n"
         "      colours 0-15) and writes its packed battle graphic; prints its size and the\n"
         "      size code of the box the page chooses (hexadecimal), the box and offsets.\n"
         "  enemy export ROM --enemy HHH OUT.gif\n"
         "      Saves the battle graphic the image holds for enemy HHH as an indexed GIF\n"
         "      with the enemy's 16-colour palette.\n"
         "  enemy dump ROM --enemy HHH OUT.txt\n"
         "      Writes every value of the page for enemy HHH as a UTF-8 text file, one\n"
         "      key=value a line (codes in hexadecimal as the lists show them); the graphic\n"
         "      keys hold the graphic the enemy has.\n"
         "  enemy apply ROM --enemy HHH IN.txt [--picture PICTURE.gif] [--backup]\n"
         "      Applies such a file to enemy HHH as \"適用\" applies the page, with the\n"
         "      picture as the new battle graphic when one is given: keys left out keep the\n"
         "      enemy's values; an unknown key or a value that cannot be read is refused\n"
         "      with its line, and nothing is written unless every check passes.\n",
         RunEnemy},
    Verb{"apply",
         "  apply ROM LIST.txt [--backup]\n"
         "      Applies a patch list file to the ROM image without asking, as the page\n"
         "      \"パッチ適用\" does: IPS patches, character patches at their targets and MML\n"
         "      songs under the next free music numbers, in list order. Prints one line per\n"
         "      entry as it is applied, then \"written ROM\". The list is all or nothing:\n"
         "      when an entry fails, its message is printed and the image is left as it was.\n",
         RunApply},
    Verb{"data",
         "  data check\n"
         "      Prints the data folder and, for each data file (kanji.txt,\n"
         "      item_labels.txt, music_labels.txt, enemy_labels.txt), the file in use or\n"
         "      組み込み (built in); fails when a file there was refused.\n"
         "  data labels LIST\n"
         "      Prints the labels of a selection list as the editor shows them, one a line;\n"
         "      LIST is weapon, armour, technique, spell, formation, exclusive, commander\n"
         "      or target.\n",
         RunData},
    Verb{"skill",
         "  skill export ROM --category N --id HH --palette-category N --palette-id HH OUT.gif\n"
         "      Saves a technique or spell graphic (128 x 16) with its palette as a GIF, as\n"
         "      the page \"技術グラフィック\" shows it: graphic category N 0-4 and palette\n"
         "      category N 0-5 in the order of the page's lists, IDs in hexadecimal.\n"
         "  skill write ROM IN.gif --id HH [--address HHHHHH] [--palette-id HH] [--backup]\n"
         "      Writes a 128 x 16 GIF of colours 0-7 as graphic HH of the reserved category\n"
         "      03: its pointer, and its compressed tiles at file offset HHHHHH (default\n"
         "      5D0000); with --palette-id also its first 8 colours as palette HH of the\n"
         "      reserved palette category 04. Prints \"last address: HHHHHH\", the offset of\n"
         "      the graphic's last byte. Nothing is written when any of it would pass the\n"
         "      end of the image.\n",
         RunSkill},
    Verb{"spark",
         "  spark show ROM\n"
         "      Prints the spark aptitude table: a heading line, then one line per\n"
         "      technique (0F-DB, then the expanded image's entries) with its label, a tab\n"
         "      and the sixteen marks (○ set, × clear) in the order of the headings.\n"
         "  spark set ROM (--technique HH | --slot HH) --mask HHHH [--backup]\n"
         "      Writes one technique's mask (bit 0 = the first heading), a technique\n"
         "      0F-DB or a slot of the expanded image's index list, and prints its line.\n",
         RunSpark},
    Verb{"history",
         "  history ROM [--clear]\n"
         "      Lists the changes recorded for the ROM image, oldest first, with when each\n"
         "      was made and what it was; * marks the present state. --clear forgets them.\n",
         RunHistory},
    Verb{"undo",
         "  undo ROM [--steps N] [--backup]\n"
         "      Takes back the last change recorded for the ROM image (or the last N), after\n"
         "      checking that the image is the state the history expects.\n",
         RunUndo},
    Verb{"redo",
         "  redo ROM [--steps N] [--backup]\n"
         "      Applies again the next change that was taken back (or the next N).\n",
         RunRedo},
};

} // namespace

void PrintUsage(std::ostream& stream)
{
    stream << "usage: varnwork-cli [--data DIR] VERB [ARGUMENTS]\n"
              "       varnwork-cli --help | --version\n\n"
              "Works on the ROM image of VARNHOLD EPICS3 and its files from the command line.\n"
              "Exit status: 0 done, 1 bad command line, 2 the command failed.\n"
              "A verb that changes the ROM image changes a copy in memory and replaces the\n"
              "image file only when the whole command has succeeded; a failed command leaves\n"
              "the image as it was. --backup keeps the image as it was before the change as\n"
              "ROM.bak beside it. Files written by a verb are replaced the same way; an output\n"
              "that is a folder, a device or a FIFO is refused, a link is followed. No output\n"
              "(the image or its backup for a verb that changes it) may be one of the verb's\n"
              "input files, by any name (a link, a hard link): such a command is refused\n"
              "before anything is written.\n\n"
              "Data files: kanji.txt (the 847 kanji of the game's character table in font\n"
              "order), item_labels.txt (the names of the selection lists), music_labels.txt\n"
              "(the names of the MML page's playback lists) and enemy_labels.txt (the enemy\n"
              "page's names from the game) are built into the program; a copy in the data\n"
              "folder is used in their place. The data folder\n"
              "is DIR of --data DIR (given before the verb), else $XDG_CONFIG_HOME/Varnwork,\n"
              "or ~/.config/Varnwork when XDG_CONFIG_HOME is not set. A file that is not there\n"
              "keeps the built-in copy. A damaged file is named on standard error with the\n"
              "line at fault; the command then goes on with the built-in copy, or, when the\n"
              "folder was given with --data, fails (exit status 2) without running.\n\n"
              "verbs:\n";
    for (const Verb& verb : kVerbs)
        stream << verb.usage;
}

int UsageError(std::ostream& err, std::string_view problem)
{
    err << "varnwork-cli: " << problem << "\n\n";
    PrintUsage(err);
    return kExitUsage;
}

int Fail(std::ostream& err, std::string_view message)
{
    err << message << '\n';
    return kExitFailure;
}

} // namespace varn::cli

namespace {

// Loads the data files before the verb runs. A damaged file in the user's configuration folder
// is reported and the built-in copy used, so that one bad file does not stop every command;
// one in a folder named with --data stops the command, since the user asked for exactly those
// files. Returns the exit status when the command must stop.
std::optional<int> LoadDataFolder(const std::optional<std::string>& dataOption)
{
    using namespace varn;
    const std::filesystem::path folder = ResolveDataFolder(
        dataOption ? std::optional<std::filesystem::path>(*dataOption) : std::nullopt);
    DataLoadReport report = LoadDataFiles(folder, dataOption.has_value());
    if (!report.ok()) {
        if (dataOption) {
            std::string messages;
            for (const DataFileProblem& problem : report.problems)
                messages += (messages.empty() ? "" : "\n\n") + problem.message;
            return cli::Fail(std::cerr, messages);
        }
        std::cerr << DataLoadWarning(report) << std::endl;
    }
    cli::SetDataFolderState({folder, std::move(report)});
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace varn::cli;
    // A write past the file size limit then fails like a write to a full disk, with the
    // ordinary message, instead of ending the program and leaving its temporary file.
    std::signal(SIGXFSZ, SIG_IGN);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    // Global options come before the verb.
    std::optional<std::string> dataOption;
    std::size_t first = 0;
    while (first < arguments.size() && arguments[first] == "--data") {
        if (first + 1 == arguments.size())
            return UsageError(std::cerr, "--data needs a folder");
        dataOption = arguments[first + 1];
        first += 2;
    }
    if (first == arguments.size())
        return UsageError(std::cerr, "no verb given");
    const std::string& verbName = arguments[first];
    if (verbName == "--help" || verbName == "-h" || verbName == "help") {
        PrintUsage(std::cout);
        return kExitOk;
    }
    if (verbName == "--version") {
        std::cout << "varnwork-cli " << VARN_VERSION << '\n';
        return kExitOk;
    }
    for (const Verb& verb : kVerbs) {
        if (verbName != verb.name)
            continue;
        // A failure no verb foresaw (an allocation that failed, above all) ends the command
        // with its message; a change to the image is committed only at the verb's end, so
        // nothing half done is written.
        try {
            if (const std::optional<int> stop = LoadDataFolder(dataOption))
                return *stop;
            return verb.run(Arguments(arguments).subspan(first + 1), std::cout, std::cerr);
        } catch (...) {
            std::cout.flush();
            return Fail(std::cerr, varn::CurrentExceptionMessage());
        }
    }
    return UsageError(std::cerr, "unknown verb: " + verbName);
}
