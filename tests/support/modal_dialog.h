// Test helper for GUI tests: drives, in order, the modal windows (dialogs,
// message boxes, file and font choosers) that the code under test runs.
// While the driver lives, each modal window that comes up is recorded in
// `seen` (a message box as "<icon>: <text>", its informative text on a line
// of its own; any other window by its class name), waited for until active and handed to the next step;
// nested windows (a font chooser opened by a step) get the steps after it. A window still open after its
// step, or with no step left, is closed: a failing test never hangs in a dialog's loop. The export's progress
// and save progress dialogs are left alone: they only watch their jobs, the steps answer the boxes over them.
#pragma once

#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>

class QWidget;

namespace cfv::test {

using ModalStep = std::function<void(QWidget*)>;

class ModalDriver {
 public:
  explicit ModalDriver(std::vector<ModalStep> steps = {});
  QStringList seen;

 private:
  QTimer timer_;
  std::deque<ModalStep> steps_;
};

// Actions separated by blanks: a number clicks the control with that
// template id (at its left end, where a check box has its box) or, in a
// message box, that standard button, "action" its own (Open Folder);
// "enter" and "esc" press the key;
// "close" uses the close box. "file=TEXT" (the whole step) types TEXT as a
// file dialog's file (or folder) name and accepts.
ModalStep Do(const QString& actions);

}  // namespace cfv::test
