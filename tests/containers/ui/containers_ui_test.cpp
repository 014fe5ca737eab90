// Loading drops: DropLoader with its progress dialog and real workers over
// real files, one script per row; the progress dialog's counter and bar.
// The item model over the entry tree, with QAbstractItemModelTester watching
// every change, and the filter box over it in a real tree view.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeView>
#include <QtTest>
#include <thread>

#include "common/ui/dialog_layout.h"
#include "containers/ui/drop_loader.h"
#include "containers/ui/entry_filter_box.h"
#include "containers/ui/entry_tree_model.h"
#include "containers/ui/wait_dlg.h"
#include "custom_file_builder.h"
#include "gui_test.h"
#include "load_recorder.h"
#include "settings/ui/font_conversion.h"
#include "settings/user_fonts.h"

using namespace cfv;
using namespace cfv::test;
namespace fs = std::filesystem;

namespace {

// The counter text and, in brackets, the bar's position/range: "3/6 [3/6]".
QString CounterOf(const CWaitDlg& dialog) {
  const auto* bar = FindControl<QProgressBar>(dialog, CWaitDlg::kIdBar);
  return FindControl<QLabel>(dialog, CWaitDlg::kIdCounter)->text() +
         QStringLiteral(" [%1/%2]").arg(bar->value()).arg(bar->maximum());
}

UiContext EnglishContext() {
  return {nullptr, UiLanguage::kEnglish, ToQFont(MakeDefaultFont(UiLanguage::kEnglish, 96)), {}};
}

// A DropLoader whose loads are written down in `events`: "start" and "end" for
// each load's worker, a line for each file handed over (then onLoaded runs).
struct LoadLog : LoadRecorder {
  explicit LoadLog(fs::path base, LoadRoutine routine = {})
      : LoadRecorder(std::move(base)),
        loader([] { return EnglishContext(); }, [this](EntryTree&& tree) { Record(tree, onLoaded); },
               std::move(routine)) {
    QObject::connect(&loader, &DropLoader::LoadStarted, [this] { Add("start"); });
    QObject::connect(&loader, &DropLoader::LoadEnded, [this] { Add("end"); });
  }
  DropLoader loader;
};

// A load routine that puts an abort at a known point however the threads
// are scheduled: the core's LoadDroppedPaths, held on the worker thread
// right after its n-th loaded file (0: after its first counting report)
// until the load is aborted. Only the first load run through it is held.
LoadRoutine HoldUntilAborted(int afterFiles) {
  auto used = std::make_shared<std::atomic<bool>>(false);
  return [afterFiles, used](const std::vector<fs::path>& paths, LoadControl& control, LoadObserver& next) {
    const int after = used->exchange(true) ? -1 : afterFiles;
    const auto hold = [&](bool now) {
      while (now && !control.abortRequested.load()) std::this_thread::yield();
    };
    int files = 0;  // loaded; with `after` 0, counting reports instead
    LoadRecorder holder({}, &next);
    holder.onLoaded = [&] { hold(++files == after); };
    holder.onCounted = [&] { hold(after == 0 && files++ == 0); };
    LoadDroppedPaths(paths, control, holder);
  };
}

// A row of Scripts; `hold` -1: the load runs free; `drops` separated by "|".
// clang-format off
struct ScriptRow { QString files; int hold; QString drops, script, lines, counter{}; };
// clang-format on

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
  return model.match(model.index(0, 0), Qt::DisplayRole, text, 1, Qt::MatchExactly | Qt::MatchRecursive)
      .value(0);
}

QStringList Checked(const EntryTreeModel& model) {
  QStringList out;
  model.Tree().ForEachPreOrder(kNoItem, [&](ItemId id, unsigned) {
    if (model.Tree().IsChecked(id)) out << QString::fromStdString(std::string(model.Tree().Text(id)));
  });
  return out;
}

}  // namespace

Q_DECLARE_METATYPE(ScriptRow)

class DropLoadTest : public QObject {
  Q_OBJECT

