// CExportProgressDlg: the progress dialog of an export run as a job (File >
// Export, Export This Branch, a drag's files): caption "[ Exporting ] -
// <program title>", 260 x 76 dialog units in the General font, centred over
// its owner and application modal, so that nothing in the window (the tree
// above all) changes while an export runs: the counter "N of M entries"
// (1020), the entry being written (1021), a progress bar (1022) and Cancel
// (2). Cancel, Escape and the close box all ask the job to stop as the
// overwrite question's Cancel does, and leave the dialog up, Cancel greyed,
// until the walk has run to its end; the job's end closes it.
//
// Thread: UI thread.
#pragma once

#include "common/ui/job_runner.h"
#include "common/ui/ui_context.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace cfv {

class CExportProgressDlg : public JobDialog {
  Q_OBJECT

 public:
  static constexpr int kIdCancel = 2;
  static constexpr int kIdCounter = 1020;
  static constexpr int kIdName = 1021;
  static constexpr int kIdBar = 1022;

  // Owned by context.owner, over which it centres.
  explicit CExportProgressDlg(const UiContext& context);

  void ShowProgress(const JobProgress& progress) override;
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  UiLanguage language_;
  QPushButton* cancel_ = nullptr;
  QLabel* counter_ = nullptr;
  QLabel* name_ = nullptr;
  QProgressBar* bar_ = nullptr;
};

}  // namespace cfv
