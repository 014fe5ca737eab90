// Test helper: runs a program and captures what it prints.
#pragma once

#include <string>
#include <vector>

namespace cfv::test {

struct ProcessResult {
  int status = -1;  // exit status, or -1 when it did not exit normally
  std::string out;
  std::string err;
};

// Runs `argv[0]` with `argv`, in `workDir` when not empty, with `input` on
// its standard input. Waits for it to end.
ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& input = "",
                         const std::string& workDir = "");

}  // namespace cfv::test
