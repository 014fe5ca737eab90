#include "edit/edit_source.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "containers/custom_file.h"
#include "containers/loader.h"
#include "edit/write_target.h"

namespace cfv {

EditSource::~EditSource() {
  if (own_ >= 0) ::close(own_);
}

bool EditSource::Open(const std::filesystem::path& path, const WriteTarget& target, Failure& failure) {
  struct stat info {};
  if (target.Exists() && ::stat(path.c_str(), &info) == 0 && info.st_dev == target.Stat().st_dev &&
      info.st_ino == target.Stat().st_ino) {
    fd_ = target.Fd();
    stat_ = target.Stat();
    return true;
  }
  own_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (own_ < 0) {
    failure = {Failure::Kind::kUnreadable, errno, {}};
    return false;
  }
  if (::fstat(own_, &stat_) != 0 || !S_ISREG(stat_.st_mode)) {
    failure = {Failure::Kind::kNotRegular, 0, {}};
    return false;
  }
  if (::flock(own_, LOCK_SH | LOCK_NB) != 0) {
    failure = {Failure::Kind::kLocked, 0, {}};
    return false;
  }
  fd_ = own_;
  return true;
}

bool EditSource::Unchanged() const {
  struct stat now {};
  return ::fstat(fd_, &now) == 0 && now.st_size == stat_.st_size &&
         now.st_mtim.tv_sec == stat_.st_mtim.tv_sec && now.st_mtim.tv_nsec == stat_.st_mtim.tv_nsec;
}

bool EditSource::Load(Failure& failure) {
  CustomFile file(fd_);
  std::vector<std::string> names;
  VerifyReport report = VerifyCustomFile(file, false, &names);
  if (report.readError != 0) {
    failure = {Failure::Kind::kUnreadable, report.readError, {}};
    return false;
  }
  if (!report.customFile) {
    failure = {Failure::Kind::kNotCustomFile, 0, {}};
    return false;
  }
  failure = {Failure::Kind::kBroken, 0, {}};
  for (FileProblem& problem : report.problems)
    if (IsStructural(problem.kind)) failure.problems.push_back(std::move(problem));
  if (!failure.problems.empty()) return false;
  int readError = 0;
  if (!LoadOpenCustomFile(file, "", loaded_, &readError)) {
    failure = {Failure::Kind::kUnreadable, readError != 0 ? readError : EIO, {}};
    return false;
  }
  tree_ = EditTree::FromSource(loaded_, loaded_.FirstRoot(), file.Length(), std::move(names));
  return true;
}

}  // namespace cfv
