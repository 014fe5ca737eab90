// WriteTarget: the file a custom file writer replaces (or makes), held from
// the first read to the last step.
//
// A target that is a symbolic link stands for the file it names: that file
// is replaced and the link stays. The target is locked (flock, exclusive,
// without waiting: another writer holding it is an error, not a wait) from
// Open until the object goes, and a write is refused when the file changed
// meanwhile (size, modification time, or another file now at its name).
// Commit keeps the old bytes as FILE.bak when asked: a hard link to the
// locked file made under a temporary name and renamed into place (a copy
// where the file system has no hard links), so a kill leaves FILE.bak old or
// new, never partial. Then the new file takes the target's name in one step
// (PendingFile: the export's own safe write), with the old file's
// permission bits and, when run as root, its owner and group.
//
// Thread: one owner.
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "export/output_files.h"

namespace cfv {

class WriteTarget {
 public:
  // Why the target cannot be written: the path concerned, and the system's
  // error number or, with 0, the refusal in English words (`text`).
  struct Failure {
    std::filesystem::path path;
    int error = 0;
    std::string text;
  };

  WriteTarget() = default;
  WriteTarget(const WriteTarget&) = delete;
  WriteTarget& operator=(const WriteTarget&) = delete;
  ~WriteTarget();

  // Opens the target `path` (links followed), sweeps the leftovers of killed
  // writers from its folder, opens and locks it when it exists, and, with
  // `backup`, refuses a FILE.bak that is a folder or a symbolic link.
  bool Open(const std::filesystem::path& path, bool backup, Failure& failure);

  bool Exists() const { return fd_ >= 0; }
  // The target open for reading and locked; -1 when it does not exist yet.
  int Fd() const { return fd_; }
  // The file that is replaced (links followed), and its backup's path.
  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path BackupPath() const;
  const FolderHandle& Folder() const { return folder_; }
  // Its state when opened.
  const struct stat& Stat() const { return stat_; }

  // Whether the target is as it was when opened: the same file at its name
  // (or still none), with the same size and modification time.
  bool Unchanged() const;

  // Keeps the old bytes as FILE.bak (with `backup`, when the target exists),
  // then puts `pending` at the target's name. Refuses when the target
  // changed since Open. On failure nothing at the target's name changed.
  bool Commit(PendingFile& pending, bool backup, Failure& failure);

 private:
  bool MakeBackup(Failure& failure);

  std::filesystem::path path_;
  std::string name_;
  FolderHandle folder_;
  int fd_ = -1;
  struct stat stat_ {};
};

// The file a path names once symbolic links are followed, as far as they
// lead (a dangling link gives the path it names). At most 40 links.
std::filesystem::path FollowLinks(const std::filesystem::path& path);

}  // namespace cfv
