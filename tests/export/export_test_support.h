// Test helpers for the export engine: a user that answers from a script and
// records what it was shown, and a listing of a folder's contents.
#pragma once

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "containers/entry_tree.h"
#include "export/export_user.h"

namespace cfv::test {

// Records every call as one line: "ask <path>", "read <file>",
// "write <path>", "finished". Answers overwrite questions from `answers` in
// order; an empty script answers No and records "ask-unscripted".
class ScriptedUser : public ExportUser {
 public:
  explicit ScriptedUser(std::deque<OverwriteAnswer> answers = {}) : answers_(std::move(answers)) {}
  OverwriteAnswer AskOverwrite(const std::string& targetPath) override;
  void ReadFailed(const std::string& customFilePath) override { events.push_back("read " + customFilePath); }
  void WriteFailed(const std::string& targetPath) override { events.push_back("write " + targetPath); }
  void FolderNameRefused(const std::string& customFilePath) override {
    events.push_back("refused " + customFilePath);
  }
  void ExportFinished() override { events.push_back("finished"); }
  // Records the cause in `causes` ("<kind> <path> <errno>") and the message
  // the window would show in `events`.
  void Failed(const ExportFailure& failure) override;
  void EntryWritten(const std::string& path) override { written.push_back(path); }
  // Records "done/total name"; answers Cancel at the entry where `done`
  // reaches cancelAt.
  bool Progress(std::uint32_t done, std::uint32_t total, std::string_view name) override;

  std::vector<std::string> events;
  std::vector<std::string> causes;
  std::vector<std::string> written;
  std::vector<std::string> progress;
  std::uint32_t cancelAt = ~0u;

 private:
  std::deque<OverwriteAnswer> answers_;
};

// Every path below `root`, relative to it and sorted; folders end in '/',
// symbolic links in '@' (links are not followed).
std::vector<std::string> Listing(const std::filesystem::path& root);

// Loads each file into one tree (root text = the path as a string) and
// checks every item.
EntryTree LoadAllChecked(const std::vector<std::filesystem::path>& files);

// The first item in pre-order whose text is `text` (kNoItem when none).
ItemId FindItem(const EntryTree& tree, std::string_view text);

}  // namespace cfv::test
