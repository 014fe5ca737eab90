// What the export engine needs from its user: the answer to the overwrite
// question, somewhere to show its failures, progress with a way to cancel,
// and the end of the walk with what it did.
//
// The GUI answers with message boxes on its UI thread (ExportJob), the
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
    kUnsaved,       // refused: a branch with unsaved edits has no data as one file yet; `path`
                    // is its output path
  };
  Kind kind;
  std::string path;
  int error = 0;  // errno for kRead and kWrite (0 when unknown), 0 otherwise
};

// What one export did: the finished message's numbers, the command-line
// tool's exit status.
struct ExportSummary {
  std::uint32_t written = 0;      // files written
  std::uint32_t readErrors = 0;   // read messages shown
  std::uint32_t writeErrors = 0;  // write messages shown
  std::uint32_t declined = 0;     // existing files kept by a No or No to All
  std::uint32_t cancelled = 0;    // entries not read after a Cancel (the cancelled one included)

  // The three numbers the finished message gives.
  std::uint32_t NotOverwritten() const { return declined; }
  std::uint32_t Failed() const { return readErrors + writeErrors; }

  // True when every entry meant to be written was written.
  bool AllWritten() const { return readErrors == 0 && writeErrors == 0 && declined == 0 && cancelled == 0; }
};

class ExportUser {
 public:
  virtual ~ExportUser() = default;
  // Something that is not a folder exists at `targetPath` (the path as the
  // message shows it). The answer is one of Yes, No and Cancel; None is
  // taken as No.
  virtual OverwriteAnswer AskOverwrite(const std::string& targetPath) = 0;
  // A failure with its cause. kFolderName and kNoExtension come once per
  // custom file and export, the others once per entry. The GUI words kRead
  // as the read message (texts::kExportReadError), kFolderName and
  // kNoExtension as theirs, the rest as the write message with the path.
  virtual void Failed(const ExportFailure& failure) = 0;
  // The walk ended (texts::kExportFinished), after every export that
  // started, also after errors and after a Cancel. By default nothing.
  virtual void ExportFinished(const ExportSummary& summary) { (void)summary; }
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
