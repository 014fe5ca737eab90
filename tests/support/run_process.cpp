#include "run_process.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

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

void OpenToOthers(const std::string& folder) { ::chmod(folder.c_str(), 0777); }

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& input,
                         const std::string& workDir, int uid) {
  int inPipe[2], outPipe[2], errPipe[2];
  if (pipe2(inPipe, O_CLOEXEC) || pipe2(outPipe, O_CLOEXEC) || pipe2(errPipe, O_CLOEXEC)) {
    throw std::runtime_error("pipe");
  }
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork");
  if (pid == 0) {
    dup2(inPipe[0], 0);
    dup2(outPipe[1], 1);
    dup2(errPipe[1], 2);
    if (!workDir.empty() && chdir(workDir.c_str()) != 0) _exit(127);
    if (uid != -1 && !BecomeUser(uid)) _exit(126);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(inPipe[0]);
  close(outPipe[1]);
  close(errPipe[1]);
  // Feed the input and drain both outputs together, so no pipe fills up.
  ProcessResult result;
  std::size_t written = 0;
  int inFd = inPipe[1];
  if (input.empty()) {
    close(inFd);
    inFd = -1;
  }
  bool outOpen = true, errOpen = true;
  char buffer[65536];
  while (outOpen || errOpen) {
    pollfd fds[3] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}, {inFd, POLLOUT, 0}};
    if (poll(fds, inFd >= 0 ? 3 : 2, -1) < 0 && errno != EINTR) break;
    if (inFd >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
      const ssize_t n = write(inFd, input.data() + written, input.size() - written);
      if (n > 0) written += static_cast<std::size_t>(n);
      if (n < 0 || written == input.size()) {
        close(inFd);
        inFd = -1;
      }
    }
    for (int i = 0; i < 2; ++i) {
      if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        (i == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(n));
      } else {
        (i == 0 ? outOpen : errOpen) = false;
      }
    }
  }
  if (inFd >= 0) close(inFd);
  close(outPipe[0]);
  close(errPipe[0]);
  int wstatus = 0;
  while (waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
  }
  result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  return result;
}

}  // namespace cfv::test
