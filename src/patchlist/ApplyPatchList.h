#pragma once

#include <filesystem>
#include <functional>

#include "patchlist/PatchList.h"
#include "rom/Result.h"
#include "rom/Settings.h"

namespace varn {

class RomStream;

// Numbers the music entries of the list from the image's next free music number, writing
// each number into its entry, and checks that every song compiles and that all of them fit
// the write region. Only reads the image. A list with music needs an image that holds the
// region and its song tables ("MMLの書き込み領域がありません。"); further failures are
// "MMLの数が多すぎます。", "コンパイルに失敗しました。\n" + the file name, and
// "MMLの書き込み領域を超えました。". Numbers given before a failure stay in the list.
Status PrepareMusicEntries(PatchList& list, const std::filesystem::path& romPath,
                           const MusicConstants& music);

// Applies one entry to the image stream: an IPS patch, a song under its music number, or a
// character patch at its target.
Status ApplyPatchEntry(RomStream& rom, const PatchEntry& entry, const MusicConstants& music);

// Applies the whole list, in order, through one read-write stream on the image file; the first
// entry that fails stops the rest (the ones before it stay applied). `applied` hears of each
// entry once it is written. An image that cannot be opened fails with
// "ファイルが開けません。\n" and its name; a write the file does not take is a failure.
Status ApplyPatchList(const PatchList& list, const std::filesystem::path& romPath,
                      const MusicConstants& music,
                      const std::function<void(const PatchEntry&)>& applied = {});

} // namespace varn
