// The entry tree's context menu, dragging entries out, and the status bar,
// through a real main window on a real custom file. With --drag-source DIR
// or --drop-target DIR it is one of the two programs of the real drag under
// X (drag_out_test.sh).
#include "app/tree_actions.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QDropEvent>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QTreeView>
#include <QtTest>

#include "app/main_frame.h"
#include "containers/ui/drop_loader.h"
#include "containers/ui/entry_tree_model.h"
#include "custom_file_builder.h"
#include "modal_dialog.h"

using namespace cfv;
using test::Leaf;

namespace {

const std::string kBmp = test::MakeBmp(2, 2);
const std::vector<test::Entry> kSub = {Leaf("line.t", "hello"),
                                       test::Branch("deep.cmp", {Leaf("v.t", test::Gzip("deep"))})};

// pack.god: face.bm (a zlib bitmap), sub.npc (line.t, deep.cmp holding v.t), note.tx, in a window.
std::unique_ptr<CMainFrame> LoadPack(const std::filesystem::path& dir, const std::string& locale) {
  test::WriteFile(dir / "pack.god",
                  test::Serialize({Leaf("face.bm", test::Zlib(kBmp)), test::Branch("sub.npc", kSub),
                                   Leaf("note.tx", "plain")}));
  auto frame = std::make_unique<CMainFrame>(FrameEnvironment{[locale] { return locale; }, dir / "s.ini"});
  frame->show();
  frame->LoadPaths({dir / "pack.god"});
  return frame;
}

struct Loaded {
  test::TempDir dir;
  std::unique_ptr<CMainFrame> frame;
  explicit Loaded(std::string locale = "en-US") : frame(LoadPack(dir.path(), locale)) {
    QTRY_VERIFY(frame->Loader().IsIdle());
  }
  // The index at `rows` below the root: "" the root, "1" sub.npc, "11" deep.cmp.
  QModelIndex At(const QString& rows) const {
    QModelIndex index = frame->Model().index(0, 0);
    for (QChar row : rows) index = frame->Model().index(row.digitValue(), 0, index);
    return index;
  }
  std::unique_ptr<QMenu> Menu(const QString& rows) const {
    return frame->TreeActions().MakeMenu(frame->Model().ItemOf(At(rows)));
  }
};

// The file name a file dialog proposed when AnswerInTurn answered it.
QString proposed;

// Answers the modal dialogs that come up one after another: a file dialog
// with a path (a folder is chosen by opening it), a message box with a button.
// The driver answers while it lives: keep it for the command it is for.
std::unique_ptr<test::ModalDriver> AnswerInTurn(const QList<QVariant>& answers) {
  std::vector<test::ModalStep> steps;
  for (const QVariant& answer : answers) {
    steps.push_back([answer](QWidget* dialog) {
      if (auto* box = qobject_cast<QMessageBox*>(dialog))
        return box->button(QMessageBox::StandardButton(answer.toInt()))->click();
      auto* files = qobject_cast<QFileDialog*>(dialog);
      proposed = files->selectedFiles().value(0).section('/', -1);
      files->fileMode() == QFileDialog::Directory ? files->setDirectory(answer.toString())
                                                  : files->selectFile(answer.toString());
      QMetaObject::invokeMethod(dialog, "accept");
    });
  }
  return std::make_unique<test::ModalDriver>(std::move(steps));
}

// A data row of QString columns.
template <typename... Columns>
void Row(const char* name, const Columns&... columns) {
  (QTest::newRow(name) << ... << QString(columns));
}

}  // namespace

class TreeActionsTest : public QObject {
  Q_OBJECT

