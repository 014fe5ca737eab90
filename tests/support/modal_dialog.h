// Test helper for GUI tests: drives, in order, the modal windows (dialogs,
// message boxes, file and font choosers) that the code under test runs.
//
//   ModalDriver modals({Do("1008 enter"), Click(QMessageBox::Ok)});
//   frame.Action(kIdFileExport)->trigger();   // returns when the command ends
//   QCOMPARE(modals.seen, (QStringList{"cfv::CExportDlg", "information: Export finished!"}));
//
// The export's progress dialog is left alone. While the driver lives, each
// other modal window that comes up is recorded in
// `seen` (a message box as "<icon>: <text>", any other window by its class
// name), waited for until it is active, and handed to the next step; nested
// windows (a font chooser opened by a step) get the steps after it. A window
// still open after its step (a failed check returns early) is closed, and a
// window with no step left is recorded and closed, so a failing test never
// hangs in a dialog's loop.
#pragma once

#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>
#include <vector>

class QWidget;

namespace cfv::test {

using ModalStep = std::function<void(QWidget*)>;

class ModalDriver {
 public:
  explicit ModalDriver(std::vector<ModalStep> steps = {});
  QStringList seen;
  // Every step has been used.
  bool Done() const { return steps_.empty(); }

 private:
  void Poll();
  QTimer timer_;
  std::deque<ModalStep> steps_;
};

// A step of actions separated by blanks: a number clicks the control with
// that template id (at its left end, where a check box has its box) or, in
// a message box, that standard button (QMessageBox::Yes, ...); "enter" and
// "esc" press the key; "close" uses the close box.
ModalStep Do(const QString& actions);
ModalStep Click(int idOrButton);

}  // namespace cfv::test
