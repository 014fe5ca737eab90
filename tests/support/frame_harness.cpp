#include "frame_harness.h"

#include <QTreeView>
#include <QtTest>

#include "containers/loader.h"
#include "containers/ui/drop_loader.h"
#include "containers/ui/entry_tree_model.h"

namespace cfv::test {

FrameHarness::FrameHarness(std::string locale)
    : locale_(std::move(locale)), oldCwd_(std::filesystem::current_path()) {
  std::filesystem::current_path(dir.path());
  Restart();
}

FrameHarness::~FrameHarness() {
  frame_.reset();
  std::filesystem::current_path(oldCwd_);
}

void FrameHarness::Show() {
  frame_->resize(1000, 700);
  frame_->show();
  frame_->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(frame_.get()));
}

void FrameHarness::Restart() {
  frame_.reset();
  frame_ = std::make_unique<CMainFrame>(FrameEnvironment{[this] { return locale_; }, SettingsPath()});
}

void FrameHarness::Load(const std::filesystem::path& path, bool checked) {
  EntryTree tree;
  QVERIFY(LoadCustomFile(path, path.string(), tree));
  if (checked) tree.CheckAll(true);
  frame_->Model().AppendFileTree(std::move(tree));
  frame_->TreeView().expandAll();
}

QStringList FrameHarness::Roots() const {
  QStringList roots;
  [&] { QTRY_VERIFY_WITH_TIMEOUT(frame_->Loader().IsIdle(), 60000); }();
  const QString prefix = QString::fromStdString(dir.path().string()) + '/';
  for (int row = 0; row < frame_->Model().rowCount(); ++row)
    roots << frame_->Model().index(row, 0).data().toString().remove(prefix);
  return roots;
}

QModelIndex FrameHarness::Index(std::string_view text) const {
  const EntryTree& tree = frame_->Model().Tree();
  const std::string root = (dir / text).string();
  ItemId found = kNoItem;
  tree.ForEachPreOrder(kNoItem, [&](ItemId item, unsigned) {
    if (found == kNoItem && (tree.Text(item) == text || tree.Text(item) == root)) found = item;
  });
  return found == kNoItem ? QModelIndex() : frame_->Model().IndexOf(found);
}

void FrameHarness::Select(std::string_view text) {
  QVERIFY2(Index(text).isValid(), std::string(text).c_str());
  frame_->TreeView().setCurrentIndex(Index(text));
}

}  // namespace cfv::test
