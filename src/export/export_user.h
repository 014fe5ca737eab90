// What the export engine needs from its user: the answer to the overwrite
// question and somewhere to show its three messages.
//
// The GUI answers with message boxes owned by the main frame, the
// command-line tool with its --overwrite policy or a prompt on a terminal,
// the tests with a script. The engine calls these on its own thread, one at a
// time, and never after ExportFinished.
#pragma once

#include <string>
#include <string_view>

#include "common/texts.h"
#include "export/export_options.h"

namespace cfv {

class ExportUser {
 public:
  virtual ~ExportUser() = default;
  // Something that is not a folder exists at `targetPath` (the path as the
  // message shows it). The answer is one of Yes, No and Cancel; None is
  // taken as No.
  virtual OverwriteAnswer AskOverwrite(const std::string& targetPath) = 0;
  // The entry could not be read from `customFilePath` (the read message,
  // texts::kExportReadError, which does not name the file).
  virtual void ReadFailed(const std::string& customFilePath) = 0;
  // Nothing could be written at `targetPath` (the write message,
  // texts::kExportWriteError with the path).
  virtual void WriteFailed(const std::string& targetPath) = 0;
  // The custom file at `customFilePath` has no usable export folder name
  // (texts::kExportNoFolderName): none of its entries is written. Once per
  // custom file and export.
  virtual void FolderNameRefused(const std::string& customFilePath) = 0;
  // The walk ended (texts::kExportFinished). Shown after every export that
  // started, also after errors and after a Cancel.
  virtual void ExportFinished() = 0;
};

}  // namespace cfv
