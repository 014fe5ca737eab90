// File > Export through the real main window, offscreen, over a real custom
// file: the destination choice, the overwrite question's all-answers,
// Cancel from the progress dialog, silencing failures, and the finished
// message's numbers and Open Folder.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include "app/main_frame.h"
#include "common/ui/dialog_layout.h"
#include "containers/loader.h"
#include "containers/ui/entry_tree_model.h"
#include "custom_file_builder.h"
#include "export/ui/export_dlg.h"
#include "export/ui/export_progress.h"
#include "gui_test.h"

using namespace cfv;

class ExportWindowTest : public QObject {
  Q_OBJECT

 public slots:
  // Stands in for the desktop's file manager.
  void Open(const QUrl& url) { opened = url.toLocalFile(); }

 private slots:
  void Export_data() {
    // "folder|existing|answers|silence|log|counts|files". folder: empty for
    // beside each custom file, else "This folder:" with dir/<folder> ("!":
    // first an empty path). existing: a, b, c already there as "old" files
    // (lower case) or folders (upper case). answers: to the questions in
    // turn, y/Y Yes (to All), n/N No (to All), c Cancel, x the progress
    // dialog's Cancel, then Yes. silence: 1 checks "Don't show again". log:
    // the windows met, D the dialog, W its warning, ? question, ! failure,
    // F finished. counts: written, not overwritten, failed. files: a, b, c
    // afterwards (- none).
    QTest::addColumn<QString>("row");
    QTest::newRow("beside each custom file") << "||||DF|3 0 0|new new new";
    QTest::newRow("this folder, made") << "out||||DF|3 0 0|new new new";
    QTest::newRow("no path: told, stays open") << "!||||DWF|3 0 0|new new new";
    QTest::newRow("Yes to All") << "|abc|Y||D?F|3 0 0|new new new";
    QTest::newRow("No to All") << "|abc|N||D?F|0 3 0|old old old";
    QTest::newRow("Yes, No, Cancel") << "out|abc|ync||D???F|1 1 0|new old old";
    QTest::newRow("Cancel from progress") << "|a|x||D?F|1 0 0|new - -";
    QTest::newRow("each failure shown") << "|ABC|||D!!!F|0 0 3|- - -";
    QTest::newRow("failures silenced") << "|ABC||1|D!F|0 0 3|- - -";
  }
  void Export() {
    QFETCH(QString, row);
    const QStringList c = row.split('|');
    const QString folder = c[0];
    QString answers = c[2];
    const bool silence = c[3] == "1";
    test::TempDir dir;
    const std::filesystem::path file = dir / "hero.npc";
    test::WriteFile(file, test::Serialize({test::Leaf("a.t", "new"), test::Leaf("b.t", "new"),
                                           test::Leaf("c.t", "new")}));
    const std::filesystem::path target =
        folder.isEmpty() ? dir.path() : dir / (folder == "!" ? "out" : folder.toStdString());
    for (QChar e : c[1]) {
      const auto path = target / "hero" / (e.toLower().toLatin1() + std::string(".txt"));
      e.isLower() ? test::WriteFile(path, "old") : (void)std::filesystem::create_directories(path);
    }
    FrameEnvironment env;
    env.systemLocaleName = [] { return std::string("en-US"); };
    env.settingsFile = dir / "none.ini";
    CMainFrame frame(env);
    EntryTree tree;
    QVERIFY(LoadCustomFile(file, file.string(), tree));
    tree.CheckAll(true);
    frame.Model().AppendFileTree(std::move(tree));

    QString log;
    QString finishedCounts;
    auto later = [](QWidget* w, int id) {
      QMetaObject::invokeMethod(FindControl<QAbstractButton>(*w, id), "click", Qt::QueuedConnection);
    };
    // Answers each modal window once, by kind. Clicks that open a box of
    // their own are queued, so that this timer is free to answer it.
    QTimer driver;
    connect(&driver, &QTimer::timeout, [&] {
      QWidget* w = QApplication::activeModalWidget();
      if (w == nullptr || w->property("seen").toBool() || qobject_cast<CExportProgressDlg*>(w)) return;
      w->setProperty("seen", true);
      if (qobject_cast<CExportDlg*>(w) != nullptr) {
        log += 'D';
        if (!folder.isEmpty()) FindControl<QRadioButton>(*w, CExportDlg::kIdToFolder)->setChecked(true);
        if (!folder.isEmpty() && folder != "!")
          FindControl<QLineEdit>(*w, CExportDlg::kIdFolderPath)->setText(QString::fromStdString(target));
        return later(w, CExportDlg::kIdExport);
      }
      auto* box = qobject_cast<QMessageBox*>(w);
      QVERIFY(box != nullptr);
      switch (box->icon()) {
        case QMessageBox::Warning: {  // the dialog's: a path is typed, Export again
          log += 'W';
          QWidget* dialog = box->parentWidget();
          box->button(QMessageBox::Ok)->click();
          FindControl<QLineEdit>(*dialog, CExportDlg::kIdFolderPath)->setText(QString::fromStdString(target));
          return later(dialog, CExportDlg::kIdExport);
        }
        case QMessageBox::NoIcon: {
          log += '?';
          const QChar answer = answers.isEmpty() ? QChar('n') : answers.front();
          answers.remove(0, 1);
          if (answer == 'x')
            FindControl<QPushButton>(*frame.findChild<CExportProgressDlg*>(), CExportProgressDlg::kIdCancel)
                ->click();
          const QMap<QChar, QMessageBox::StandardButton> buttons{
              {'y', QMessageBox::Yes},     {'Y', QMessageBox::YesToAll}, {'n', QMessageBox::No},
              {'N', QMessageBox::NoToAll}, {'c', QMessageBox::Cancel},   {'x', QMessageBox::Yes}};
          return box->button(buttons.value(answer))->click();
        }
        case QMessageBox::Critical:
          log += '!';
          box->checkBox()->setChecked(silence);
          return box->button(QMessageBox::Ok)->click();
        default:
          log += 'F';
          finishedCounts = box->text() + '\n' + box->informativeText();
          for (QAbstractButton* b : box->buttons())
            if (box->buttonRole(b) == QMessageBox::ActionRole) return b->click();
          return box->button(QMessageBox::Ok)->click();
      }
    });
    driver.start(5);
    opened.clear();
    QDesktopServices::setUrlHandler("file", this, "Open");
    frame.Action(kIdFileExport)->trigger();
    QDesktopServices::unsetUrlHandler("file");

    QCOMPARE(log, c[4]);
    const QStringList n = c[5].split(' ');
    QCOMPARE(finishedCounts,
             QString("Export finished!\nWritten: %1\nNot overwritten: %2\nFailed: %3").arg(n[0], n[1], n[2]));
    QStringList files;
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
      const auto path = target / "hero" / name;
      files << (std::filesystem::is_regular_file(path) ? QString::fromStdString(test::ReadFile(path)) : "-");
    }
    QCOMPARE(files.join(' '), c[6]);
    // Open Folder: the destination, or the custom file's export folder.
    QCOMPARE(opened, QString::fromStdString(folder.isEmpty() ? target / "hero" : target));
  }

 private:
  QString opened;
};

CFV_GUI_TEST(ExportWindowTest)
#include "export_window_test.moc"
