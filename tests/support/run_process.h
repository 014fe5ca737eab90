// Test helper: runs a program and captures what it prints.
#pragma once

#include <string>
#include <vector>

namespace cfv::test {

struct ProcessResult {
  int status = -1;  // exit status, or -1 when it did not exit normally
  std::string out, err;
};

// Runs `argv[0]` with `argv`, in `workDir` when not empty, with `input` on its standard input, as the user
// `uid` when it is not -1, and waits for its end.
ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& input = "",
                         const std::string& workDir = "", int uid = -1);

// The user a child runs as so that file modes bind it: -1 (this user) when the tests do not run as root,
// `nobody` when they do (root ignores modes), and -2 when root cannot become another user (the test then
// skips).
int UserBoundByModes();

// Whether standard error `err` is `want`, or with "*text" one line that contains text (usage errors, worded
// by the option parser).
bool ErrorMatches(const std::string& err, const std::string& want);

// In a forked child: becomes `uid` (its primary group, no others); false when that fails.
bool BecomeUser(int uid);

}  // namespace cfv::test
