// CWaitDlg: the progress dialog shown while a drop loads. Caption
// "Processing..." / "処理中...", 252 x 72 dialog units in the General font,
// with the counter text (id 1007, "0/0" at first), the progress bar (id 1006)
// and the Abort button (id 2).
//
// The dialog is built once, with the General font of that moment, and kept:
// a General font changed later does not reach it.
//
// Open() starts one load's showing: it zeroes the load's counters, resets the
// controls, shows the dialog application-modal over its owner (without a
// nested event loop) and polls `hasEnded` every 100 ms; the first poll that
// finds the worker ended closes the dialog, so it closes within 100 ms of the
// worker's end. Abort, Escape and the close box close it at once. Every way of
// closing sets the load's abortRequested (a no-op after a normal end) and
// emits finished(kResultCancel); the dialog never waits for the worker.
//
// ShowTotal / ShowDone carry the worker's reports: the counter text
// "done/total", the bar's range 0 .. low 16 bits of total, the bar's position
// (held inside that range, as a Windows progress bar holds it).
//
// Thread: UI thread.
#pragma once

#include <QDialog>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include "common/texts.h"
#include "containers/folder_scan.h"
#include "settings/logfont.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace cfv {

class CWaitDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kIdAbort = 2;
  static constexpr int kIdCounter = 1007;
  static constexpr int kIdBar = 1006;
  static constexpr int kResultCancel = 2;
  static constexpr std::chrono::milliseconds kPollPeriod{100};

  // `owner` is the window the dialog centres over and keeps above; it also
  // owns the dialog (Qt parent).
  CWaitDlg(QWidget* owner, const LogFont& generalFont, UiLanguage language);

  void Open(std::shared_ptr<LoadControl> control, std::function<bool()> hasEnded);
  bool IsOpen() const { return open_; }

  void ShowTotal(std::int32_t done, std::int32_t total);
  void ShowDone(std::int32_t done, std::int32_t total);

  const QTimer& PollTimer() const { return pollTimer_; }

  // Closes the dialog when the worker has ended. Called by the poll timer.
  void Poll();

  // Abort, Escape, the close box and a poll that finds the worker ended.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ShowCounter(std::int32_t done, std::int32_t total);
  void SetBarRange(int maximum);
  void SetBarPosition(std::int32_t position);

  QPushButton* abort_ = nullptr;
  QLabel* counter_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QTimer pollTimer_;
  // The bar's range (0 .. barMaximum_) and position as set. Qt shows a 0 .. 0
  // bar as busy, so that one is drawn as an empty 0 .. 1 bar.
  int barMaximum_ = 100;
  int barPosition_ = 0;
  std::shared_ptr<LoadControl> control_;
  std::function<bool()> hasEnded_;
  bool open_ = false;
};

}  // namespace cfv
