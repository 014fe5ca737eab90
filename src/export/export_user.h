// What the export engine needs from its user: the answer to the overwrite
// question and somewhere to show its three messages.
//
// The GUI answers with message boxes owned by the main frame, the
// command-line tool with its --overwrite policy or a prompt on a terminal,
// the tests with a script. The engine calls these on its own thread, one at a
// time, and never after ExportFinished.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/texts.h"
#include "export/export_options.h"

namespace cfv {

// Why one entry (or a whole custom file) was not written: what failed, on
// which path, and the system's error number or the refusal. Front ends word
// it in their own language and form.
struct ExportFailure {
  enum class Kind {
    kRead,          // the entry could not be read; `path` is the custom file, `error` the errno
    kWrite,         // the target could not be made or written; `path` is the target, `error` the errno
    kLeavesFolder,  // refused: the name leaves the export folder; `path` is the target
    kCustomFile,    // refused: the target is a custom file being exported; `path` is the target
    kFolderName,    // refused: the custom file's stem is empty, "." or ".."; `path` is the custom file
    kNoExtension,   // refused: beside a custom file without extension there is no room for its
                    // folder (a destination folder is needed); `path` is the custom file
    kLink,          // refused: a symbolic link where a folder of the export should be, which is
                    // never followed; `path` is the link
  };
  Kind kind;
  std::string path;
  int error = 0;  // errno for kRead and kWrite (0 when unknown), 0 otherwise
};

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

  // A failure with its cause. kFolderName and kNoExtension come once per
  // custom file and export, the others once per entry. By default worded as
  // the messages above: ReadFailed, WriteFailed (kWrite, kLeavesFolder,
  // kCustomFile) and FolderNameRefused (kFolderName, kNoExtension).
  virtual void Failed(const ExportFailure& failure);
  // `path` was written (or, in a dry run, would be). By default nothing.
  virtual void EntryWritten(const std::string& /*path*/) {}
  // Before each entry of the walk that is to be written: `done` of `total`
  // entries are behind, `name` is the entry's name as stored. Returning
  // false acts as the overwrite question's Cancel. By default: go on.
  virtual bool Progress(std::uint32_t /*done*/, std::uint32_t /*total*/, std::string_view /*name*/) {
    return true;
  }
};

}  // namespace cfv
