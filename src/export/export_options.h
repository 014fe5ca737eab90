// The export state: the two options of the Configure Export dialog and the
// answer to the last overwrite question of the export in progress.
//
// The main frame (or the command-line tool) owns one ExportState for its
// life; every confirmed Export command overwrites the options and resets the
// answer to None before the walk starts. Nothing here is saved anywhere.
#pragma once

#include <cstdint>

namespace cfv {

// The options as the dialog leaves them: 1 when its check box was checked,
// 0 when not. Both are on by default, and every opening of the dialog starts
// from the default.
struct ExportOptions {
  // Items that have children (extractable entries such as nested .cmp and
  // .npc files) are not written as files; their children are still visited.
  std::int32_t skipExtractable = 1;
  // The extension of every written file is corrected from its content.
  std::int32_t renameExtension = 1;
};

// The answer to the last overwrite question of the current export.
enum class OverwriteAnswer : std::int32_t {
  kNone,    // no question asked yet in this export
  kYes,     // the existing file was replaced
  kNo,      // the existing file stayed; holds for that file only
  kCancel,  // nothing more is read or written in this export
};

struct ExportState {
  ExportOptions options;
  OverwriteAnswer overwriteAnswer = OverwriteAnswer::kNone;
};

}  // namespace cfv
