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
//
// A kill can leave a temporary name behind. Such a leftover carries the
// writer's own mark besides its name: its 12 digits are a hash of its own
// device and inode (TemporaryNameFor), or, for the moment between a named
// file's creation and its renaming to that hash, it has mode 0000 and no
// bytes. No user's file has either by accident, so SweepLeftovers removes
// leftovers and nothing else, and never a file that a running writer holds:
// each temporary file is locked (flock) while it is pending.
//
// The custom file writer uses the same pieces (PendingFile) for a file whose
// bytes it copies in itself and reads back before it takes the old one's
// name.
//
// Thread: the calling thread; no state is shared between calls.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <utility>

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
  // Opens an unnamed file in `folder` for reading and writing (O_TMPFILE)
  // with `mode` (before the umask); -1 with errno set where that fails
  // (EOPNOTSUPP: the file system has none).
  virtual int OpenUnnamed(int folder, mode_t mode);
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
// folder, cannot be created, or the path leaves its export folder. errno is
// the system's own reason for the step that failed (a folder above that
// cannot be made on a read-only file system gives EROFS, not ENOENT), and
// ELOOP for a symbolic link inside the export folder.
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

// The first symbolic link on the way to `folder`, from its export folder
// down, as a path text (OutputPath::Text form); nothing when there is none.
// Opening a folder fails on a link (ELOOP or ENOTDIR); this tells the user
// which one was not followed.
std::optional<std::string> LinkOnPath(const OutputPath& folder);

// Device and inode pairs of files a sweep must never remove (the custom
// files an export reads, whatever their names).
using FileIds = std::set<std::pair<std::uint64_t, std::uint64_t>>;

// The temporary name that marks the file with device `device` and inode
// `inode` as a writer's own: ".cfv-export-" and 12 hexadecimal digits of a
// hash of both, then ".tmp".
std::string TemporaryNameFor(std::uint64_t device, std::uint64_t inode);

// Removes the leftovers of killed writers from `folder` (see above): files
// with a temporary name that carry the writer's mark, that no running writer
// holds, and that are none of `keep`.
void SweepLeftovers(const FolderHandle& folder, const FileIds& keep = {});

// Who a file that replaces another belongs to and which mode it takes. The
// permission bits (0777) of the old file are kept when the new file has the
// old one's owner, never the set-user-ID, set-group-ID or sticky bits; a
// file that replaces one of another owner, or replaces nothing, gets the
// default mode (0666 less the umask): bits chosen by someone else never
// reach a file of ours. With kKeepOwner a writer that runs as root gives the
// new file the old one's owner and group first (the custom file writer; an
// export keeps its own files).
enum class Ownership { kWriters, kKeepOwner };

// A file being written in an open folder that no final name holds yet:
// unnamed where the file system allows it, else under a locked temporary
// name (see above). Open for reading and writing, so that what was written
// can be read back before it is committed. Destroying it without a
// successful Commit removes it. Move-only.
class PendingFile {
 public:
  PendingFile() = default;
  PendingFile(PendingFile&& other) noexcept;
  PendingFile& operator=(PendingFile&& other) noexcept;
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  ~PendingFile();

  // Opens a pending file in `folder`, written through `writer`. False (errno
  // set) on failure.
  bool Open(const FolderHandle& folder, FileWriter& writer);
  // The descriptor to write to and read from; -1 when not open.
  int fd() const { return fd_; }
  // Appends `length` bytes through the writer. False on failure, errno set.
  bool Write(const unsigned char* data, std::size_t length);
  // Gives the file its mode (see Ownership) and puts it at `name`: with
  // `replace` it is flushed to disk and renamed over whatever is there in
  // one step; without, it is linked only when nothing is there (EEXIST
  // otherwise). False on any failure, errno set, the old file untouched.
  // The pending file is gone afterwards, whatever the result.
  // With `like`, owner and mode follow that file instead of the one at
  // `name` (a backup copy takes its original's).
  bool Commit(const std::string& name, bool replace, Ownership ownership = Ownership::kWriters,
              const struct stat* like = nullptr);

 private:
  void Discard();

  int folder_ = -1;            // borrowed from the FolderHandle given to Open
  int fd_ = -1;                // the writer's descriptor
  int hold_ = -1;              // our second descriptor, holding the lock
  std::string temporaryName_;  // empty while unnamed
  FileWriter* writer_ = nullptr;
};

// Writes `length` bytes as the file `name` in `folder`. With `replace`, an
// existing file (or link, which is replaced, not followed) of that name is
// replaced in one step after the new data is on disk; without it, the write
// fails (EEXIST) when anything exists at `name` by then. Returns false on
// any failure, with errno set, no partial or temporary file left and the old
// file, if any, untouched.
bool WriteOutputFile(const FolderHandle& folder, const std::string& name, const unsigned char* data,
                     std::size_t length, bool replace, FileWriter& writer);

}  // namespace cfv
