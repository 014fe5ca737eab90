// Test helper for the load tests: a DropLoader whose loads are written down,
// in order, in `lines`: "start" and "end" for each load's worker, and for
// each loaded file "<path below base>: <its first entry>".
//
//   LoadLog log(dir.path(), HoldUntilAborted(1));
//   log.onFile = [&] { ... };                  // after each file's line
//   log.loader.Load({dir / "F"});
//   log.WaitIdle();
//   QCOMPARE(log.lines, (QStringList{"start", "F/a: a", "end"}));
//
// HoldUntilAborted(n) is a load routine that puts an abort at a known point
// however the threads are scheduled: the core's LoadDroppedPaths, held on
// the worker thread right after its n-th loaded file (0: after its first
// counting report) until the load is aborted. Only the first load run
// through it is held; later ones run free.
#pragma once

#include <QLabel>
#include <QProgressBar>
#include <QStringList>
#include <QtTest>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "common/ui/dialog_layout.h"
#include "containers/ui/drop_loader.h"
#include "containers/ui/wait_dlg.h"
#include "settings/user_fonts.h"

namespace cfv::test {

// The progress dialog's counter text and, in brackets, its bar's
// position/range: "3/6 [3/6]".
inline QString CounterOf(const CWaitDlg& dialog) {
  const auto* bar = FindControl<QProgressBar>(dialog, CWaitDlg::kIdBar);
  return FindControl<QLabel>(dialog, CWaitDlg::kIdCounter)->text() +
         QStringLiteral(" [%1/%2]").arg(bar->value()).arg(bar->maximum());
}

struct LoadLog {
  explicit LoadLog(std::filesystem::path base, LoadRoutine routine = {})
      : base_(std::move(base)),
        loader(
            nullptr, UiLanguage::kEnglish, [] { return MakeDefaultFont(UiLanguage::kEnglish, 96); },
            [this](EntryTree&& tree) {
              for (ItemId root = tree.FirstRoot(); root != kNoItem; root = tree.NextSibling(root)) {
                lines << QString::fromStdString(
                    std::filesystem::path(tree.Text(root)).lexically_relative(base_).string() + ": " +
                    std::string(tree.Text(tree.FirstChild(root))));
                if (onFile) onFile();
              }
            },
            std::move(routine)) {
    QObject::connect(&loader, &DropLoader::LoadStarted, [this] { lines << "start"; });
    QObject::connect(&loader, &DropLoader::LoadEnded, [this] { lines << "end"; });
  }
  void WaitIdle() { QTRY_VERIFY_WITH_TIMEOUT(loader.IsIdle(), 60000); }

  QStringList lines;
  std::function<void()> onFile;

 private:
  std::filesystem::path base_;

 public:
  DropLoader loader;
};

inline LoadRoutine HoldUntilAborted(int afterFiles) {
  auto used = std::make_shared<std::atomic<bool>>(false);
  return [afterFiles, used](const std::vector<std::filesystem::path>& paths, LoadControl& control,
                            LoadObserver& observer) {
    struct Holder : LoadObserver {
      Holder(LoadObserver& to, LoadControl& c, int after) : next(to), control(c), holdAfter(after) {}
      void FileLoaded(EntryTree&& tree) override {
        next.FileLoaded(std::move(tree));
        if (++files == holdAfter) Hold();
      }
      void TotalCounted(std::int32_t done, std::int32_t total) override {
        next.TotalCounted(done, total);
        if (holdAfter == 0 && !counted) {
          counted = true;
          Hold();
        }
      }
      void DoneAdvanced(std::int32_t done, std::int32_t total) override { next.DoneAdvanced(done, total); }
      void Hold() {
        while (!control.abortRequested.load()) std::this_thread::yield();
      }
      LoadObserver& next;
      LoadControl& control;
      int holdAfter;
      int files = 0;
      bool counted = false;
    } holder(observer, control, used->exchange(true) ? -1 : afterFiles);
    LoadDroppedPaths(paths, control, holder);
  };
}

}  // namespace cfv::test
