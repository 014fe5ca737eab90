#include "common/command_line.h"

#include <string_view>

namespace cfv {

ViewerCommandLine ParseViewerCommandLine(int argc, const char* const* argv) {
  ViewerCommandLine result;
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (options && arg == "--") {
      options = false;
    } else if (options && (arg == "--help" || arg == "-h")) {
      result = {ViewerCommandLine::Action::kHelp, {}, {}};
      result.message =
          "Usage: tazor-custom-file-viewer [PATH...]\n"
          "Views and exports the entries of the game's custom files (.god, .item, .npc, .cwd).\n"
          "Files and folders named here load at start, as a drop of them on the window does;\n"
          "folders are searched four levels deep. \"--\" ends the options.\n"
          "\n"
          "  -h, --help     print this help and exit\n"
          "      --version  print the version and exit\n";
      return result;
    } else if (options && arg == "--version") {
      result = {ViewerCommandLine::Action::kVersion, {}, {}};
      result.message = "tazor-custom-file-viewer " CFV_VERSION "\n";
      return result;
    } else if (options && arg.size() > 1 && arg.front() == '-') {
      result = {ViewerCommandLine::Action::kUsageError, {}, {}};
      result.message = "tazor-custom-file-viewer: unknown option " + std::string(arg) + " (see --help)\n";
      return result;
    } else {
      result.paths.emplace_back(std::string(arg));
    }
  }
  return result;
}

}  // namespace cfv
