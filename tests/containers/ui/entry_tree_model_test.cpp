// The item model over the entry tree, with QAbstractItemModelTester watching
// every change, and the filter box over it in a real tree view.
#include "containers/ui/entry_tree_model.h"

#include <QAbstractItemModelTester>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeView>
#include <QtTest>

#include "containers/ui/entry_filter_box.h"
#include "gui_test.h"

using namespace cfv;

namespace {

// A tree from "depth:text" lines in pre-order.
EntryTree MakeTree(const QStringList& lines) {
  EntryTree tree;
  std::vector<ItemId> path;
  for (const QString& line : lines) {
    const int depth = line.section(':', 0, 0).toInt();
    path.resize(depth);
    path.push_back(tree.AppendItem(depth == 0 ? kNoItem : path.back(), line.section(':', 1).toStdString()));
  }
  return tree;
}

// What the view shows, in pre-order, as "depth:text", down expanded items.
QStringList Shown(const QTreeView& view, const QModelIndex& parent = {}, int depth = 0) {
  QStringList lines;
  for (int row = 0; row < view.model()->rowCount(parent); ++row) {
    const QModelIndex index = view.model()->index(row, 0, parent);
    lines << QString::number(depth) + ":" + index.data().toString();
    if (view.isExpanded(index)) lines << Shown(view, index, depth + 1);
  }
  return lines;
}

QModelIndex Find(const EntryTreeModel& model, const QString& text) {
  const auto hits =
      model.match(model.index(0, 0), Qt::DisplayRole, text, 1, Qt::MatchExactly | Qt::MatchRecursive);
  return hits.isEmpty() ? QModelIndex() : hits.front();
}

QStringList Checked(const EntryTreeModel& model) {
  QStringList out;
  model.Tree().ForEachPreOrder(kNoItem, [&](ItemId id, unsigned) {
    if (model.Tree().IsChecked(id)) out << QString::fromStdString(std::string(model.Tree().Text(id)));
  });
  return out;
}

}  // namespace

class EntryTreeModelTest : public QObject {
  Q_OBJECT

