// CSaveProgressDlg: the progress dialog of a save run as a job (File > Save,
// Save As, the close question's Save): caption "[ Saving ] - <program
// title>", in the General font, centred over its owner and application
// modal, so that nothing in the tree changes while the writer reads it: the
// file being saved, a bar over the save's steps (check, write and read
// back, replace) and Cancel. Cancel, Escape and the close box ask the job to
// stop before the new file takes the name, and leave the dialog up, Cancel
// greyed, until the job has ended.
//
// Thread: UI thread.
#pragma once

#include "common/ui/job_runner.h"
#include "common/ui/ui_context.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace cfv {

class CSaveProgressDlg : public JobDialog {
  Q_OBJECT

 public:
  explicit CSaveProgressDlg(const UiContext& context);

  void ShowProgress(const JobProgress& progress) override;
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QPushButton* cancel_ = nullptr;
  QLabel* name_ = nullptr;
  QProgressBar* bar_ = nullptr;
};

}  // namespace cfv
