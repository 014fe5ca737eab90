// The write side of the export on this system: folders and files created
// inside an export folder relative to open folder handles, never following a
// symbolic link found there, and files that appear whole or not at all.
//
// At any moment, a kill included, a file's final name holds nothing, the old
// file, or the whole new data. A file is written unnamed (O_TMPFILE) in its
// folder and then given its name; where the file system refuses unnamed
// files, under a temporary name ".cfv-export-<12 hex digits>.tmp" instead. A
// new file is linked to its name only when nothing is there (so a file that
// appeared meanwhile is not lost). An overwrite is flushed to disk, linked to
// a temporary name and renamed over the old file. A failed write, flush,
// close, link or rename leaves no file behind and the old file as it was.
// Each temporary file is locked (flock) while it exists; a kill between the
// link and the rename leaves one behind, which SweepLeftovers removes when
// no running export holds it.
//
// Thread: the calling thread; no state is shared between calls.
#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "export/output_path.h"

namespace cfv {

// How a file's bytes reach the disk. The seam lets tests make a write, a
// flush or a close fail, or act as a file system without unnamed files;
// the export uses PosixFileWriter().
class FileWriter {
 public:
  virtual ~FileWriter() = default;
  // Writes all `length` bytes to `fd`. False on failure, with errno set.
  virtual bool WriteAll(int fd, const unsigned char* data, std::size_t length);
  // Flushes the file's data to the disk (fsync). False on failure.
  virtual bool Flush(int fd);
  // Closes `fd`, which is then gone whatever the result. False on failure.
  virtual bool Close(int fd);
  // Opens an unnamed file in `folder` for writing (O_TMPFILE); -1 with
  // errno set where that fails (EOPNOTSUPP: the file system has none).
  virtual int OpenUnnamed(int folder);
};

FileWriter& PosixFileWriter();

// An open folder (O_PATH is not used: files are created relative to it).
// Move-only; closes on destruction.
class FolderHandle {
 public:
  FolderHandle() = default;
  explicit FolderHandle(int fd, bool created = false) : fd_(fd), created_(created) {}
  FolderHandle(FolderHandle&& other) noexcept : fd_(other.fd_), created_(other.created_) { other.fd_ = -1; }
  FolderHandle& operator=(FolderHandle&& other) noexcept;
  FolderHandle(const FolderHandle&) = delete;
  FolderHandle& operator=(const FolderHandle&) = delete;
  ~FolderHandle();
  int fd() const { return fd_; }
  // This handle's open made the folder: what is in it was put there since.
  bool created() const { return created_; }
  explicit operator bool() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
  bool created_ = false;
};

// Opens the folder `folder`, creating what is missing when `create` is set.
// The folders above the export folder are the user's own: they are created
// as needed and symbolic links among them are followed. The export folder
// and every component inside it are opened without following a symbolic
// link, so a link planted there makes the open fail instead of leading
// elsewhere. Fails (an empty handle, errno set) when a component is not a
// folder, cannot be created, or the path leaves its export folder.
FolderHandle OpenOutputFolder(const OutputPath& folder, bool create);

// Opens `components` one inside the other, starting in the open folder
// `base`, each without following a symbolic link and created when missing
// with `create`. No components give a second handle on `base`. Fails (an
// empty handle, errno set) as OpenOutputFolder does; the caller has checked
// that no component is "..".
FolderHandle OpenOutputSubfolder(const FolderHandle& base, std::span<const std::string> components,
                                 bool create);

// What lies at `name` in an open folder, links not followed.
enum class TargetKind { kNothing, kFolder, kOther };
TargetKind InspectTarget(const FolderHandle& folder, const std::string& name);

// Writes `length` bytes as the file `name` in `folder`. With `replace`, an
// existing file (or link, which is replaced, not followed) of that name is
// replaced in one step after the new data is on disk; without it, the write
// fails (EEXIST) when anything exists at `name` by then. Returns false on any failure, with errno set, no
// partial or temporary file left and the old file, if any, untouched. Removes the temporary files (see above)
// in `folder` that no running export holds: those a killed export left behind. Each export calls it once per
// folder it writes into.
void SweepLeftovers(const FolderHandle& folder);

bool WriteOutputFile(const FolderHandle& folder, const std::string& name, const unsigned char* data,
                     std::size_t length, bool replace, FileWriter& writer);

}  // namespace cfv
