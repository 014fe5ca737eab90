// `tazor-cfv export`: loads the paths as a drop does, checks every item and
// runs the export engine over them, as File > Export does in the viewer.
#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "export/export_options.h"

namespace cfv::cli {

// What to do when a file is already there.
enum class OverwritePolicy {
  kAsk,     // ask on standard error, read y/n/c lines from standard input (end of input or
            // three lines that are not answers: No; see TerminalUser)
  kYes,     // replace every existing file
  kNo,      // keep every existing file (those entries count as not written)
  kCancel,  // stop reading and writing at the first existing file
};

// "ask", "yes", "no", "cancel"; nothing for anything else.
std::optional<OverwritePolicy> ParseOverwritePolicy(std::string_view text);

// Everything `export` takes besides its paths.
struct ExportRequest {
  // The engine's options: --keep-extractable, --keep-extension, -C DIR
  // (destination) and --dry-run.
  ExportOptions options;
  OverwritePolicy policy = OverwritePolicy::kAsk;
  // --include and --exclude: entry path patterns (EntryPattern, kPath).
  std::vector<std::string> includes;
  std::vector<std::string> excludes;
  bool verbose = false;   // -v: each written path on `out`
  bool quiet = false;     // -q: nothing but errors (no summary, no "Export finished!")
  bool progress = false;  // a progress line on `err` (when it is a terminal)
  // --manifest: every entry written to a path of its own, and manifest.json
  // into each custom file's export folder after everything else
  // (export/manifest_export.h). Custom files that share an export folder
  // are then bad usage: nothing is written.
  bool manifest = false;
};

// Runs the export. Messages go to `err` one line each, with their cause (the
// system's error text, or the refusal): failures, "kept PATH" and
// "cancelled at PATH" of --overwrite=no/cancel, the questions of kAsk, and
// the summary line "written N, not overwritten M, failed K". Written paths
// (with -v) and the paths a dry run would write go to `out`, then "Export
// finished!" (not in a dry run). Returns 0 when every entry meant to be
// written was written; 1 when any was not, when none of the inputs is a
// custom file, or when a file found in a named folder could not be read (a
// warning line each); 2 when a named path does not exist or cannot be read
// (the others are still exported), which wins.
int RunExport(const std::vector<std::filesystem::path>& paths, const ExportRequest& request, std::FILE* in,
              std::FILE* out, std::FILE* err);

}  // namespace cfv::cli
