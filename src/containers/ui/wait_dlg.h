// CWaitDlg: the progress dialog shown while a drop loads. Caption
// "Processing..." / "処理中...", 252 x 72 dialog units in the General font,
// with the counter text (id 1007, "0/0" at first), the progress bar (id 1006)
// and the Abort button (id 2).
//
// The dialog is built once, with the General font of that moment, and kept:
// a General font changed later does not reach it.
//
// Open() starts one load's showing: it resets the controls and shows the
// dialog application-modal over its owner (without a nested event loop).
// The load's end (JobEnded) closes it. Abort, Escape and the close box
// close it at once and ask the load to stop (CancelRequested); the dialog
// never waits for the load. Either way it emits finished(kResultCancel).
//
// ShowProgress carries the load's counts: the counter text "done/total",
// the bar's range 0 .. low 16 bits of total, the bar's position done (held
// inside that range, as a Windows progress bar holds it).
//
// Thread: UI thread.
#pragma once

#include <cstdint>

#include "common/ui/job_runner.h"
#include "common/ui/ui_context.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace cfv {

class CWaitDlg : public JobDialog {
  Q_OBJECT

 public:
  static constexpr int kIdAbort = 2;
  static constexpr int kIdCounter = 1007;
  static constexpr int kIdBar = 1006;
  static constexpr int kResultCancel = 2;

  // context.owner is the window the dialog centres over and keeps above; it
  // also owns the dialog (Qt parent).
  explicit CWaitDlg(const UiContext& context);

  void Open();
  bool IsOpen() const { return open_; }

  void ShowProgress(const JobProgress& progress) override;
  void JobEnded() override;
  // Abort, Escape and the close box.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Close();
  void SetBarRange(int maximum);
  void SetBarPosition(std::int32_t position);

  QPushButton* abort_ = nullptr;
  QLabel* counter_ = nullptr;
  QProgressBar* bar_ = nullptr;
  // The bar's range (0 .. barMaximum_) and position as set. Qt shows a 0 .. 0
  // bar as busy, so that one is drawn as an empty 0 .. 1 bar.
  int barMaximum_ = 100;
  int barPosition_ = 0;
  bool open_ = false;
};

}  // namespace cfv
