// cfv-export-probe: times File > Export on the real main window, offscreen,
// with the progress dialog up throughout. Not a test; run by bench/run or by
// hand.
//
//   cfv-export-probe DEST FILE...
//       loads the custom FILEs into the window with every entry checked,
//       runs File > Export to the folder DEST ("This folder:", both options
//       on) and prints the time from Export clicked to the finished message
//       shown (export_ms), the numbers it gives, and how often the progress
//       dialog's counter was seen to change (polled every millisecond). A question or failure box
//       makes it fail.
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QTimer>
#include <cstdio>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "common/ui/dialog_layout.h"
#include "containers/loader.h"
#include "containers/ui/entry_tree_model.h"
#include "export/ui/export_dlg.h"
#include "export/ui/export_progress.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: cfv-export-probe DEST FILE...\n");
    return 2;
  }
  QApplication app(argc, argv);
  cfv::FrameEnvironment environment;
  environment.systemLocaleName = [] { return std::string("en-US"); };
  environment.settingsFile = "export-probe-settings.ini";
  cfv::CMainFrame frame(environment);
  for (int i = 2; i < argc; ++i) {
    cfv::EntryTree tree;
    if (!cfv::LoadCustomFile(argv[i], argv[i], tree)) {
      std::fprintf(stderr, "cfv-export-probe: %s is not a custom file\n", argv[i]);
      return 2;
    }
    tree.CheckAll(true);
    frame.Model().AppendFileTree(std::move(tree));
  }
  frame.show();

  QElapsedTimer clock;
  qint64 exportMs = -1;
  QString finished;
  int counterChanges = 0;
  QString counterText;
  bool unexpected = false;
  // Each modal window is handled once; a click that ends a window's loop is
  // queued, so that the handling returns first.
  QTimer driver;
  QObject::connect(&driver, &QTimer::timeout, [&] {
    QWidget* w = QApplication::activeModalWidget();
    if (auto* progress = qobject_cast<cfv::CExportProgressDlg*>(w)) {
      const QString text = cfv::FindControl<QLabel>(*progress, cfv::CExportProgressDlg::kIdCounter)->text();
      if (text != counterText) ++counterChanges;
      counterText = text;
      return;
    }
    if (w == nullptr || w->property("seen").toBool()) return;
    w->setProperty("seen", true);
    if (auto* dialog = qobject_cast<cfv::CExportDlg*>(w)) {
      cfv::FindControl<QRadioButton>(*dialog, cfv::CExportDlg::kIdToFolder)->setChecked(true);
      cfv::FindControl<QLineEdit>(*dialog, cfv::CExportDlg::kIdFolderPath)
          ->setText(QString::fromLocal8Bit(argv[1]));
      auto* exportButton = cfv::FindControl<QAbstractButton>(*dialog, cfv::CExportDlg::kIdExport);
      QTimer::singleShot(0, exportButton, [exportButton, &clock] {
        clock.start();
        exportButton->click();
      });
      return;
    }
    auto* box = qobject_cast<QMessageBox*>(w);
    if (box == nullptr || box->icon() != QMessageBox::Information) {
      unexpected = true;
      std::fprintf(stderr, "cfv-export-probe: unexpected window: %s\n",
                   box != nullptr ? qPrintable(box->text()) : w->metaObject()->className());
    } else {
      exportMs = clock.elapsed();
      finished = box->informativeText();
    }
    QTimer::singleShot(0, w, [w] { w->close(); });
  });
  driver.start(1);
  QTimer::singleShot(0, &frame, [&] {
    frame.Action(cfv::kIdFileExport)->trigger();
    app.quit();
  });
  app.exec();

  std::printf("export_ms=%lld\n", static_cast<long long>(exportMs));
  std::printf("finished=%s\n", qPrintable(finished.replace('\n', QStringLiteral(", "))));
  std::printf("counter_changes=%d\n", counterChanges);
  return unexpected || exportMs < 0 ? 1 : 0;
}
