#include "run_process.h"

#include <grp.h>
#include <pwd.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace cfv::test {

bool BecomeUser(int uid) {
  const passwd* user = ::getpwuid(static_cast<uid_t>(uid));
  const gid_t group = user != nullptr ? user->pw_gid : static_cast<gid_t>(uid);
  return ::setgroups(0, nullptr) == 0 && ::setgid(group) == 0 && ::setuid(static_cast<uid_t>(uid)) == 0 &&
         ::geteuid() == static_cast<uid_t>(uid);
}

int UserBoundByModes() {
  if (::geteuid() != 0) return -1;
  const passwd* nobody = ::getpwnam("nobody");
  if (nobody == nullptr) return -2;
  // Try it once in a child: a container without the capability cannot.
  const pid_t pid = ::fork();
  if (pid == 0) _exit(BecomeUser(static_cast<int>(nobody->pw_uid)) ? 0 : 1);
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return -2;
  return static_cast<int>(nobody->pw_uid);
}

bool ErrorMatches(const std::string& err, const std::string& want) {
  if (!want.starts_with("*")) return err == want;
  return err.find(want.substr(1)) != std::string::npos && std::ranges::count(err, '\n') == 1;
}

// Everything in the file `fd`, from its start; closes it.
static std::string ReadAll(int fd) {
  std::string text;
  char buffer[65536];
  for (ssize_t n; (n = ::pread(fd, buffer, sizeof buffer, static_cast<off_t>(text.size()))) > 0;)
    text.append(buffer, static_cast<std::size_t>(n));
  ::close(fd);
  return text;
}

// The standard streams are files in memory: no pipe can fill up and stall the program or the test.
ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& input,
                         const std::string& workDir, int uid) {
  const int in = ::memfd_create("in", MFD_CLOEXEC), out = ::memfd_create("out", MFD_CLOEXEC),
            err = ::memfd_create("err", MFD_CLOEXEC);
  if (::pwrite(in, input.data(), input.size(), 0) != static_cast<ssize_t>(input.size())) return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    if (!workDir.empty() && ::chdir(workDir.c_str()) != 0) _exit(127);
    if (uid != -1 && !BecomeUser(uid)) _exit(126);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    _exit(127);
  }
  ::close(in);
  int status = 0;
  while (pid > 0 && ::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return {pid > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(out), ReadAll(err)};
}

}  // namespace cfv::test
