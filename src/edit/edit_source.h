// EditSource: the custom file a writer copies its untouched entries from
// (edit's FILE, pack's --base ORIGINAL), held from the first read to the
// commit.
//
// When it is the target itself (editing in place) it is read through the
// target's locked descriptor; otherwise through its own, with a shared lock
// so that no writer that locks changes it meanwhile. It must be well
// formed (no structural problem that VerifyCustomFile finds): only then do
// its entries describe every byte, so that they can be copied faithfully.
//
// Thread: one owner.
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "containers/entry_tree.h"
#include "containers/verify.h"
#include "edit/edit_tree.h"

namespace cfv {

class WriteTarget;

class EditSource {
 public:
  struct Failure {
    enum class Kind {
      kUnreadable,     // `error` says why
      kNotRegular,     // not a regular file
      kLocked,         // another program holds a lock on it
      kNotCustomFile,  // its first bytes are no entry header
      kBroken,         // `problems`: the structural ones
    };
    Kind kind = Kind::kUnreadable;
    int error = 0;
    std::vector<FileProblem> problems;
  };

  EditSource() = default;
  EditSource(const EditSource&) = delete;
  EditSource& operator=(const EditSource&) = delete;
  ~EditSource();

  // Opens `path`, the target's descriptor when it is the target's file.
  bool Open(const std::filesystem::path& path, const WriteTarget& target, Failure& failure);
  // Checks it is well formed and loads it: Loaded() and the tree.
  bool Load(Failure& failure);

  int Fd() const { return fd_; }
  std::uint64_t Length() const { return static_cast<std::uint64_t>(stat_.st_size); }
  // Whether it still has the size and modification time it had when opened.
  bool Unchanged() const;
  // The file as the loader sees it: one root, every entry below it.
  const EntryTree& Loaded() const { return loaded_; }
  // The file as an edit starts from it (EditTree::FromSource); the caller
  // may change it.
  EditTree& Tree() { return *tree_; }

 private:
  int own_ = -1;
  int fd_ = -1;
  struct stat stat_ {};
  EntryTree loaded_;
  std::unique_ptr<EditTree> tree_;
};

}  // namespace cfv
