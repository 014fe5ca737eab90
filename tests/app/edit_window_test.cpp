// Changing custom files through the real main window: edits shown at once,
// undo and redo, saving compared byte for byte with `tazor-cfv edit` of the
// same change, refused edits, and the close question.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeView>
#include <QUndoStack>
#include <QtTest>
#include <chrono>
#include <thread>

#include "app/main_frame.h"
#include "containers/ui/entry_filter_box.h"
#include "containers/ui/entry_tree_model.h"
#include "edit/ui/file_editor.h"
#include "export/export_engine.h"
#include "frame_harness.h"
#include "gui_test.h"
#include "modal_dialog.h"
#include "run_process.h"

using namespace cfv;
using namespace cfv::test;
namespace fs = std::filesystem;

namespace {

// pack.god: a.t (zlib "hello"), sub (b.t, c.t), d.t; loaded and expanded.
const std::string kPack =
    Serialize({Leaf("a.t", Zlib("hello")), Branch("sub", {Leaf("b.t", "bee"), Leaf("c.t", "sea")}),
               Leaf("d.t", "dee")});

QString Button(QMessageBox::StandardButton button) { return QString::number(button); }

// The bytes `tazor-cfv edit` makes of pack.god with `args`, in a folder of its own.
std::string CliEdit(const fs::path& dir, const std::vector<std::string>& args) {
  fs::create_directory(dir / "cli");
  WriteFile(dir / "cli/pack.god", kPack);
  std::vector<std::string> argv{TAZOR_CFV, "edit", (dir / "cli/pack.god").string()};
  argv.insert(argv.end(), args.begin(), args.end());
  const ProcessResult run = RunProcess(argv);
  return run.status == 0 ? ReadFile(dir / "cli/pack.god") : "tazor-cfv edit failed: " + run.err;
}

ItemId Item(const FrameHarness& h, std::string_view text) { return h->Model().ItemOf(h.Index(text)); }

}  // namespace

class EditWindowTest : public QObject {
  Q_OBJECT

