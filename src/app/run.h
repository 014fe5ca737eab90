// The program's run: makes the main window, shows it and runs the event
// loop until the window is closed.
//
// Returns kExitNormalClose (1) after a normal close. When the main window
// cannot be made (no display or platform plugin, no screen, out of memory)
// it writes why to standard error and returns kExitNoMainWindow (3) at once.
//
// InstallStartupFailureHandler must run before the QApplication is made: Qt
// reports a display it cannot open as a fatal message, which it turns into
// the exit status and message above instead of an abort.
#pragma once

#include <filesystem>
#include <functional>
#include <vector>

#include "app/main_frame.h"

namespace cfv {

void InstallStartupFailureHandler();

// `started`, when given, runs once the window is shown (tests and the
// screenshot tool drive the window from there). `paths` (files and folders,
// in order) load once the window is shown, as a drop of them would, before
// `started` runs; relative ones are taken from the current directory and
// made full paths, as drops and Open give them.
int Run(FrameEnvironment environment, const std::function<void(CMainFrame&)>& started = {},
        const std::vector<std::filesystem::path>& paths = {});

}  // namespace cfv
