#include "export/output_files.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <system_error>

namespace cfv {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// Opens `name` inside `parent` as a folder without following a link,
// creating it first when asked.
FolderHandle OpenChild(int parent, const std::string& name, bool create) {
  // Open first: the folder usually exists already (every entry of a folder
  // comes here), and a mkdirat that fails with EEXIST would cost a system
  // call per entry for nothing.
  FolderHandle handle(::openat(parent, name.c_str(), kFolderFlags | O_NOFOLLOW));
  if (handle || !create || errno != ENOENT) return handle;
  if (::mkdirat(parent, name.c_str(), 0777) != 0 && errno != EEXIST) return FolderHandle();
  return FolderHandle(::openat(parent, name.c_str(), kFolderFlags | O_NOFOLLOW));
}

// Opens the export folder: its parent as the user's path, the folder itself
// without following a link.
FolderHandle OpenExportFolder(const std::filesystem::path& exportFolder, bool create) {
  // "", "." and ".." (and what Windows reads as them) would be the custom
  // file's own folder or one above it, never a new folder inside it.
  if (!ExportFolderNameIsUsable(exportFolder)) {
    errno = EACCES;
    return FolderHandle();
  }
  const std::filesystem::path name = exportFolder.filename();
  std::filesystem::path parent = exportFolder.parent_path();
  if (parent.empty()) parent = ".";
  FolderHandle parentHandle(::open(parent.c_str(), kFolderFlags));
  if (!parentHandle && create) {
    std::error_code ignored;
    std::filesystem::create_directories(parent, ignored);
    parentHandle = FolderHandle(::open(parent.c_str(), kFolderFlags));
  }
  if (!parentHandle) return FolderHandle();
  return OpenChild(parentHandle.fd(), name.string(), create);
}

std::string TemporaryName() {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  static const char kHex[] = "0123456789abcdef";
  std::string name = ".cfv-export-";
  std::uint64_t bits = random();
  for (int i = 0; i < 12; ++i, bits >>= 4) name.push_back(kHex[bits & 15]);
  name += ".tmp";
  return name;
}

}  // namespace

bool FileWriter::WriteAll(int fd, const unsigned char* data, std::size_t length) {
  while (length > 0) {
    const ssize_t n = ::write(fd, data, length);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {
      errno = EIO;
      return false;
    }
    data += n;
    length -= static_cast<std::size_t>(n);
  }
  return true;
}

bool FileWriter::Flush(int fd) { return ::fsync(fd) == 0; }

bool FileWriter::Close(int fd) { return ::close(fd) == 0; }

FileWriter& PosixFileWriter() {
  static FileWriter writer;
  return writer;
}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

FolderHandle::~FolderHandle() {
  if (fd_ >= 0) ::close(fd_);
}

FolderHandle OpenOutputFolder(const OutputPath& folder, bool create) {
  if (folder.leavesExportFolder) {
    errno = EACCES;
    return FolderHandle();
  }
  FolderHandle handle = OpenExportFolder(folder.exportFolder, create);
  if (!handle || folder.components.empty()) return handle;
  return OpenOutputSubfolder(handle, folder.components, create);
}

FolderHandle OpenOutputSubfolder(const FolderHandle& base, std::span<const std::string> components,
                                 bool create) {
  if (components.empty()) return FolderHandle(::fcntl(base.fd(), F_DUPFD_CLOEXEC, 0));
  FolderHandle handle = OpenChild(base.fd(), components.front(), create);
  for (const std::string& component : components.subspan(1)) {
    if (!handle) break;
    handle = OpenChild(handle.fd(), component, create);
  }
  return handle;
}

void CreateDirectoryChain(const OutputPath& folder) { (void)OpenOutputFolder(folder, true); }

TargetKind InspectTarget(const FolderHandle& folder, const std::string& name) {
  struct stat info;
  if (::fstatat(folder.fd(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return TargetKind::kNothing;
  return S_ISDIR(info.st_mode) ? TargetKind::kFolder : TargetKind::kOther;
}

namespace {

constexpr int kNewFileFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;

// Writes and closes `fd`; false on any failure, with the failing step's
// errno (a write error is not masked by a later close error).
bool WriteAndClose(int fd, const unsigned char* data, std::size_t length, bool flush, FileWriter& writer) {
  bool ok = writer.WriteAll(fd, data, length);
  if (ok && flush) ok = writer.Flush(fd);
  const int writeErrno = errno;
  const bool closed = writer.Close(fd);
  if (!ok && closed) errno = writeErrno;
  return ok && closed;
}

// Removes `name` from `folder`, keeping errno.
void RemoveKeepingErrno(int folder, const std::string& name) {
  const int failure = errno;
  ::unlinkat(folder, name.c_str(), 0);
  errno = failure;
}

// A new file is created at its own name: O_EXCL makes the create fail when
// anything, a link included, is there by then, so nothing is replaced that
// nobody was asked about. Nothing is lost by writing in place, so no
// temporary file and no flush are needed; a failure removes what was made.
bool WriteNewFile(int folder, const std::string& name, const unsigned char* data, std::size_t length,
                  FileWriter& writer) {
  const int fd = ::openat(folder, name.c_str(), kNewFileFlags, 0666);
  if (fd < 0) return false;
  if (WriteAndClose(fd, data, length, false, writer)) return true;
  RemoveKeepingErrno(folder, name);
  return false;
}

// An overwrite goes to a temporary file beside the old one, flushed to disk,
// then renamed over it in one step: until the rename the old file is whole,
// and after it the new one is.
bool ReplaceFile(int folder, const std::string& name, const unsigned char* data, std::size_t length,
                 FileWriter& writer) {
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = TemporaryName();
    fd = ::openat(folder, temporary.c_str(), kNewFileFlags, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;

  // An overwrite keeps the permissions of the file it replaces.
  struct stat old;
  if (::fstatat(folder, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(old.st_mode))
    ::fchmod(fd, old.st_mode & 07777);

  if (WriteAndClose(fd, data, length, true, writer) &&
      ::renameat(folder, temporary.c_str(), folder, name.c_str()) == 0)
    return true;
  RemoveKeepingErrno(folder, temporary);
  return false;
}

}  // namespace

bool WriteOutputFile(const FolderHandle& folder, const std::string& name, const unsigned char* data,
                     std::size_t length, bool replace, FileWriter& writer) {
  return replace ? ReplaceFile(folder.fd(), name, data, length, writer)
                 : WriteNewFile(folder.fd(), name, data, length, writer);
}

}  // namespace cfv
