#pragma once

#include <cstddef>
#include <filesystem>

#include "rom/ImageHistory.h"
#include "rom/RomImageEdit.h"

namespace varn {

// Undo and redo of the changes an image's history recorded. Each is a change of the image like
// any other — under the image's lock, run in memory, one commit, all or nothing — after which
// the history's position moves. Every step checks the image against the state its entry
// expects, so an image changed without a record is left alone.

inline constexpr const char* kNothingToUndoMessage = "元に戻せる変更がありません。";
inline constexpr const char* kNothingToRedoMessage = "やり直せる変更がありません。";

// Brings the image at `path` to the state after the first `position` entries of its history
// (kept in options.history): back through the entries after it, or forward through the ones
// up to it. Fails with the messages above for a position past either end, with
// "ROMイメージが履歴の記録と一致しません。…" when the image is not the state its history stands
// for, and as a commit fails.
Status RestoreImageState(const std::filesystem::path& path, std::size_t position,
                         const ImageChangeOptions& options);

// Takes back the last `steps` changes (undo), or applies again the next `steps` (redo).
Status UndoImageChanges(const std::filesystem::path& path, std::size_t steps,
                        const ImageChangeOptions& options);
Status RedoImageChanges(const std::filesystem::path& path, std::size_t steps,
                        const ImageChangeOptions& options);

// The image's history as it stands for the image's present state (reconciled with it). With
// `seen`, what the caller last saw of the file: while the file is still that one (the same
// file, size and modification time), its checksum is taken from there instead of reading the
// image again.
ImageHistory ReadImageHistory(const std::filesystem::path& path,
                              const std::filesystem::path& stateFolder,
                              const ImageFileState* seen = nullptr);

} // namespace varn