 private slots:
  void menuAndItsSubtreeItems_data() {
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("offered");  // the enabled items
    QTest::addColumn<QString>("after");    // checked | expanded | clipboard
    const QString all = "checkSubtree uncheckSubtree expandAll collapseAll copyName";
    Row("root", "", "uncheckSubtree", all, "|pack.god deep.cmp|");
    Row("leaf", "0", "copyName", "exportEntry checkSubtree uncheckSubtree copyName",
        "face.bm|pack.god deep.cmp|face.bm");
    Row("branch check", "1", "checkSubtree", "exportBranch " + all,
        "face.bm sub.npc line.t deep.cmp v.t|pack.god deep.cmp|");
    Row("branch expand", "1", "expandAll", "exportBranch " + all, "face.bm|pack.god sub.npc deep.cmp|");
    Row("collapse", "", "collapseAll", all, "face.bm||");
  }
  void menuAndItsSubtreeItems() {
    QFETCH(QString, rows);
    QFETCH(QString, action);
    QFETCH(QString, offered);
    QFETCH(QString, after);
    Loaded loaded;
    QGuiApplication::clipboard()->clear();
    loaded.frame->TreeView().expand(loaded.At(""));
    loaded.frame->TreeView().expand(loaded.At("11"));  // inside the collapsed sub.npc
    loaded.frame->Model().SetChecked(loaded.frame->Model().ItemOf(loaded.At("0")), true);
    const auto menu = loaded.Menu(rows);
    QStringList items, checked, expanded;
    for (QAction* a : menu->actions())
      if (!a->isSeparator() && a->isEnabled()) items << a->objectName();
    QCOMPARE(items.join(' '), offered);
    menu->findChild<QAction*>(action)->trigger();
    for (const char* at : {"", "0", "1", "10", "11", "110", "2"}) {
      const QString name = loaded.At(at).data().toString().section('/', -1);
      if (loaded.At(at).data(Qt::CheckStateRole).toInt() == Qt::Checked) checked << name;
      if (loaded.frame->TreeView().isExpanded(loaded.At(at))) expanded << name;
    }
    QCOMPARE(checked.join(' ') + '|' + expanded.join(' ') + '|' + QGuiApplication::clipboard()->text(),
             after);
  }

  // Export This Entry proposes the export's name; the save dialog's own
  // question is the only one before the file is replaced. Export This Branch
  // and a drag lay the branch out as the export does.
  void takingEntriesOut() {
    Loaded loaded;
    const QString dir = QString::fromStdString(loaded.dir.path().string());
    test::WriteFile(loaded.dir / "face.bmp", "old");
    test::WriteFile(loaded.dir / "sub/line.txt", "mine");
    auto answers = AnswerInTurn({dir + "/face.bmp", QMessageBox::Yes});
    loaded.Menu("0")->findChild<QAction*>("exportEntry")->trigger();
    QCOMPARE(proposed, QStringLiteral("face.bmp"));
    QCOMPARE(test::ReadFile(loaded.dir / "face.bmp"), kBmp);
    answers = AnswerInTurn({dir, QMessageBox::No, QMessageBox::Ok});  // folder, line.txt is there, finished
    loaded.Menu("1")->findChild<QAction*>("exportBranch")->trigger();
    answers.reset();
    QCOMPARE(test::ReadFile(loaded.dir / "sub/line.txt") + test::ReadFile(loaded.dir / "sub/deep/v.txt"),
             std::string("minedeep"));
    // Dragging: the files a drag carries are the export's, in a temporary folder; roots do not drag.
    QVERIFY(!(loaded.frame->Model().flags(loaded.At("")) & Qt::ItemIsDragEnabled));
    for (auto [rows, file, bytes] :
         {std::tuple("0", "", kBmp), std::tuple("1", "/deep/v.txt", std::string("deep"))}) {
      std::unique_ptr<QMimeData> mime(loaded.frame->Model().mimeData({loaded.At(rows)}));
      QCOMPARE(mime->urls().size(), 1);
      QVERIFY(mime->urls()[0].toLocalFile().startsWith(QDir::tempPath() + '/'));
      QCOMPARE(test::ReadFile((mime->urls()[0].toLocalFile() + file).toStdString()), bytes);
    }
  }

