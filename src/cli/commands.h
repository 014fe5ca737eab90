// The commands of tazor-cfv, apart from argument parsing so that tests can
// run them in-process. Each returns the process exit status: 0 success,
// 1 a failure while doing the work (an entry not written, output failed) or
// no input that is a custom file (list, export), 2 bad usage or an
// unreadable input, which wins. Messages go to `err`, one line each.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "containers/entry_tree.h"

namespace cfv {
struct ReadTrouble;
}

namespace cfv::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// How `list` prints an item: indented text, TSV fields, or one JSON object
// a line (JSON Lines; reads every entry for its data fields).
enum class ListFormat { kPlain, kTsv, kJson };

// `list [--tsv|--json] PATH...`: loads the paths as a drop does and prints
// every loaded custom file's tree in pre-order.
int RunList(const std::vector<std::filesystem::path>& paths, ListFormat format, std::FILE* out,
            std::FILE* err);

// `cat FILE OFFSET`: writes the data of the entry whose header is at OFFSET.
int RunCat(const std::filesystem::path& file, std::uint32_t offset, std::FILE* out, std::FILE* err);

// `info FILE OFFSET`: key=value lines about that entry.
int RunInfo(const std::filesystem::path& file, std::uint32_t offset, std::FILE* out, std::FILE* err);

// How `diff` prints: a line per difference, JSON Lines, a count per kind,
// or nothing (the exit status says it).
enum class DiffFormat { kLines, kJson, kStat, kQuiet };

// `diff [--json|--stat|-q] A B`: which entries differ between two custom
// files or two folders of them. Exit status as diff's: 0 nothing differs,
// 1 something does, 2 trouble (something could not be read, or the output
// could not be written).
int RunDiff(const std::filesystem::path& a, const std::filesystem::path& b, DiffFormat format, std::FILE* out,
            std::FILE* err);

// `grep [-i] [-l|-c] [--hex] [--json] PATTERN PATH...`.
struct GrepRequest {
  std::string pattern;
  std::vector<std::filesystem::path> paths;
  bool ignoreCase = false;
  bool hex = false;
  bool filesOnly = false;  // -l
  bool count = false;      // -c
  bool json = false;
};

// Searches the data of every leaf of the custom files `request.paths`
// name. Exit status as grep's: 0 something matched, 1 nothing did, 2
// trouble (a bad PATTERN, something could not be read, the output could not
// be written), which wins.
int RunGrep(const GrepRequest& request, std::FILE* out, std::FILE* err);

// Says on `err`, in one line with the names escaped, what comparing or
// searching could not read. Every such trouble is exit status 2.
void ReportTrouble(std::FILE* err, const ReadTrouble& trouble);

// Says on `err` that `path` cannot be read, with the system's reason for
// `error`: a path named on the command line as an error (status 2), one
// found inside a named folder as a warning (status 1). Raises `status` to
// that level.
void ReportUnreadable(std::FILE* err, const std::filesystem::path& path, int error, bool named, int& status);

// Parses an entry offset: decimal, or hexadecimal with 0x; at most 2^32 - 1.
std::optional<std::uint32_t> ParseOffset(std::string_view text);

// Whether `text` is written as an offset (decimal digits, or 0x and hex
// digits), whatever its value.
bool LooksLikeOffset(std::string_view text);

// The header offset of the entry that `entry` names in the custom file
// `file` for cat and info: an offset when it looks like one (and `byPath` is
// not set), otherwise an entry path with wildcards as export --include takes
// it (EntryPattern, kPath), which must match exactly one entry. Otherwise
// says why on `err` and returns nothing (exit status 2).
std::optional<std::uint32_t> ResolveEntry(const std::filesystem::path& file, std::string_view entry,
                                          bool byPath, std::FILE* err);

// The item that `entry` names in `tree` (one loaded custom file, `file`):
// the entry whose header is at the offset it gives (unless `byPath`), or the
// one entry whose path matches it as ResolveEntry takes it. Otherwise says
// why on `err` and returns nothing.
std::optional<ItemId> ResolveEntryIn(const EntryTree& tree, const std::filesystem::path& file,
                                     std::string_view entry, bool byPath, std::FILE* err);

// Escapes backslash, tab, line feed and carriage return as \\ \t \n \r, so a
// value always stays on one line and in one field.
std::string EscapeField(std::string_view text);
// EscapeField of a path, for messages: every name and path the tool prints
// is escaped, on standard output and standard error alike.
inline std::string Shown(const std::filesystem::path& path) { return EscapeField(path.native()); }

// A pattern (--include, --exclude, an ENTRY path) holds at most this many
// bytes: matching costs its length times each path's, for every entry.
inline constexpr std::size_t kMaxPatternBytes = 4096;
// Whether `pattern` is that short; otherwise says so on `err`, naming
// `what` (the option or argument that gave it).
bool PatternFits(std::string_view pattern, const char* what, std::FILE* err);

// Says on `err` that reading `file` failed, with the system's reason for
// `error` (exit status 2).
void ReportReadError(std::FILE* err, const std::filesystem::path& file, int error);
// Appends `text` escaped as EscapeField does to `out`.
void AppendEscaped(std::string& out, std::string_view text);

}  // namespace cfv::cli
