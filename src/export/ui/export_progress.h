// The progress of an export that runs on a thread of its own, and the
// modal dialog that shows it.
//
// ExportProgressShare is what the export's thread and the dialog share: the
// thread publishes where the walk is (at most every kPublishPeriod, so that
// reporting costs the walk nothing measurable), the dialog's timer takes it
// as often; Cancel sets a flag the thread reads before each entry.
//
// CExportProgressDlg: caption "[ Exporting ] - <program title>", 260 x 76
// dialog units in the General font, centred over its owner and application
// modal, so that nothing in the window (the tree above all) changes while an
// export runs: the counter "N of M entries" (1020), the entry being written
// (1021), a progress bar (1022) and Cancel (2). Cancel, Escape and the close
// box all ask the export to stop as the overwrite question's Cancel does,
// and leave the dialog up, Cancel greyed, until the walk has run to its end;
// Finish closes it.
//
// Thread: the share, any thread; the dialog, UI thread.
#pragma once

#include <QDialog>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "common/texts.h"
#include "settings/logfont.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace cfv {

class ExportProgressShare {
 public:
  static constexpr std::chrono::milliseconds kPublishPeriod{50};

  // Where the walk is: `done` of `total` entries behind, `name` next. Kept
  // only when kPublishPeriod has passed since the last kept report (the
  // first is always kept), or `always`.
  void Publish(std::uint32_t done, std::uint32_t total, std::string_view name, bool always = false);
  // The last kept report, when it is newer than the last one taken.
  bool Take(std::uint32_t& done, std::uint32_t& total, std::string& name);

  void RequestCancel() { cancel_.store(true, std::memory_order_relaxed); }
  bool CancelRequested() const { return cancel_.load(std::memory_order_relaxed); }
  // The window is going away (the application quits mid-export): questions
  // and messages are no longer shown, the walk is cancelled.
  void Close() {
    closing_.store(true);
    RequestCancel();
  }
  bool Closing() const { return closing_.load(); }

 private:
  std::chrono::steady_clock::time_point lastKept_{};
  std::mutex mutex_;
  std::uint32_t done_ = 0;
  std::uint32_t total_ = 0;
  std::string name_;
  bool fresh_ = false;
  std::atomic<bool> cancel_{false};
  std::atomic<bool> closing_{false};
};

class CExportProgressDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kIdCancel = 2;
  static constexpr int kIdCounter = 1020;
  static constexpr int kIdName = 1021;
  static constexpr int kIdBar = 1022;

  CExportProgressDlg(QWidget* owner, const LogFont& generalFont, UiLanguage language,
                     ExportProgressShare& share);

  // The walk has ended: closes the dialog.
  void Finish();
  // Cancel, Escape and the close box.
  void reject() override;
  // Shows the share's latest kept report, if it is new. The dialog's timer
  // calls it; so does the export before it puts up a box.
  void Poll();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  UiLanguage language_;
  ExportProgressShare& share_;
  QPushButton* cancel_ = nullptr;
  QLabel* counter_ = nullptr;
  QLabel* name_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QTimer pollTimer_;
};

}  // namespace cfv
