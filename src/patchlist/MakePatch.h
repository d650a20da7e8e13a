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

// The message for an output whose extension names no patch format, and for one that is an input.
inline constexpr const char* kNotAPatchFileMessage = "パッチファイルではありません。";
inline constexpr const char* kOutputIsInputMessage = "出力先が元のファイルか変更後のファイルです。";
// A made patch that does not turn the original into the modified file when applied.
inline constexpr const char* kPatchCheckFailedMessage = "作成したパッチの検証に失敗しました。";

// The largest text file read as a BPS patch's metadata (varnwork-cli diff --metadata): the text
// an author writes about a patch, what it changes, how to apply it, credits. The patch list
// shows the first 64 KiB of a patch's metadata; 1 MiB is sixteen times that.
inline constexpr std::uintmax_t kMaxBpsMetadataFileSize = std::uintmax_t{1} << 20;

// Makes a patch of `format` that turns `original` into `modified` (CreateIpsPatch,
// CreateBpsPatch; `metadata` goes into a BPS patch and is not used for IPS) and checks it
// before returning it: applied in memory to `original` as the patch list applies it, it must
// give `modified` byte for byte ("作成したパッチの検証に失敗しました。" otherwise). Refuses a
// `modified` shorter than `original` for both formats (no patch this program applies can cut an
// image) and, for IPS, one larger than 16 MiB.
Result<std::vector<std::uint8_t>> MakePatch(PatchFormat format,
                                            std::span<const std::uint8_t> original,
                                            std::span<const std::uint8_t> modified,
                                            std::string_view metadata = {});

// Reads the two images (each at most as large as an image may be, else "ファイルが開けません。"
// and its name), makes and checks the patch in the format of `output`'s extension
// ("パッチファイルではありません。" and the name for another extension) and writes it, replacing
// `output` only once it is whole. An output that is one of the two images is refused
// ("出力先が元のファイルか変更後のファイルです。"), so a mistyped command never overwrites an
// image. Returns the size of the patch written.
Result<std::size_t> MakePatchFile(const std::filesystem::path& original,
                                  const std::filesystem::path& modified,
                                  const std::filesystem::path& output,
                                  std::string_view metadata = {});

} // namespace varn
