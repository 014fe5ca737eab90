// File > Export through the real main window over a real custom file: the
// Configure Export dialog and its destination choice, the threaded export
// under its progress dialog, the overwrite question's answers, failures (and
// silencing them), and the finished message's numbers and Open Folder.
#include <QAbstractButton>
#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QtTest>

#include "common/ui/dialog_layout.h"
#include "export/ui/export_dlg.h"
#include "export/ui/export_progress.h"
#include "frame_harness.h"
#include "gui_test.h"
#include "modal_dialog.h"

using namespace cfv;
using namespace cfv::test;
namespace fs = std::filesystem;

class ExportWindowTest : public QObject {
  Q_OBJECT

 public slots:
  // Stands in for the desktop's file manager.
  void Open(const QUrl& url) { opened = url.toLocalFile(); }

 private slots:
  // "options|existing|answers|log|counts|files|opened". options: o "This
  // folder:" dir/out, ! the same with first an empty path, k names kept
  // (Rename extension off), e Escape, j a Japanese system, 0 nothing
  // loaded, s "Don't show again" checked at failures, r c.t unreadable (EIO-60000
  // in the path: eio_shim.cpp), previewed first (its read box). existing: a, b, c
  // already there as "old" files (lower case) or folders (upper case).
  // answers: to the questions in turn, y/Y Yes (to All), n/N No (to All),
  // c Cancel, x the progress dialog's Cancel, then Yes. log: the windows
  // met, D the dialog, W its warning, ? question and ! failure (with the
  // file named), F finished. counts: its three numbers (written, not
  // overwritten, failed). files: below the export folder afterwards.
  // opened: what Open Folder opened. progress: under each ? and !, the progress dialog's counts and entry.
  void Export_data() {
    QTest::addColumn<QString>("row");
    // clang-format off
    QTest::newRow("this folder, made; no path: told, stays open") << "!|||DWF|3 0 0|a.txt=new b.txt=new c.txt=new|out|";
    QTest::newRow("beside each custom file, names kept") << "k|||DF|3 0 0|a.t=new b.t=new c.t=new|hero|";
    QTest::newRow("Escape: nothing at all") << "e|||D||||";
    QTest::newRow("nothing loaded still finishes") << "0|||DF|0 0 0|||";
    QTest::newRow("Yes to All") << "|abc|Y|D?aF|3 0 0|a.txt=new b.txt=new c.txt=new|hero|03a";
    QTest::newRow("No to All") << "|abc|N|D?aF|0 3 0|a.txt=old b.txt=old c.txt=old|hero|03a";
    QTest::newRow("No, then Cancel stops") << "o|abc|nc|D?a?bF|0 1 0|a.txt=old b.txt=old c.txt=old|out|03a 13b";
    QTest::newRow("Cancel from progress") << "|a|x|D?aF|1 0 0|a.txt=new|hero|03a";
    QTest::newRow("Japanese: Yes, a failure") << "j|aB|y|D?a!bF|2 0 1|a.txt=new b.txt/ c.txt=new|hero|03a 13b";
    QTest::newRow("a failure after quick writes") << "|C||D!cF|2 0 1|a.txt=new b.txt=new c.txt/|hero|23c";
    QTest::newRow("each failure shown") << "|ABC||D!a!b!cF|0 0 3|a.txt/ b.txt/ c.txt/|hero|03a 13b 23c";
    QTest::newRow("failures silenced") << "s|ABC||D!aF|0 0 3|a.txt/ b.txt/ c.txt/|hero|03a";
    QTest::newRow("read error") << "r|||!D!F|2 0 1|a.txt=new b.txt=new|EIO-60000/hero|23c";
    // clang-format on
  }
  void Export() {
    QFETCH(QString, row);
    const QStringList c = row.split('|');
    const QString options = c[0];
    QString answers = c[2];
    FrameHarness h(options.contains('j') ? "ja-JP" : "en-US");
    const bool unreadable = options.contains('r');
    const fs::path home = unreadable ? h.dir / "EIO-60000" : h.dir.path();
    WriteFile(home / "hero.npc", Serialize({Leaf("a.t", "new"), Leaf("b.t", "new"),
                                            Leaf("c.t", unreadable ? std::string(100000, 'c') : "new")}));
    const bool toFolder = options.contains('o') || options.contains('!');
    const fs::path target = toFolder ? h.dir / "out" : home;
    for (QChar e : c[1]) {
      const fs::path path = target / "hero" / (e.toLower().toLatin1() + std::string(".txt"));
      e.isLower() ? WriteFile(path, "old") : (void)fs::create_directories(path);
    }
    if (!options.contains('0')) h.Load(home / "hero.npc", true);

    // One step for every kind of window; nested windows (the dialog's
    // warning) get the next copy while the step that opened them waits.
    QStringList counts, progress;
    const ModalStep answer = [&](QWidget* w) {
      auto* box = qobject_cast<QMessageBox*>(w);
      if (auto* p = h->findChild<CExportProgressDlg*>();
          p && box && box->icon() != QMessageBox::Information) {
        progress << FindControl<QLabel>(*p, 1020)->text().remove(QRegularExpression("\\D")) +
                        FindControl<QLabel>(*p, 1021)->text().left(1);
        QVERIFY(!box->frameGeometry().intersects(p->frameGeometry()));  // the dialog in sight
      }
      if (box == nullptr) {  // the Configure Export dialog
        if (options.contains('e')) return QTest::keyClick(w, Qt::Key_Escape);
        if (options.contains('k')) FindControl<QAbstractButton>(*w, CExportDlg::kIdRenameExtension)->click();
        auto* path = FindControl<QLineEdit>(*w, CExportDlg::kIdFolderPath);
        if (toFolder) FindControl<QAbstractButton>(*w, CExportDlg::kIdToFolder)->click();
        if (options.contains('o')) path->setText(QString::fromStdString(target));
        FindControl<QAbstractButton>(*w, CExportDlg::kIdExport)->click();
        if (!w->isVisible()) return;
        path->setText(QString::fromStdString(target));  // told there is none: now a path
        return FindControl<QAbstractButton>(*w, CExportDlg::kIdExport)->click();
      }
      if (box->icon() == QMessageBox::NoIcon) {
        const QChar a = answers.isEmpty() ? QChar('n') : answers.front();
        answers.remove(0, 1);
        if (a == 'x')
          FindControl<QAbstractButton>(*h->findChild<CExportProgressDlg*>(), CExportProgressDlg::kIdCancel)
              ->click();
        const QMap<QChar, QMessageBox::StandardButton> buttons{
            {'y', QMessageBox::Yes},     {'Y', QMessageBox::YesToAll}, {'n', QMessageBox::No},
            {'N', QMessageBox::NoToAll}, {'c', QMessageBox::Cancel},   {'x', QMessageBox::Yes}};
        return box->button(buttons.value(a))->click();
      }
      if (box->checkBox() != nullptr) box->checkBox()->setChecked(options.contains('s'));
      if (box->icon() == QMessageBox::Information) {
        for (auto it = QRegularExpression("\\d+").globalMatch(box->informativeText()); it.hasNext();)
          counts << it.next().captured();
        for (QAbstractButton* b : box->buttons())
          if (box->buttonRole(b) == QMessageBox::ActionRole) return b->click();
      }
      box->button(QMessageBox::Ok)->click();
    };
    ModalDriver modals(std::vector<ModalStep>(12, answer));
    QDesktopServices::setUrlHandler("file", this, "Open");
    opened.clear();
    if (unreadable) h.Select("c.t");
    h->Action(kIdFileExport)->trigger();
    QDesktopServices::unsetUrlHandler("file");

    QString log;
    const QMap<QString, QString> kinds{
        {"cfv", "D"}, {"warning", "W"}, {"none", "?"}, {"critical", "!"}, {"information", "F"}};
    for (const QString& seen : modals.seen)
      log += kinds.value(seen.section(':', 0, 0)) +
             QRegularExpression("/(\\w)[^/\\]]*\\]").match(seen).captured(1);
    QCOMPARE(log, c[3]);
    QCOMPARE(modals.seen.filter("Cannot open file.\nReason: Input/output error").size(), unreadable ? 2 : 0);
    QCOMPARE(counts.join(' '), c[4]);
    QStringList files;
    std::error_code error;
    for (const auto& e : fs::recursive_directory_iterator(target / "hero", error))
      files << QString::fromStdString(e.path().lexically_relative(target / "hero").string()) +
                   (e.is_directory() ? "/" : "=" + QString::fromStdString(ReadFile(e.path())));
    files.sort();
    QCOMPARE(files.join(' '), c[5]);
    QCOMPARE(opened, c[6].isEmpty() ? QString() : QString::fromStdString(h.dir / c[6].toStdString()));
    QCOMPARE(progress.join(' '), c[7]);
  }

 private:
  QString opened;
};

CFV_GUI_TEST(ExportWindowTest)
#include "export_window_test.moc"