 private slots:
  // Each edit shows at once and marks the file; Ctrl+Z and Ctrl+Y / Ctrl+Shift+Z on the tree undo and redo
  // it; Ctrl+S writes what `tazor-cfv edit` writes for the same change, keeps pack.god.bak, and leaves
  // the file unmodified with its items pointing into the new file.
  void EditUndoRedoSave() {
    struct Row {
      const char* name;
      std::function<bool(FrameHarness&)> edit;
      std::vector<std::string> cli;
      const char* select;  // previewed after the save
      const char* preview;
    };
    const std::vector<Row> rows = {
        {"replace",
         [](FrameHarness& h) { return h->Editor().ReplaceEntry(Item(h, "a.t"), h.dir / "new.txt"); },
         {"--replace", "a.t", "NEW"},
         "a.t",
         "fresh data"},
        {"rename",
         [](FrameHarness& h) { return h->Editor().Rename(Item(h, "b.t"), "名前.t"); },
         {"--rename", "sub/b.t", "名前.t"},
         "d.t",
         "dee"},
        {"remove",
         [](FrameHarness& h) { return h->Editor().Remove(Item(h, "c.t")); },
         {"--remove", "sub/c.t"},
         "d.t",
         "dee"},
        {"add",
         [](FrameHarness& h) { return h->Editor().AddFiles(Item(h, "sub"), {h.dir / "new.txt"}); },
         {"--add", "sub/new.txt", "NEW"},
         "new.txt",
         "fresh data"},
    };
    for (const Row& row : rows) {
      FrameHarness h;
      WriteFile(h.dir / "pack.god", kPack);
      WriteFile(h.dir / "new.txt", "fresh data");
      ApplySteps(h.dir.path(), {"dir/", "dir/in/", "dir/in/f.t=in folder", "dir/g.t=gee"});
      h.Load(h.dir / "pack.god", true);
      h.Show();
      const ItemId root = Item(h, "pack.god");
      const QString before = h->Model().data(h->Model().IndexOf(root)).toString();
      QVERIFY2(row.edit(h), row.name);
      QCOMPARE(h->Model().data(h->Model().IndexOf(root)).toString(), before + " *");
      QVERIFY(h->isWindowModified());
      QCOMPARE(h->ModifiedText(), QStringLiteral("1 file modified"));
      h->TreeView().setFocus();
      h.Select("pack.god");
      QTest::keyClick(&h->TreeView(), Qt::Key_Z, Qt::ControlModifier);
      QCOMPARE(h->Model().data(h->Model().IndexOf(root)).toString(), before);
      QVERIFY(!h->isWindowModified());
      QTest::keyClick(&h->TreeView(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
      QVERIFY(h->isWindowModified());
      QTest::keyClick(&h->TreeView(), Qt::Key_Z, Qt::ControlModifier);
      QTest::keyClick(&h->TreeView(), Qt::Key_Y, Qt::ControlModifier);
      QVERIFY2(h->isWindowModified(), row.name);
      // The edit shows before it is saved: the new data, name and place.
      if (std::string_view(row.name) != "remove") {
        h.Select(row.select);
        QCOMPARE(h->TextView().toPlainText(), QString::fromUtf8(row.preview));
      }
      h->Editor().SaveAction().trigger();
      std::vector<std::string> cli = row.cli;
      for (std::string& arg : cli)
        if (arg == "NEW" || arg == "DIR") arg = (h.dir / (arg == "NEW" ? "new.txt" : "dir")).string();
      QCOMPARE(ReadFile(h.dir / "pack.god"), CliEdit(h.dir.path(), cli));
      QCOMPARE(ReadFile(h.dir / "pack.god.bak"), kPack);
      QVERIFY(!h->isWindowModified());
      QCOMPARE(h->ModifiedText(), QString());
      QCOMPARE(h->Model().data(h->Model().IndexOf(root)).toString(), before);
      QCOMPARE(h->Editor().StackOf(root)->count(), 0);
      // Items read the new file now; checks stay.
      h.Select(row.select);
      QCOMPARE(h->TextView().toPlainText(), QString::fromUtf8(row.preview));
      QVERIFY(h->Model().Tree().IsChecked(Item(h, row.select)));
      // The new data was copied when the edit was made.
      WriteFile(h.dir / "new.txt", "changed later");
      h.Select(row.select);
      QCOMPARE(h->TextView().toPlainText(), QString::fromUtf8(row.preview));
    }
  }

  // Refused edits say why and change nothing: no mark, no undo step, the tree and the file as they were.
  void RefusedEdits() {
    struct Row {
      std::function<bool(FrameHarness&)> edit;
      const char* message;
      std::string disk = kPack;  // pack.god's bytes once loaded
    };
    const std::string header = Serialize({Leaf("x.t", "inner")});
    const std::vector<Row> rows = {
        {[](FrameHarness& h) { return h->Editor().Rename(Item(h, "b.t"), "a/b"); }, "holds a / or \\"},
        {[](FrameHarness& h) { return h->Editor().Rename(Item(h, "b.t"), "c.t"); },
         "is named \"c.t\" already"},
        {[](FrameHarness& h) { return h->Editor().Rename(Item(h, "b.t"), QString(41, 'n')); },
         "more than 40 bytes"},
        {[](FrameHarness& h) { return h->Editor().Rename(Item(h, "b.t"), "\u00e9\u20ac\U0001F600"); },
         "code page 932"},
        {[](FrameHarness& h) { return h->Editor().ReplaceEntry(Item(h, "d.t"), h.dir / "header.bin"); },
         "would read back as a branch"},
        {[](FrameHarness& h) { return h->Editor().ReplaceEntry(Item(h, "d.t"), h.dir / "stream.bin"); },
         "read back inflated"},
        {[](FrameHarness& h) { return h->Editor().AddFiles(Item(h, "pack.god"), {h.dir / "d.t"}); },
         "is named \"d.t\" already"},
        {[](FrameHarness& h) {
           return h->Editor().Remove(Item(h, "b.t")) && h->Editor().Remove(Item(h, "c.t"));
         },
         "leave its branch with no entries"},
        {[](FrameHarness& h) { return h->Editor().ReplaceEntry(Item(h, "d.t"), h.dir / "missing"); },
         "missing cannot be read: No such file or directory"},
        {[](FrameHarness& h) { return h->Editor().ReplaceEntry(Item(h, "a.t"), h.dir / "empty.bin"); },
         "would read back as stored bytes"},
        {[](FrameHarness& h) {
           WriteFile(h.dir / "one.god", Serialize({Leaf("only.t", "x")}));
           h.Load(h.dir / "one.god");
           return h->Editor().Remove(Item(h, "only.t"));
         },
         "leave the custom file with no entries"},
        {[](FrameHarness& h) {
           fs::path deep = h.dir / "deep";
           for (int level = 0; level < 63; ++level) fs::create_directories(deep /= "d");
           WriteFile(deep / "f.t", "bottom");
           return h->Editor().AddFolder(Item(h, "sub"), h.dir / "deep");
         },
         "nest more than 64 levels"},
        // c.t's 3 bytes and the renamed d.t's header after it would form a header "sea ddd...d123|53".
        {[](FrameHarness& h) { return h->Editor().Rename(Item(h, "d.t"), QString(37, 'd') + "123"); },
         "sub/c.t is shorter than an entry header"},
        {[](FrameHarness& h) {
           h.Load(h.dir / "pack.god");
           return h->Editor().Remove(Item(h, "d.t"));
         },
         "loaded more than once"},
        {[](FrameHarness& h) { return h->Editor().AddFiles(Item(h, "pack.god"), {h.dir / "header.bin"}); },
         "changed on disk", Serialize({Leaf("a.t", "other")})},
        {[](FrameHarness& h) { return h->Editor().Remove(Item(h, "d.t")); }, "not well formed",
         kPack + "left"},
    };
    for (const Row& row : rows) {
      FrameHarness h;
      WriteFile(h.dir / "pack.god", kPack);
      WriteFile(h.dir / "header.bin", header);
      WriteFile(h.dir / "stream.bin", Zlib("z"));
      WriteFile(h.dir / "d.t", "dup");
      WriteFile(h.dir / "empty.bin", "");
      h.Load(h.dir / "pack.god");
      WriteFile(h.dir / "pack.god", row.disk);
      ModalDriver boxes({Do(Button(QMessageBox::Ok))});
      QVERIFY(!row.edit(h));
      QCOMPARE(boxes.seen.size(), 1);
      QVERIFY2(boxes.seen.front().contains(row.message), qPrintable(boxes.seen.front()));
      const QUndoStack* stack = h->Editor().StackOf(Item(h, "pack.god"));
      // The one remove the last row makes before its refusal is all there is.
      QVERIFY(stack == nullptr ||
              stack->count() == (std::string_view(row.message).starts_with("leave") ? 1 : 0));
      QVERIFY(h.Index("b.t").isValid() == (stack == nullptr || stack->count() == 0));
      QVERIFY(h.Index("c.t").isValid() && h.Index("d.t").isValid());
      QCOMPARE(ReadFile(h.dir / "pack.god"), row.disk);
    }
  }

  // Save As writes the new file and the root item stands for it; a target open in the tree is refused. An
  // edit under a filter keeps the filter. A file changed on disk is not overwritten: Reload loads it anew.
  void SaveAsFilterAndChangedOnDisk() {
    FrameHarness h;
    WriteFile(h.dir / "pack.god", kPack);
    WriteFile(h.dir / "open.god", kPack);
    h.Load(h.dir / "pack.god");
    h.Load(h.dir / "open.god");
    h.Show();
    h->FilterBox().Edit().setText("t");
    QVERIFY(h->Editor().Remove(Item(h, "d.t")));
    QCOMPARE(h->Model().rowCount(h->Model().IndexOf(Item(h, "pack.god"))), 2);  // a.t, sub
    QVERIFY(h->TreeView().isExpanded(h.Index("sub")));
    {
      ModalDriver boxes({Do(Button(QMessageBox::Ok))});
      QVERIFY(!h->Editor().SaveAs(Item(h, "b.t"), h.dir / "open.god"));
      QVERIFY2(boxes.seen.value(0).contains("is open in the tree"), qPrintable(boxes.seen.value(0)));
    }
    QVERIFY(h->Editor().SaveAs(Item(h, "b.t"), h.dir / "new.god"));
    QCOMPARE(ReadFile(h.dir / "new.god"), CliEdit(h.dir.path(), {"--remove", "d.t"}));
    QCOMPARE(ReadFile(h.dir / "pack.god"), kPack);
    QCOMPARE(h->Model().Tree().Text(h->Model().Tree().FirstRoot()), (h.dir / "new.god").string());
    QVERIFY(!h->isWindowModified());
    h->FilterBox().Edit().clear();
    // Each item offers the edits that fit it; a branch's length is as the edits make it.
    struct Offer {
      const char* item;
      bool replace, add, remove;
    };
    for (const Offer& offer : {Offer{"new.god", false, true, false}, Offer{"sub", false, true, true},
                               Offer{"a.t", true, false, true}}) {
      QMenu menu;
      h->Editor().AddToMenu(menu, Item(h, offer.item));
      QCOMPARE(menu.findChild<QAction*>("replaceEntry")->isEnabled(), offer.replace);
      QCOMPARE(menu.findChild<QAction*>("addFiles")->isEnabled(), offer.add);
      QCOMPARE(menu.findChild<QAction*>("addFolder")->isEnabled(), offer.add);
      QCOMPARE(menu.findChild<QAction*>("removeEntry")->isEnabled(), offer.remove);
      QCOMPARE(menu.findChild<QAction*>("renameEntry")->isEnabled(), offer.remove);
    }
    {
      ModalDriver none;
      h.Select("new.god");
      h->Editor().ReplaceAction().trigger();  // not offered for a custom file: no dialog
      QVERIFY(none.seen.isEmpty());
    }
    QVERIFY(h->Editor().Remove(Item(h, "b.t")));
    h.Select("sub");
    QCOMPARE(h->StatusText(), QStringLiteral("sub: 53 bytes, stored, holding 1 entry"));
    // Its bytes on disk are not what the tree shows: an export of it as one file is refused, not old.
    struct Failures final : ExportUser {
      QStringList seen;
      OverwriteAnswer AskOverwrite(const std::string&) override { return OverwriteAnswer::kNo; }
      void Failed(const ExportFailure& failure) override {
        seen << QString::fromStdString(failure.path) +
                    (failure.kind == ExportFailure::Kind::kUnsaved ? "!" : "?");
      }
    } user;
    ExportOptions options;
    options.skipExtractable = false;
    options.destination = h.dir / "out";
    fs::create_directory(options.destination);
    h->Model().SetAllChecked(true);
    ExportEngine(h->Model().Tree(), user).Run(options);
    QVERIFY2(user.seen.contains(QString::fromStdString((h.dir / "out/new/sub").string()) + "!"),
             qPrintable(user.seen.join(" | ")));
    // F2 on the tree renames in place.
    h.Select("a.t");
    h->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&*h));
    h->TreeView().setFocus();
    QTest::keyClick(&h->TreeView(), Qt::Key_F2);
    auto* line = h->TreeView().viewport()->findChild<QLineEdit*>();
    QVERIFY(line != nullptr);
    line->setText("z.t");
    QTest::keyClick(line, Qt::Key_Return);
    QTRY_VERIFY(h.Index("z.t").isValid());
    // Changed on disk after the save: the question offers Save As and Reload.
    WriteFile(h.dir / "new.god", Serialize({Leaf("outside.t", "theirs")}));
    ModalDriver boxes({[](QWidget* w) { w->findChild<QPushButton*>("reloadButton")->click(); }});
    QVERIFY(!h->Editor().SaveAll());
    QVERIFY2(boxes.seen.value(0).contains("has changed on disk"), qPrintable(boxes.seen.value(0)));
    QCOMPARE(h.Roots(), QStringList({"open.god", "new.god"}));
    QVERIFY(h.Index("outside.t").isValid() && !h.Index("z.t").isValid());
    QVERIFY(!h->isWindowModified());
    QCOMPARE(ReadFile(h.dir / "new.god"), Serialize({Leaf("outside.t", "theirs")}));
  }

