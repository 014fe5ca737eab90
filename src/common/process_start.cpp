#include "common/process_start.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace cfv {
namespace {

void IgnoreSignal(int) {}

}  // namespace

bool PrepareProcess() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free descriptor: this one, the ones below being open.
    if (::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY) != fd) return false;
  }
  // A handler rather than SIG_IGN, which programs started from here would
  // inherit.
  struct sigaction action {};
  action.sa_handler = IgnoreSignal;
  ::sigemptyset(&action.sa_mask);
  return ::sigaction(SIGXFSZ, &action, nullptr) == 0;
}

}  // namespace cfv
