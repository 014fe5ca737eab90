// Test helper for the GUI load tests: a DropLoader whose loads are written
// down in `events` (see LoadRecorder): "start" and "end" for each load's
// worker, and a line for each file handed over (then onLoaded runs).
//
// HoldUntilAborted(n) is a load routine that puts an abort at a known point
// however the threads are scheduled: the core's LoadDroppedPaths, held on
// the worker thread right after its n-th loaded file (0: after its first
// counting report) until the load is aborted. Only the first load run
// through it is held; later ones run free.
#pragma once

#include <QLabel>
#include <QProgressBar>
#include <QtTest>
#include <atomic>
#include <memory>
#include <thread>
#include <utility>

#include "common/ui/dialog_layout.h"
#include "containers/ui/drop_loader.h"
#include "containers/ui/wait_dlg.h"
#include "load_recorder.h"
#include "settings/user_fonts.h"

namespace cfv::test {

// The progress dialog's counter text and, in brackets, its bar's
// position/range: "3/6 [3/6]".
inline QString CounterOf(const CWaitDlg& dialog) {
  const auto* bar = FindControl<QProgressBar>(dialog, CWaitDlg::kIdBar);
  return FindControl<QLabel>(dialog, CWaitDlg::kIdCounter)->text() +
         QStringLiteral(" [%1/%2]").arg(bar->value()).arg(bar->maximum());
}

struct LoadLog : LoadRecorder {
  explicit LoadLog(std::filesystem::path base, LoadRoutine routine = {})
      : LoadRecorder(std::move(base)),
        loader(
            nullptr, UiLanguage::kEnglish, [] { return MakeDefaultFont(UiLanguage::kEnglish, 96); },
            [this](EntryTree&& tree) { Record(tree, onLoaded); }, std::move(routine)) {
    QObject::connect(&loader, &DropLoader::LoadStarted, [this] { events.push_back("start"); });
    QObject::connect(&loader, &DropLoader::LoadEnded, [this] { events.push_back("end"); });
  }
  void WaitIdle() { QTRY_VERIFY_WITH_TIMEOUT(loader.IsIdle(), 60000); }

  DropLoader loader;
};

inline LoadRoutine HoldUntilAborted(int afterFiles) {
  auto used = std::make_shared<std::atomic<bool>>(false);
  return [afterFiles, used](const std::vector<std::filesystem::path>& paths, LoadControl& control,
                            LoadObserver& observer) {
    const int after = used->exchange(true) ? -1 : afterFiles;
    const auto hold = [&] {
      while (!control.abortRequested.load()) std::this_thread::yield();
    };
    int files = 0;
    LoadRecorder holder({}, &observer);
    holder.onLoaded = [&] {
      if (++files == after) hold();
    };
    holder.onCounted = [&, counted = false]() mutable {
      if (after == 0 && !std::exchange(counted, true)) hold();
    };
    LoadDroppedPaths(paths, control, holder);
  };
}

}  // namespace cfv::test