  // A save killed at any moment leaves the file old or new, never partial, and the next save leaves no
  // temporary file behind. The saving window is this program again, running SaveForKill.
  void SaveKilled() {
    TempDir dir;
    const std::string old = Serialize({Leaf("small.t", "s"), Leaf("big.bin", std::string(48 << 20, 'b'))});
    WriteFile(dir / "n", "new data");
    WriteFile(dir / "cli/big.god", old);
    fs::create_directory(dir / "tmp");
    QCOMPARE(RunProcess({TAZOR_CFV, "edit", (dir / "cli/big.god").string(), "--replace", "small.t",
                         (dir / "n").string()})
                 .status,
             0);
    const std::string fresh = ReadFile(dir / "cli/big.god");
    const std::string self = QCoreApplication::applicationFilePath().toStdString();
    const auto save = [&] {
      const pid_t pid = ::fork();
      if (pid == 0) {
        ::setenv("CFV_SAVE_FOR_KILL", dir.path().c_str(), 1);
        ::setenv("TMPDIR", (dir / "tmp").c_str(), 1);  // the killed window's own folders go with `dir`
        ::execl(self.c_str(), self.c_str(), "SaveForKill", nullptr);
        ::_exit(127);
      }
      return pid;
    };
    for (const int delay : {20, 40, 60, 80, 100, 150}) {
      WriteFile(dir / "big.god", old);
      const pid_t pid = save();
      QVERIFY(pid > 0);
      std::this_thread::sleep_for(std::chrono::milliseconds(delay));
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
      const std::string now = ReadFile(dir / "big.god");
      QVERIFY2(now == old || now == fresh, qPrintable(QString::number(delay)));
    }
    WriteFile(dir / "big.god", old);
    int status = 0;
    ::waitpid(save(), &status, 0);
    QCOMPARE(WEXITSTATUS(status), 0);
    QVERIFY(ReadFile(dir / "big.god") == fresh);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path())) names.push_back(entry.path().filename());
    std::ranges::sort(names);
    QCOMPARE(names, (std::vector<std::string>{"big.god", "big.god.bak", "cli", "n", "tmp"}));
  }

  // The window SaveKilled kills: replaces small.t of big.god with n and saves.
  void SaveForKill() {
    const QByteArray folder = qgetenv("CFV_SAVE_FOR_KILL");
    if (folder.isEmpty()) QSKIP("run by SaveKilled");
    const fs::path dir = folder.toStdString();
    FrameHarness h;
    h.Load(dir / "big.god");
    QVERIFY(h->Editor().ReplaceEntry(Item(h, "small.t"), dir / "n"));
    h->Editor().SaveAction().trigger();
    QVERIFY(!h->isWindowModified());
  }

  // The close question with unsaved changes: Cancel keeps the window, Discard closes and writes nothing,
  // Save writes and closes. In Japanese too.
  void CloseQuestion() {
    struct Row {
      QMessageBox::StandardButton answer;
      bool closed, written;
      const char* locale;
    };
    for (const Row& row :
         {Row{QMessageBox::Cancel, false, false, "en-US"}, Row{QMessageBox::Discard, true, false, "en-US"},
          Row{QMessageBox::Save, true, true, "ja-JP"}}) {
      FrameHarness h(row.locale);
      WriteFile(h.dir / "pack.god", kPack);
      h.Load(h.dir / "pack.god");
      h.Show();
      QVERIFY(h->Editor().Remove(Item(h, "d.t")));
      ModalDriver boxes({Do(Button(row.answer))});
      h->Action(kIdFileExit)->trigger();
      QCOMPARE(boxes.seen.size(), 1);
      QVERIFY2(boxes.seen.front().startsWith("question: ") &&
                   boxes.seen.front().contains(std::string_view(row.locale) == "ja-JP"
                                                   ? "閉じる前に保存しますか"
                                                   : "Save them before closing?"),
               qPrintable(boxes.seen.front()));
      QCOMPARE(!h->isVisible(), row.closed);
      QCOMPARE(ReadFile(h.dir / "pack.god") != kPack, row.written);
    }
  }
};

CFV_GUI_TEST(EditWindowTest)
#include "edit_window_test.moc"
