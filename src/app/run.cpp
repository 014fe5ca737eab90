#include "app/run.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>

#include "common/exit_status.h"
#include "common/ui/message_box.h"

namespace cfv {
namespace {

QtMessageHandler previousHandler = nullptr;
bool windowShown = false;

void StartupFailureHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtFatalMsg && !windowShown) {
    std::fprintf(stderr, "tazor-custom-file-viewer: cannot create the main window: %s\n",
                 message.toLocal8Bit().constData());
    std::fflush(stderr);
    std::_Exit(kExitNoMainWindow);
  }
  if (previousHandler != nullptr) previousHandler(type, context, message);
}

// `path` as a full path, as drops and Open give them: a root's text is its
// custom file's full path. "." components and a trailing "/" go; ".." stay,
// as they may cross a symbolic link.
std::filesystem::path FullPath(const std::filesystem::path& path) {
  std::error_code error;
  std::filesystem::path full;
  for (const auto& part : std::filesystem::absolute(path, error)) {
    if (part != "." && !part.empty()) full /= part;
  }
  return error ? path : full;
}

int NoMainWindow(const char* why) {
  std::fprintf(stderr, "tazor-custom-file-viewer: cannot create the main window: %s\n", why);
  return kExitNoMainWindow;
}

}  // namespace

void InstallStartupFailureHandler() { previousHandler = qInstallMessageHandler(StartupFailureHandler); }

int Run(FrameEnvironment environment, const std::function<void(CMainFrame&)>& started,
        const std::vector<std::filesystem::path>& paths) {
  if (QGuiApplication::primaryScreen() == nullptr) return NoMainWindow("no screen");
  std::unique_ptr<CMainFrame> frame;
  try {
    frame = std::make_unique<CMainFrame>(std::move(environment));
  } catch (const std::bad_alloc&) {
    return NoMainWindow("out of memory");
  }
  // Qt's own texts (standard buttons, the font chooser) in the window's
  // language.
  InstallQtTranslations(frame->Language());
  frame->show();
  windowShown = true;
  CMainFrame* f = frame.get();
  std::vector<std::filesystem::path> fullPaths;
  for (const auto& path : paths) fullPaths.push_back(FullPath(path));
  if (!paths.empty()) QTimer::singleShot(0, f, [f, &fullPaths] { f->LoadPaths(fullPaths); });
  if (started) QTimer::singleShot(0, f, [f, &started] { started(*f); });
  QApplication::exec();
  return kExitNormalClose;
}

}  // namespace cfv
