// `tazor-cfv export`: loads the paths as a drop does, checks every item and
// runs the export engine over them, as File > Export does in the viewer.
#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
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

// Runs the export. Messages go to `err` one line each: the write message
// with the target path, the read message after the custom file's path, and
// the questions of kAsk. "Export finished!" goes to `out`. Returns 0 when
// every entry meant to be written was written, 1 when any was not or a file
// found in a named folder could not be read (a warning line each), 2 when a
// named path does not exist or cannot be read (the others are still
// exported).
int RunExport(const std::vector<std::filesystem::path>& paths, const ExportOptions& options,
              OverwritePolicy policy, std::FILE* in, std::FILE* out, std::FILE* err);

}  // namespace cfv::cli
