#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "rom/Result.h"

namespace varn {

// Making a patch from a modified image: the way a modification is published without the image.

enum class PatchFormat { Ips, Bps };

// The format a patch file is written in by its extension in lower case (".ips", ".bps"), if any.
std::optional<PatchFormat> PatchFormatOf(const std::filesystem::path& path);

// The message for an output whose extension names no patch format.
inline constexpr const char* kNotAPatchFileMessage = "パッチファイルではありません。";
// A made patch that does not turn the original into the modified file when applied.
inline constexpr const char* kPatchCheckFailedMessage = "作成したパッチの検証に失敗しました。";

// The largest text file read as a BPS patch's metadata (varnwork-cli diff --metadata): the text
// an author writes about a patch, what it changes, how to apply it, credits. The patch list
// shows the first 64 KiB of a patch's metadata; 1 MiB is sixteen times that.
inline constexpr std::uintmax_t kMaxBpsMetadataFileSize = std::uintmax_t{1} << 20;

// Makes a patch of `format` that turns `original` into `modified` (CreateIpsPatch,
// CreateBpsPatch; `metadata` goes into a BPS patch and is not used for IPS) and checks it
// before returning it: applied in memory to `original` as the patch list applies it, it must
// give `modified` byte for byte ("作成したパッチの検証に失敗しました。" otherwise). A BPS patch
// may make the image longer or shorter; for IPS, which cannot cut a file, a `modified` shorter
// than `original` is refused, and so is one larger than 16 MiB.
Result<std::vector<std::uint8_t>> MakePatch(PatchFormat format,
                                            std::span<const std::uint8_t> original,
                                            std::span<const std::uint8_t> modified,
                                            std::string_view metadata = {});

// Reads the two images (each at most as large as an image may be, else "ファイルが開けません。"
// and its name), makes and checks the patch in the format of `output`'s extension
// ("パッチファイルではありません。" and the name for another extension) and writes it, replacing
// `output` only once it is whole. An output that is one of the two images, by any name, is
// refused before either is read ("出力先が入力ファイルと同じです。" and the output's name), so a
// mistyped command never overwrites an image. Returns the size of the patch written.
Result<std::size_t> MakePatchFile(const std::filesystem::path& original,
                                  const std::filesystem::path& modified,
                                  const std::filesystem::path& output,
                                  std::string_view metadata = {});

} // namespace varn
