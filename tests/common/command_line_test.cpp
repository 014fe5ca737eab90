#include "common/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace cfv {
namespace {

using Action = ViewerCommandLine::Action;

TEST(ViewerCommandLine, TakesPathsHelpVersionAndRefusesUnknownOptions) {
  struct Case {
    std::vector<const char*> args;  // after the program name
    Action action;
    std::vector<std::string> paths;
    std::string messageStart;
  };
  // clang-format off
  const Case cases[] = {
      {{}, Action::kRun, {}, ""}, {{"a.god", "dir", "-"}, Action::kRun, {"a.god", "dir", "-"}, ""},
      {{"a.god", "--", "--help", "-x.god"}, Action::kRun, {"a.god", "--help", "-x.god"}, ""},
      {{"a.god", "--help"}, Action::kHelp, {}, "Usage: tazor-custom-file-viewer [PATH...]"},
      {{"-h"}, Action::kHelp, {}, "Usage:"},
      {{"--version", "a.god"}, Action::kVersion, {}, "tazor-custom-file-viewer " CFV_VERSION "\n"},
      {{"--verbose"}, Action::kUsageError, {}, "tazor-custom-file-viewer: unknown option --verbose"},
      {{"-platform", "xcb"}, Action::kUsageError, {}, "tazor-custom-file-viewer: unknown option -platform"},
  };
  // clang-format on
  for (const Case& c : cases) {
    std::vector<const char*> argv{"tazor-custom-file-viewer"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const ViewerCommandLine parsed = ParseViewerCommandLine(static_cast<int>(argv.size()), argv.data());
    const std::string first = c.args.empty() ? "" : c.args.front();
    EXPECT_EQ(parsed.action, c.action) << first;
    EXPECT_EQ(std::vector<std::string>(parsed.paths.begin(), parsed.paths.end()), c.paths) << first;
    EXPECT_EQ(parsed.message.substr(0, c.messageStart.size()), c.messageStart) << first;
  }
}

}  // namespace
}  // namespace cfv