 private slots:
  // Steps: "+x" checks item x, "-x" unchecks it, "~x" sets it partly
  // checked, "space x" presses Space on x in a tree view. Every item whose
  // state changed must have been reported by dataChanged.
  void CheckStates_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("checked");
    const auto row = [](const char* name, QStringList steps, QStringList checked) {
      QTest::newRow(name) << steps << checked;
    };
    row("a root checks its subtree", {"+one.god"}, {"one.god", "a", "a1", "a2", "a2x", "b", "c", "c1"});
    row("a middle item leaves parent and siblings", {"+one.god", "-a"}, {"one.god", "b", "c", "c1"});
    row("a leaf alone", {"-a", "+a2x"}, {"a2x"});
    row("partly checked checks", {"~c"}, {"c", "c1"});
    row("the same state again", {"+a1", "-one.god"}, {"a1"});
    row("Space toggles the subtree", {" a"}, {"a", "a1", "a2", "a2x"});
    row("Space twice", {" a", " a"}, {});
  }
  void CheckStates() {
    QFETCH(QStringList, steps);
    EntryTreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.AppendFileTree(MakeTree({"0:one.god", "1:a", "2:a1", "2:a2", "3:a2x", "1:b", "1:c", "2:c1"}));
    model.AppendFileTree(MakeTree({"0:two.god", "1:a"}));
    QTreeView view;
    view.setModel(&model);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    for (const QString& step : steps) {
      const QStringList before = Checked(model);
      QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
      const QModelIndex item = Find(model, step.mid(1));
      view.setCurrentIndex(item);
      if (step[0] == ' ') QTest::keyClick(view.viewport(), Qt::Key_Space);
      if (step[0] != ' ')
        QVERIFY(model.setData(item, Qt::CheckState(QString("-~+").indexOf(step[0])), Qt::CheckStateRole));
      QSet<QString> reported, changedItems;  // every change reported by dataChanged, nothing when none
      for (const auto& args : changed) {
        const QModelIndex top = args.at(0).value<QModelIndex>();
        for (int r = top.row(); r <= args.at(1).value<QModelIndex>().row(); ++r)
          reported << top.siblingAtRow(r).data().toString();
      }
      const QStringList after = Checked(model);
      for (const QString& text : before + after)
        if (before.contains(text) != after.contains(text)) changedItems << text;
      QVERIFY2(reported.contains(changedItems), qPrintable(step));
      QCOMPARE(reported.isEmpty(), changedItems.isEmpty());
    }
    QTEST(Checked(model), "checked");
  }

  // Each file is one insertion at the end, rows asked for in any order.
  void FilesAppendAsOneInsertionEach() {
    EntryTreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    for (int i = 0; i < 50; ++i) {
      model.AppendFileTree(MakeTree({QStringLiteral("0:f%1").arg(i), "1:a", "2:a1"}));
      QCOMPARE(model.index(i / 2, 0).data().toString(), QStringLiteral("f%1").arg(i / 2));
    }
    model.AppendFileTree(EntryTree());
    QCOMPARE(inserted.size(), 50);
    QCOMPARE(inserted.back().at(1).toInt(), 49);
    for (int i = 49; i >= 0; --i) QCOMPARE(model.index(i, 0).data().toString(), QStringLiteral("f%1").arg(i));
    const QModelIndex a = model.index(0, 0, model.index(7, 0));
    QCOMPARE(model.index(0, 0, a).data().toString(), QStringLiteral("a1"));
    QCOMPARE(model.parent(model.index(0, 0, a)), a);
    QVERIFY(model.flags(model.index(0, 0, a)) & Qt::ItemNeverHasChildren);
    QVERIFY(!(model.flags(a) & Qt::ItemNeverHasChildren));
  }

  // Typing filters (a pattern matches whole names, plain text anywhere in
  // any case), also files loaded while it is set; Esc gives back the
  // expansion and the current item, unless another was chosen while
  // filtering.
  void FilterBoxTypingAndEsc() {
    EntryTreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.AppendFileTree(MakeTree(
        {"0:a.god", "1:chara.npc", "2:face.bmp", "2:voice.wav", "1:Readme.t", "0:b.god", "1:sky.bmp"}));
    QTreeView view;
    view.setModel(&model);
    CEntryFilterBox box(model, view, UiLanguage::kEnglish);
    view.expand(model.index(0, 0));
    view.setCurrentIndex(Find(model, "Readme.t"));
    QSignalSpy currentChanges(view.selectionModel(), &QItemSelectionModel::currentChanged);
    QTest::keyClicks(&box.Edit(), "*.BMP");
    model.AppendFileTree(MakeTree({"0:c.god", "1:x.t", "1:y.bmp"}));
    view.expand(model.index(2, 0));
    QCOMPARE(Shown(view), (QStringList{"0:a.god", "1:chara.npc", "2:face.bmp", "0:b.god", "1:sky.bmp",
                                       "0:c.god", "1:y.bmp"}));
    QTest::keyClick(&box.Edit(), Qt::Key_Backspace);
    QCOMPARE(Shown(view), QStringList{});
    box.Edit().setText(QStringLiteral("read"));
    QCOMPARE(Shown(view), (QStringList{"0:a.god", "1:Readme.t"}));
    QTest::keyClick(&box.Edit(), Qt::Key_Escape);
    QVERIFY(box.Edit().text().isEmpty());
    QCOMPARE(Shown(view), (QStringList{"0:a.god", "1:chara.npc", "1:Readme.t", "0:b.god", "0:c.god"}));
    QCOMPARE(view.currentIndex().data().toString(), QStringLiteral("Readme.t"));
    QCOMPARE(currentChanges.count(), 0);
    box.Edit().setText(QStringLiteral("sky"));
    view.setCurrentIndex(Find(model, "sky.bmp"));
    box.Edit().clear();
    QCOMPARE(view.currentIndex().data().toString(), QStringLiteral("sky.bmp"));
    // Check Matches checks what matches with its subtree; Uncheck All clears.
    QVERIFY(!box.CheckMatchesButton().isEnabled());
    box.Edit().setText(QStringLiteral("a.npc"));
    QTest::mouseClick(&box.CheckMatchesButton(), Qt::LeftButton);
    QCOMPARE(Checked(model), (QStringList{"chara.npc", "face.bmp", "voice.wav"}));
    QTest::mouseClick(&box.UncheckAllButton(), Qt::LeftButton);
    QCOMPARE(Checked(model), QStringList{});
  }
};

CFV_GUI_TEST(EntryTreeModelTest)
#include "entry_tree_model_test.moc"
