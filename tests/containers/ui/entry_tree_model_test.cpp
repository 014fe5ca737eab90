// The item model over the entry tree: whole files appended as one
// insertion, lookups by row, and check-state propagation to the subtree,
// with QAbstractItemModelTester watching every change.
#include "containers/ui/entry_tree_model.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTreeView>
#include <QtTest>

#include "containers/loader.h"
#include "custom_file_builder.h"

using namespace cfv;

namespace {

// root
//   a
//     a1
//     a2
//       a2x
//   b
//   c
//     c1
EntryTree SampleFile(const std::string& rootText) {
  EntryTree t;
  const ItemId root = t.AppendItem(kNoItem, rootText);
  const ItemId a = t.AppendItem(root, "a");
  t.AppendItem(a, "a1");
  const ItemId a2 = t.AppendItem(a, "a2");
  t.AppendItem(a2, "a2x");
  t.AppendItem(root, "b");
  const ItemId c = t.AppendItem(root, "c");
  t.AppendItem(c, "c1");
  return t;
}

QModelIndex Find(const EntryTreeModel& model, const QString& text) {
  const QModelIndexList hits =
      model.match(model.index(0, 0), Qt::DisplayRole, text, 1, Qt::MatchExactly | Qt::MatchRecursive);
  return hits.isEmpty() ? QModelIndex() : hits.front();
}

QStringList Checked(const EntryTreeModel& model) {
  QStringList out;
  model.Tree().ForEachPreOrder(kNoItem, [&](ItemId id, unsigned) {
    const std::string_view text = model.Tree().Text(id);
    if (model.Tree().IsChecked(id))
      out << QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  });
  return out;
}

}  // namespace

class EntryTreeModelTest : public QObject {
  Q_OBJECT

 private slots:
  void aFilterShowsMatchesWithAncestorsAndFiltersLaterFiles() {
    EntryTreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.AppendFileTree(SampleFile("f1"));
    model.SetFilter(std::make_unique<EntryFilter>(EntryPattern("*2*", EntryPattern::Mode::kName)));
    // f1 -> a -> a2 -> a2x; nothing else of f1 is shown.
    QCOMPARE(model.rowCount(), 1);
    const QModelIndex a = model.index(0, 0, model.index(0, 0));
    QCOMPARE(a.data().toString(), QStringLiteral("a"));
    QCOMPARE(model.rowCount(a), 1);
    const QModelIndex a2 = model.index(0, 0, a);
    QCOMPARE(a2.data().toString(), QStringLiteral("a2"));
    QCOMPARE(model.parent(a2), a);
    QCOMPARE(model.IndexOf(model.ItemOf(a2)), a2);
    QVERIFY(!model.IndexOf(model.ItemOf(Find(model, "b"))).isValid());
    // A file loaded while filtering is filtered: f2 shows, nothing of g does.
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    model.AppendFileTree(SampleFile("f2"));
    EntryTree g;
    g.AppendItem(g.AppendItem(kNoItem, "g"), "x");
    model.AppendFileTree(std::move(g));
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.index(1, 0).data().toString(), QStringLiteral("f2"));
    // A click on a shown branch's box checks its hidden items too.
    QVERIFY(model.setData(a, Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(Checked(model), (QStringList{"a", "a1", "a2", "a2x"}));
    // Without the filter every item is there again.
    model.SetFilter(nullptr);
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.index(2, 0).data().toString(), QStringLiteral("g"));
    QCOMPARE(model.rowCount(model.index(0, 0)), 3);
    QCOMPARE(model.index(2, 0, model.index(0, 0)).data().toString(), QStringLiteral("c"));
  }

