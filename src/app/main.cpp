// tazor-custom-file-viewer: the desktop program. Files and folders named on
// the command line load at start as a drop of them would; --help and
// --version print and exit. The UI language comes from the system's default
// locale and the fonts from ./TazorCustomFileViewer.ini.
#include <QApplication>
#include <cstdio>

#include "app/run.h"
#include "common/command_line.h"
#include "common/process_start.h"

int main(int argc, char** argv) {
  if (!cfv::PrepareProcess()) {
    std::fputs("tazor-custom-file-viewer: cannot open /dev/null for a closed standard descriptor\n", stderr);
    return 2;
  }
  const cfv::ViewerCommandLine commandLine = cfv::ParseViewerCommandLine(argc, argv);
  switch (commandLine.action) {
    case cfv::ViewerCommandLine::Action::kHelp:
    case cfv::ViewerCommandLine::Action::kVersion:
      std::fputs(commandLine.message.c_str(), stdout);
      return std::fflush(stdout) == 0 ? 0 : 1;
    case cfv::ViewerCommandLine::Action::kUsageError:
      std::fputs(commandLine.message.c_str(), stderr);
      return 2;
    case cfv::ViewerCommandLine::Action::kRun:
      break;
  }
  cfv::InstallStartupFailureHandler();
  // Qt sees the program name only, so no argument is taken as a Qt option.
  int qtArgc = 1;
  char* qtArgv[] = {argv[0], nullptr};
  QApplication app(qtArgc, qtArgv);
  QApplication::setApplicationName(QStringLiteral("tazor-custom-file-viewer"));
  QApplication::setDesktopFileName(QStringLiteral("tazor-custom-file-viewer"));
  return cfv::Run({}, {}, commandLine.paths);
}
