// File > Export in the real main window: the Configure Export dialog, the
// export of the checked entries and the message boxes the window owns.
#include <QMessageBox>
#include <QtTest>

#include "frame_harness.h"
#include "gui_test.h"
#include "modal_dialog.h"

using namespace cfv;
using namespace cfv::test;
namespace fs = std::filesystem;

class ExportFrameTest : public QObject {
  Q_OBJECT

 private slots:
  // `before` and `after` list files below the folder as "path=content",
  // "path/" (a folder), "path" (exists) or "!path" (absent). Each modal
  // window is answered by the next of `answers` and seen as its class or
  // as "<icon> [<the path it names>]".
  void Export_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("seen");
    QTest::addColumn<QStringList>("after");
    const auto row = [](const char* name, QString locale, bool loaded, QStringList before,
                        QStringList answers, QStringList seen, QStringList after) {
      QTest::newRow(name) << locale << loaded << before << answers << seen << after;
    };
    const QString ok = QString::number(QMessageBox::Ok);
    row("checked entries written", "en-US", true, {}, {"enter", ok}, {"cfv::CExportDlg", "information"},
        {"hero/x.txt=new", "hero/body/a.txt=text", "hero/face.bmp", "!hero/body.cmp", "!hero/x.t"});
    row("names kept", "en-US", true, {}, {"1009 1", ok}, {"cfv::CExportDlg", "information"},
        {"hero/x.t=new", "!hero/x.txt"});
    row("Escape: nothing at all", "en-US", true, {}, {"esc"}, {"cfv::CExportDlg"}, {"!hero"});
    row("overwrite, a failed write", "ja-JP", true, {"hero/x.txt=old", "hero/dir.txt/"},
        {"enter", QString::number(QMessageBox::Yes), ok, ok},
        {"cfv::CExportDlg", "none [hero/x.txt]", "critical [hero/dir.txt]", "information"},
        {"hero/x.txt=new", "hero/y.txt=y"});
    row("Cancel at the question stops", "en-US", true, {"hero/x.txt=old"},
        {"enter", QString::number(QMessageBox::Cancel), ok},
        {"cfv::CExportDlg", "none [hero/x.txt]", "information"}, {"hero/x.txt=old", "!hero/y.txt"});
    row("nothing loaded still finishes", "en-US", false, {}, {"enter", ok},
        {"cfv::CExportDlg", "information"}, {"!hero"});
  }
  void Export() {
    QFETCH(QString, locale);
    QFETCH(bool, loaded);
    QFETCH(QStringList, before);
    QFETCH(QStringList, answers);
    FrameHarness h(locale.toStdString());
    WriteFile(h.dir / "hero.npc",
              Serialize({Leaf("x.t", "new"), Leaf("dir.t", "d"), Leaf("y.t", "y"),
                         Leaf("face.bm", MakeBmp(1, 1)), Branch("body.cmp", {Leaf("a.t", "text")})}));
    for (const QString& file : before) {
      const fs::path path = h.dir / file.section('=', 0, 0).toStdString();
      if (file.endsWith('/')) fs::create_directories(path);
      if (!file.endsWith('/')) WriteFile(path, file.section('=', 1).toStdString());
    }
    if (loaded) h.Load(h.dir / "hero.npc", true);
    std::vector<ModalStep> steps;
    for (const QString& answer : answers) steps.push_back(Do(answer));
    ModalDriver modals(steps);
    h->Action(kIdFileExport)->trigger();
    QStringList seen;
    const QString folder = QRegularExpression::escape(QString::fromStdString(h.dir.path().string()));
    const QRegularExpression named("^(\\w+): .*\\[" + folder + "/(.*)\\]",
                                   QRegularExpression::DotMatchesEverythingOption);
    for (const QString& line : modals.seen) {
      const QRegularExpressionMatch match = named.match(line);
      seen << (match.hasMatch() ? match.captured(1) + " [" + match.captured(2) + "]"
                                : line.section(": ", 0, 0));
    }
    QTEST(seen, "seen");
    QFETCH(QStringList, after);
    for (const QString& file : after) {
      const fs::path path = h.dir / file.section('=', 0, 0).remove('!').toStdString();
      QVERIFY2(fs::exists(path) != file.startsWith('!'), qPrintable(file));
      if (file.contains('=')) QCOMPARE(QString::fromStdString(ReadFile(path)), file.section('=', 1));
    }
  }
};

CFV_GUI_TEST(ExportFrameTest)
#include "export_frame_test.moc"