  void appendingAFileIsOneInsertion() {
    EntryTreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QCOMPARE(model.AppendFileTree(SampleFile("one.god")), ItemId{0});
    QCOMPARE(model.AppendFileTree(SampleFile("two.god")), ItemId{8});
    QCOMPARE(model.AppendFileTree(EntryTree()), ItemId{16});  // nothing to add
    QCOMPARE(inserted.size(), 2);
    QCOMPARE(inserted[0].at(0).value<QModelIndex>(), QModelIndex());
    QCOMPARE(inserted[1].at(1).toInt(), 1);
    QCOMPARE(inserted[1].at(2).toInt(), 1);

    QCOMPARE(model.rowCount(), 2);
    const QModelIndex two = model.index(1, 0);
    QCOMPARE(two.data().toString(), QStringLiteral("two.god"));
    QCOMPARE(model.rowCount(two), 3);
    const QModelIndex a2 = model.index(1, 0, model.index(0, 0, two));
    QCOMPARE(a2.data().toString(), QStringLiteral("a2"));
    QCOMPARE(model.parent(a2).data().toString(), QStringLiteral("a"));
    QCOMPARE(model.parent(model.parent(a2)), two);
    QVERIFY(model.flags(a2) & Qt::ItemIsUserCheckable);
    QVERIFY(!(model.flags(a2) & Qt::ItemNeverHasChildren));
    QVERIFY(model.flags(model.index(0, 0, a2)) & Qt::ItemNeverHasChildren);
    QCOMPARE(model.data(a2, Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);
    QVERIFY(!model.index(3, 0, two).isValid());
    QVERIFY(!model.index(0, 1, two).isValid());
    QCOMPARE(model.IndexOf(model.ItemOf(a2)), a2);
  }

  void middleRowsStayRightAsRootsAreAppended() {
    EntryTreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    for (int i = 0; i < 50; ++i) {
      EntryTree t;
      t.AppendItem(kNoItem, "file" + std::to_string(i));
      model.AppendFileTree(std::move(t));
      // Ask for a middle row each time, so the row table is built and extended.
      const int mid = i / 2;
      QCOMPARE(model.index(mid, 0).data().toString(), QStringLiteral("file%1").arg(mid));
    }
    for (int i = 49; i >= 0; --i)
      QCOMPARE(model.index(i, 0).data().toString(), QStringLiteral("file%1").arg(i));
  }

  void checkingARootChecksItsWholeSubtree() {
    EntryTreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.AppendFileTree(SampleFile("one.god"));
    model.AppendFileTree(SampleFile("two.god"));
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QVERIFY(model.setData(model.index(0, 0), Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(Checked(model), (QStringList{"one.god", "a", "a1", "a2", "a2x", "b", "c", "c1"}));
    // Every changed item was inside a reported range: the root itself, then
    // the children of each item with children.
    QSet<QString> reported;
    for (const auto& args : changed) {
      const QModelIndex top = args.at(0).value<QModelIndex>();
      const QModelIndex bottom = args.at(1).value<QModelIndex>();
      QCOMPARE(top.parent(), bottom.parent());
      for (int r = top.row(); r <= bottom.row(); ++r) reported << top.siblingAtRow(r).data().toString();
      QVERIFY(args.at(2).value<QList<int>>().contains(Qt::CheckStateRole));
    }
    QCOMPARE(reported, (QSet<QString>{"one.god", "a", "a1", "a2", "a2x", "b", "c", "c1"}));
  }

  void uncheckingAMiddleItemLeavesParentAndSiblings() {
    EntryTreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.AppendFileTree(SampleFile("one.god"));
    model.setData(model.index(0, 0), Qt::Checked, Qt::CheckStateRole);
    QVERIFY(model.setData(Find(model, "a"), Qt::Unchecked, Qt::CheckStateRole));
    QCOMPARE(Checked(model), (QStringList{"one.god", "b", "c", "c1"}));
    // Checking a leaf changes it alone.
    model.setData(Find(model, "a2x"), Qt::Checked, Qt::CheckStateRole);
    QCOMPARE(Checked(model), (QStringList{"one.god", "a2x", "b", "c", "c1"}));
  }

  void anyStateButUncheckedChecks() {
    EntryTreeModel model;
    model.AppendFileTree(SampleFile("one.god"));
    model.setData(Find(model, "c"), Qt::PartiallyChecked, Qt::CheckStateRole);
    QCOMPARE(Checked(model), (QStringList{"c", "c1"}));
    QVERIFY(!model.setData(Find(model, "b"), QStringLiteral("x"), Qt::EditRole));
  }

  void settingTheSameStateAgainChangesNothing() {
    EntryTreeModel model;
    model.AppendFileTree(SampleFile("one.god"));
    model.setData(Find(model, "a1"), Qt::Checked, Qt::CheckStateRole);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.setData(model.index(0, 0), Qt::Unchecked, Qt::CheckStateRole);  // the root is unchecked already
    QCOMPARE(changed.size(), 0);
    QCOMPARE(Checked(model), QStringList{"a1"});
  }

  void spaceInTheTreeViewTogglesTheSubtree() {
    test::TempDir dir;
    using test::Branch;
    using test::Leaf;
    test::WriteFile(dir / "x.god",
                    test::Serialize({Branch("pack.npc", {Leaf("in.txt", "hello"), Leaf("in2.txt", "x")}),
                                     Leaf("top.txt", "abc")}));
    EntryTree loaded;
    QVERIFY(LoadCustomFile(dir / "x.god", "x.god", loaded));
    EntryTreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.AppendFileTree(std::move(loaded));
    QTreeView view;
    view.setModel(&model);
    view.expandAll();
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QModelIndex pack = Find(model, "pack.npc");
    QVERIFY(pack.isValid());
    view.setCurrentIndex(pack);
    QTest::keyClick(view.viewport(), Qt::Key_Space);
    QCOMPARE(Checked(model), (QStringList{"pack.npc", "in.txt", "in2.txt"}));
    QTest::keyClick(view.viewport(), Qt::Key_Space);
    QCOMPARE(Checked(model), QStringList{});
  }
};

QTEST_MAIN(EntryTreeModelTest)
#include "entry_tree_model_test.moc"
