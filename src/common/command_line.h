// The desktop program's own command line: paths to open, --help and
// --version. Qt never sees the arguments, so no Qt option changes anything
// behind the user's back.
//
// Paths are taken byte for byte, in order, and load at start exactly as a
// drop of them would. "--" ends the options, so a file whose name starts
// with "-" can still be opened; any other argument starting with "-" (a lone
// "-" aside) is an unknown option.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace cfv {

struct ViewerCommandLine {
  enum class Action { kRun, kHelp, kVersion, kUsageError };
  Action action = Action::kRun;
  std::vector<std::filesystem::path> paths;  // kRun
  std::string message;  // what to print: help or version text (stdout), or the usage error (stderr)
};

ViewerCommandLine ParseViewerCommandLine(int argc, const char* const* argv);

}  // namespace cfv