 private slots:
  // Each file holds one entry named as the file. `script` runs right after the
  // first drop, or with `hold` > 0 once `hold` files have arrived (the
  // worker held there): "abort" clicks Abort, "drop <paths>" drops more,
  // "dialog?" notes whether the progress dialog shows.
  void Scripts_data() {
    QTest::addColumn<ScriptRow>("row");
    const char* abc = "F/a F/b F/c after.god";
    // clang-format off
    const auto row = [](const char* name, ScriptRow r) { QTest::newRow(name) << r; };
    row("files only", {"b.god a.item", -1, "b.god a.item", "dialog?", "start, dialog shown, b.god: b.god, a.item: a.item, end", "0/0 [0/100]"});
    row("abort while counting", {abc, 0, "F after.god", "abort; dialog?", "start, dialog hidden, end", "0/0 [0/100]"});
    row("abort after file 1", {abc, 1, "F after.god", "abort; dialog?", "start, F/a: a, dialog hidden, end"});
    row("a drop right after an abort waits for the worker", {"F/a F/b G/x G/y", 1, "F", "abort; drop G; dialog?", "start, F/a: a, dialog shown, end, start, G/x: x, G/y: y, end", "2/2 [2/2]"});
    row("abort of a waiting drop cancels that drop only", {"F/a F/b second.god third.god", 1, "F", "abort; drop second.god; drop third.god; abort", "start, F/a: a, end, start, third.god: third.god, end"});
    row("drops during a load all load, in order", {"1 2 3", -1, "1|2|3", "", "start, 1: 1, end, start, 2: 2, end, start, 3: 3, end"});
    // clang-format on
  }
  void Scripts() {
    QFETCH(ScriptRow, row);
    // References, not a structured binding: clang 14 cannot capture those in lambdas.
    const QString &files = row.files, &drops = row.drops, &script = row.script, &lines = row.lines,
                  &counter = row.counter;
    const int hold = row.hold;
    TempDir dir;
    for (const QString& f : files.split(' '))
      WriteSingleEntryFile(dir / f.toStdString(), fs::path(f.toStdString()).filename().string());
    const auto paths = [&](const QString& drop) {
      std::vector<fs::path> out;
      for (const QString& p : drop.split(' ', Qt::SkipEmptyParts)) out.push_back(dir / p.toStdString());
      return out;
    };
    LoadLog log(dir.path(), hold < 0 ? LoadRoutine() : HoldUntilAborted(hold));
    const auto run = [&] {
      for (const QString& action : script.split("; ", Qt::SkipEmptyParts)) {
        if (action == "abort") FindControl<QPushButton>(*log.loader.Dialog(), CWaitDlg::kIdAbort)->click();
        if (action.startsWith("drop ")) log.loader.Load(paths(action.mid(5)));
        if (action == "dialog?")
          log.Add(log.loader.Dialog()->isVisible()    ? "dialog shown"
                  : QApplication::activeModalWidget() ? "modal left"
                                                      : "dialog hidden");
      }
    };
    int arrived = 0;
    log.onLoaded = [&] {
      if (++arrived == hold) run();
    };
    for (const QString& drop : drops.split('|')) log.loader.Load(paths(drop));
    if (hold <= 0) run();
    QTRY_VERIFY_WITH_TIMEOUT(log.loader.IsIdle(), 60000);
    QCOMPARE(QString::fromStdString(log.events), lines);
    if (!counter.isEmpty()) QCOMPARE(CounterOf(*log.loader.Dialog()), counter);
  }

  // Destroying the loader while its worker runs stops the worker and returns.
  void DestroyingTheLoaderMidLoad() {
    TempDir dir;
    for (int i = 0; i < 30; ++i) WriteSingleEntryFile(dir / "F" / std::to_string(i), "x");
    LoadLog log(dir.path(), HoldUntilAborted(1));
    log.loader.Load({dir / "F"});
    QTRY_COMPARE(log.events, std::string("start, F/0: x"));  // the worker holds
  }

  // The counter and bar: above 65,535 the bar's range takes the low 16 bits
  // and its position stays inside it, the text shows the full numbers; a
  // range of 0 is an empty bar, never a busy one. The load's end closes the
  // dialog without asking to cancel; Escape asks and closes; opening resets
  // the controls.
  void TheWaitDialogFollowsItsLoad() {
    CWaitDlg dialog(EnglishContext());
    QSignalSpy cancels(&dialog, &JobDialog::CancelRequested);
    dialog.Open();
    // clang-format off
    const std::tuple<int, int, const char*> counters[] = {{3, 6, "3/6 [3/6]"}, {65535, 65535, "65535/65535 [65535/65535]"},
        {1000, 100000, "1000/100000 [1000/34464]"}, {100000, 100000, "100000/100000 [34464/34464]"}, {65536, 65536, "65536/65536 [0/1]"}};
    // clang-format on
    for (const auto& [done, total, shown] : counters) {
      dialog.ShowProgress({std::uint64_t(done), std::uint64_t(total), {}});
      QCOMPARE(CounterOf(dialog), QString(shown));
    }
    QVERIFY(dialog.isVisible());
    dialog.JobEnded();
    QVERIFY(!dialog.isVisible() && cancels.isEmpty());
    dialog.Open();
    QCOMPARE(CounterOf(dialog), QStringLiteral("0/0 [0/100]"));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible() && cancels.size() == 1);
  }
};

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

  // Typing filters, also files loaded while it is set; Esc gives back the
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

CFV_GUI_TEST(DropLoadTest)
CFV_GUI_TEST(EntryTreeModelTest)
#include "containers_ui_test.moc"