  void statusBarDescribesTheCurrentItem_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("rows");  // "-" for no current item
    QTest::addColumn<QString>("status");
    const QString bmp = QString::number(kBmp.size()), sub = QString::number(test::Serialize(kSub).size());
    Row("loaded", "en-US", "-", "1 file, 6 entries");
    Row("file", "en-US", "", "pack.god: 6 entries");
    Row("image", "en-US", "0", "face.bm: " + bmp + " bytes, zlib, Image");
    Row("branch", "en-US", "1", "sub.npc: " + sub + " bytes, stored, holding 3 entries");
    Row("gzip", "en-US", "110", "v.t: 4 bytes, gzip, Text");
    Row("ja", "ja-JP", "2", "note.tx: 5 バイト、無圧縮、テキスト");
  }
  void statusBarDescribesTheCurrentItem() {
    QFETCH(QString, locale);
    QFETCH(QString, rows);
    QFETCH(QString, status);
    Loaded loaded(locale.toStdString());
    if (rows != "-") loaded.frame->TreeView().setCurrentIndex(loaded.At(rows));
    QCOMPARE(loaded.frame->StatusText().section('/', -1), status);
    QString whileOpen = "?";
    QTimer::singleShot(0, [&] {
      whileOpen = loaded.frame->StatusText();
      QApplication::activePopupWidget()->close();
    });
    emit loaded.frame->TreeView().customContextMenuRequested(
        loaded.frame->TreeView().visualRect(loaded.At("")).center());
    QCOMPARE(whileOpen, QString());
    QCOMPARE(loaded.frame->StatusText().section('/', -1), status);
  }
};

// The window the rows are dragged from: prints where face.bm and sub.npc are
// in it, writes into DIR/expected what their drag must give, and ends when
// DIR/quit appears.
int DragSource(const std::filesystem::path& dir) {
  test::WriteFile(dir / "expected/face.bmp", kBmp);
  test::WriteFile(dir / "expected/sub/line.txt", "hello");
  test::WriteFile(dir / "expected/sub/deep/v.txt", "deep");
  const auto frame = LoadPack(dir, "en-US");
  QTimer poll;
  bool printed = false;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (std::filesystem::exists(dir / "quit")) QApplication::quit();
    if (printed || !frame->Loader().IsIdle() || frame->Model().rowCount() == 0) return;
    printed = true;
    frame->TreeView().expandAll();
    for (int row : {0, 1}) {
      const QModelIndex index = frame->Model().index(row, 0, frame->Model().index(0, 0));
      const QPoint at =
          frame->TreeView().viewport()->mapTo(frame.get(), frame->TreeView().visualRect(index).center());
      std::printf("%d %d\n", at.x(), at.y());
    }
    std::fflush(stdout);
  });
  poll.start(50);
  return QApplication::exec();
}

// A window that copies what is dropped on it into a folder.
class DropTarget : public QWidget {
 public:
  explicit DropTarget(std::filesystem::path folder) : folder_(std::move(folder)) { setAcceptDrops(true); }
  void dragEnterEvent(QDragEnterEvent* event) override { event->acceptProposedAction(); }
  void dropEvent(QDropEvent* event) override {
    for (const QUrl& url : event->mimeData()->urls()) {
      const std::filesystem::path from = url.toLocalFile().toStdString();
      std::filesystem::copy(from, folder_ / from.filename(), std::filesystem::copy_options::recursive);
      std::printf("%s\n", from.c_str());
    }
    std::fflush(stdout);
    event->acceptProposedAction();
  }

 private:
  std::filesystem::path folder_;
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc == 3 && argv[1] == std::string("--drag-source")) return DragSource(argv[2]);
  if (argc == 3 && argv[1] == std::string("--drop-target")) {
    std::filesystem::create_directories(argv[2]);
    DropTarget target(argv[2]);
    target.setWindowTitle("cfv drop target");
    target.resize(200, 200);
    target.show();
    return QApplication::exec();
  }
  TreeActionsTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "tree_actions_test.moc"
