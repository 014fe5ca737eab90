// tazor-custom-file-viewer: the desktop program. The command line is not
// interpreted (files named on it open nothing); the UI language comes from
// the system's default locale and the fonts from ./TazorCustomFileViewer.ini.
#include <QApplication>

#include "shell/ui/run.h"

int main(int /*argc*/, char** argv) {
  cfv::InstallStartupFailureHandler();
  // Qt sees the program name only, so no argument changes anything.
  int qtArgc = 1;
  char* qtArgv[] = {argv[0], nullptr};
  QApplication app(qtArgc, qtArgv);
  QApplication::setApplicationName(QStringLiteral("tazor-custom-file-viewer"));
  QApplication::setDesktopFileName(QStringLiteral("tazor-custom-file-viewer"));
  return cfv::Run({});
}
