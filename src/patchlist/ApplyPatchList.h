#pragma once

#include <filesystem>
#include <functional>

#include "patchlist/PatchList.h"
#include "rom/Result.h"
#include "rom/RomImageEdit.h"
#include "text/Settings.h"

namespace varn {

class RomStream;

// The message for a list to apply that holds no entry.
inline constexpr const char* kEmptyPatchListMessage = "パッチファイルを指定してください。";

// Hears of each entry once it is applied (to the image in memory).
using AppliedEntry = std::function<void(const PatchEntry&)>;

// Applies one entry to the image stream: an IPS or BPS patch, a song under its music number,
// or a character patch at its target. A BPS patch is checked against the image as the stream
// holds it, so in a list against the image as the entries before it leave it.
Status ApplyPatchEntry(RomStream& rom, const PatchEntry& entry, const MusicConstants& music);

// Runs the whole list on an image stream, entry by entry in list order; the first entry that
// fails stops the rest with its message. A song gets the next free music number of the image
// as the entries before it leave it (written into its entry, and kept there after a failure),
// so an IPS patch that expands the image can be followed by songs. A song needs an image with
// the music region and its song tables ("MMLの書き込み領域がありません。"), bookkeeping that
// can be trusted ("MMLの書き込み情報が壊れています。"), a free number ("MMLの数が多すぎます。"),
// a file that compiles ("コンパイルに失敗しました。\n" + the file name) and room in the region
// ("MMLの書き込み領域を超えました。").
Status RunPatchList(PatchList& list, RomStream& rom, const MusicConstants& music,
                    const AppliedEntry& applied = {});

// What every way of applying a list checks before it reads anything: an image is named
// ("smcファイルを指定してください。") and the list holds an entry
// ("パッチファイルを指定してください。"). PrepareMusicEntries and ApplyPatchList begin with it.
Status CheckPatchListToApply(const PatchList& list, const std::filesystem::path& romPath);

// Numbers the music entries of the list and checks the whole list before anything is
// written, after CheckPatchListToApply: the list is run on a copy of the image in memory, so every song is numbered and
// measured against the image as the earlier entries leave it, and an entry that would fail
// fails here with its message. The numbers given before a failure stay in the list. An image
// that cannot be opened fails with "ファイルが開けません。\n" and its name.
Status PrepareMusicEntries(PatchList& list, const std::filesystem::path& romPath,
                           const MusicConstants& music);

// Applies the whole list to the image file, all or nothing (refusing first what
// CheckPatchListToApply refuses): the list runs on the image in
// memory and the file is replaced only once every entry has been applied. When an entry fails,
// its message is returned and the file stays byte for byte as it was. `applied` hears of each
// entry as it is applied in memory. An image that cannot be opened fails with
// "ファイルが開けません。\n" and its name; one that cannot be replaced with
// "ファイルに書き込めません。\n" and its name. An image (or its backup) that is one of the
// list's files is refused before anything is read: "出力先が入力ファイルと同じです。\n" and
// its name.
Status ApplyPatchList(const PatchList& list, const std::filesystem::path& romPath,
                      const MusicConstants& music, const AppliedEntry& applied = {},
                      const ImageChangeOptions& options = {});

} // namespace varn
