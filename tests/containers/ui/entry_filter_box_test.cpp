// The filter box over a real model and tree view: what typing shows, what
// Esc gives back (expansion and current item), and the two check buttons.
#include "containers/ui/entry_filter_box.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeView>
#include <QtTest>

#include "containers/ui/entry_tree_model.h"

using namespace cfv;

namespace {

// What the view shows, in pre-order, one "depth:text" an expanded path.
QStringList Shown(const QTreeView& view) {
  QStringList lines;
  const auto walk = [&](const auto& self, const QModelIndex& parent, int depth) -> void {
    for (int row = 0; row < view.model()->rowCount(parent); ++row) {
      const QModelIndex index = view.model()->index(row, 0, parent);
      lines << QString::number(depth) + ":" + index.data().toString();
      if (view.isExpanded(index)) self(self, index, depth + 1);
    }
  };
  walk(walk, QModelIndex(), 0);
  return lines;
}

QModelIndex Find(const EntryTreeModel& model, const QString& text) {
  const QModelIndexList hits =
      model.match(model.index(0, 0), Qt::DisplayRole, text, 1, Qt::MatchExactly | Qt::MatchRecursive);
  return hits.isEmpty() ? QModelIndex() : hits.front();
}

}  // namespace

class EntryFilterBoxTest : public QObject {
  Q_OBJECT

 private slots:
  void typingFiltersAndEscGivesTheTreeBack() {
    EntryTreeModel model;
    EntryTree tree;
    const ItemId god = tree.AppendItem(kNoItem, "a.god");
    const ItemId npc = tree.AppendItem(god, "chara.npc");
    tree.AppendItem(npc, "face.bmp");
    tree.AppendItem(npc, "voice.wav");
    tree.AppendItem(god, "Readme.t");
    const ItemId other = tree.AppendItem(kNoItem, "b.god");
    tree.AppendItem(other, "sky.bmp");
    model.AppendFileTree(std::move(tree));
    QTreeView view;
    view.setModel(&model);
    CEntryFilterBox box(model, view, UiLanguage::kEnglish);
    view.expand(model.index(0, 0));  // a.god open, chara.npc closed
    view.setCurrentIndex(Find(model, "Readme.t"));
    QSignalSpy currentChanges(view.selectionModel(), &QItemSelectionModel::currentChanged);

    QTest::keyClicks(&box.Edit(), "*.BMP");
    QCOMPARE(Shown(view), (QStringList{"0:a.god", "1:chara.npc", "2:face.bmp", "0:b.god", "1:sky.bmp"}));
    QTest::keyClick(&box.Edit(), Qt::Key_Backspace);  // "*.BM": whole names only
    QCOMPARE(Shown(view), QStringList{});
    box.Edit().setText(QStringLiteral("read"));  // plain text: anywhere, any case
    QCOMPARE(Shown(view), (QStringList{"0:a.god", "1:Readme.t"}));
    QCOMPARE(view.currentIndex().data().toString(), QStringLiteral("Readme.t"));
    QCOMPARE(currentChanges.count(), 0);

    QTest::keyClick(&box.Edit(), Qt::Key_Escape);
    QVERIFY(box.Edit().text().isEmpty());
    QCOMPARE(Shown(view), (QStringList{"0:a.god", "1:chara.npc", "1:Readme.t", "0:b.god"}));
    QCOMPARE(view.currentIndex().data().toString(), QStringLiteral("Readme.t"));
    QCOMPARE(currentChanges.count(), 0);

    // A choice made while filtering is the one kept.
    box.Edit().setText(QStringLiteral("sky"));
    view.setCurrentIndex(Find(model, "sky.bmp"));
    box.Edit().clear();
    QCOMPARE(view.currentIndex().data().toString(), QStringLiteral("sky.bmp"));
    QCOMPARE(currentChanges.count(), 1);
  }

  void checkMatchesAndUncheckAll() {
    EntryTreeModel model;
    EntryTree tree;
    const ItemId god = tree.AppendItem(kNoItem, "a.god");
    const ItemId npc = tree.AppendItem(god, "face.npc");
    tree.AppendItem(npc, "x.t");
    tree.AppendItem(god, "face.bmp");
    tree.AppendItem(god, "other.t");
    model.AppendFileTree(std::move(tree));
    QTreeView view;
    view.setModel(&model);
    CEntryFilterBox box(model, view, UiLanguage::kEnglish);
    QVERIFY(!box.CheckMatchesButton().isEnabled());
    box.Edit().setText(QStringLiteral("face"));
    QTest::mouseClick(&box.CheckMatchesButton(), Qt::LeftButton);
    QStringList checked;
    model.Tree().ForEachPreOrder(kNoItem, [&](ItemId id, unsigned) {
      const std::string_view text = model.Tree().Text(id);
      if (model.Tree().IsChecked(id)) checked << QString::fromUtf8(text.data(), qsizetype(text.size()));
    });
    QCOMPARE(checked, (QStringList{"face.npc", "x.t", "face.bmp"}));
    box.Edit().clear();
    QTest::mouseClick(&box.UncheckAllButton(), Qt::LeftButton);
    for (ItemId id = 0; id < model.Tree().Size(); ++id) QVERIFY(!model.Tree().IsChecked(id));
  }
};

QTEST_MAIN(EntryFilterBoxTest)
#include "entry_filter_box_test.moc"
