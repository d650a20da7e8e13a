#include "patchlist/PatchListFile.h"

#include <cstdio>

#include "rom/FileIo.h"
#include "rom/HexText.h"
#include "rom/RomStream.h"
#include "text/Cp932.h"
#include "text/TextFile.h"

namespace varn {

namespace {

constexpr std::string_view kHeader = "// Varnpatch Patch List ";

// Whether a path would not read back whole when written as it is: a comma would split it, a
// quote in front would open a quoted path, and "//" in front would make the line a comment.
bool NeedsQuotes(std::string_view path)
{
    return path.find(',') != std::string_view::npos || path.starts_with('"') ||
           path.starts_with("//");
}

std::string QuotedIfNeeded(const std::string& path)
{
    if (!NeedsQuotes(path))
        return path;
    std::string quoted = "\"";
    for (char c : path) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + '"';
}

std::string_view TrimLineEnd(std::string_view line)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
        line.remove_suffix(1);
    return line;
}

// The target text after a comma: read as hexadecimal, -1 when it is not a number.
int ParseTarget(std::string_view text)
{
    const std::optional<std::uint32_t> value = ParseHex(TrimLineEnd(text), 1, 6);
    return value ? static_cast<int>(*value) : -1;
}

PatchListLine ParseLine(std::string_view line)
{
    PatchListLine entry;
    std::string_view rest;
    if (line.front() == '"') {
        // A quoted path: up to the closing quote, a doubled quote standing for one.
        std::size_t i = 1;
        for (; i < line.size(); ++i) {
            if (line[i] == '"') {
                if (i + 1 < line.size() && line[i + 1] == '"') {
                    entry.path += '"';
                    ++i;
                    continue;
                }
                break;
            }
            entry.path += line[i];
        }
        rest = i < line.size() ? line.substr(i + 1) : std::string_view();
        const std::size_t comma = rest.find(',');
        if (comma == std::string_view::npos) {
            entry.target = 0;
            return entry;
        }
        rest = rest.substr(comma);
    } else {
        const std::size_t comma = line.find(',');
        if (comma == std::string_view::npos) {
            entry.path = std::string(TrimLineEnd(line));
            return entry;
        }
        entry.path = std::string(line.substr(0, comma));
        rest = line.substr(comma);
    }
    // The target starts two characters after the comma: one separator is skipped.
    entry.target = ParseTarget(rest.size() > 2 ? rest.substr(2) : std::string_view());
    return entry;
}

// Calls `take` with each entry line of a list file's text, in order.
template <class Take> void ForEachEntryLine(std::string_view text, Take take)
{
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = TrimLineEnd(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.starts_with("//"))
            continue;
        take(ParseLine(line));
    }
}

} // namespace

std::string FormatPatchList(const std::vector<PatchEntry>& entries, const std::tm& now)
{
    char stamp[80];
    std::snprintf(stamp, sizeof stamp, "%04d/%02d/%02d %02d:%02d:%02d", now.tm_year + 1900,
                  now.tm_mon + 1, now.tm_mday, now.tm_hour, now.tm_min, now.tm_sec);
    std::string text = std::string(kHeader) + stamp + "\r\n";
    for (const PatchEntry& entry : entries) {
        text += QuotedIfNeeded(entry.path.string());
        if (!entry.targetText().empty())
            text += ", " + entry.targetText();
        text += "\r\n";
    }
    return text;
}

Status SavePatchList(const std::filesystem::path& path, const std::vector<PatchEntry>& entries,
                     const std::tm& now)
{
    // The list file may not replace one of the files it lists.
    std::vector<std::filesystem::path> listed;
    for (const PatchEntry& entry : entries)
        listed.push_back(entry.path);
    if (Status apart = CheckOutputNotInput(path, listed); !apart)
        return apart;
    const std::string bytes = EncodeTextFileBytes(FormatPatchList(entries, now));
    if (!WriteFileAtomically(
            path, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())))
        return Failure{kCannotOpenFileMessage};
    return {};
}

std::vector<PatchListLine> ParsePatchListText(std::string_view text)
{
    std::vector<PatchListLine> lines;
    ForEachEntryLine(text, [&](PatchListLine line) { lines.push_back(std::move(line)); });
    return lines;
}

Result<PatchListLoad> LoadPatchList(const std::filesystem::path& path, PatchList& list)
{
    const Result<std::string> text = ReadTextFile(path, kMaxPatchListFileSize);
    if (!text)
        return Failure{text.message()};

    list.clear();
    PatchListLoad load;
    // Each line is added as it is read, so that the lines take no memory of their own.
    ForEachEntryLine(text.value(), [&](const PatchListLine& line) {
        // The editor writes full paths; a relative one (a list written by hand next to its
        // files) is taken from the list file's folder.
        std::filesystem::path entry = line.path;
        if (entry.is_relative())
            entry = path.parent_path() / entry;
        const std::optional<PatchKind> kind = PatchKindOf(entry);
        const bool added = kind && list.add(*kind, entry, line.target) == AddResult::Added;
        if (!added)
            load.failedEntries.push_back(std::move(entry));
    });
    return load;
}

} // namespace varn
