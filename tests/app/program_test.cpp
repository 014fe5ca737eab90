// The program's exit statuses: 1 after a normal close, and a message on
// standard error with a status other than 0 and 1 when no main window can
// be made; paths on the command line load at start; --help and --version
// need no window.
#include <QAction>
#include <QProcess>
#include <QTimer>
#include <QtTest>

#include "app/run.h"
#include "containers/ui/drop_loader.h"
#include "containers/ui/entry_tree_model.h"
#include "custom_file_builder.h"

using namespace cfv;

class ProgramTest : public QObject {
  Q_OBJECT

 private slots:
  void exitMenuEndsTheRunWithStatusOne() {
    test::TempDir dir;
    FrameEnvironment env;
    env.systemLocaleName = [] { return std::string("en-US"); };
    env.settingsFile = dir / "settings.ini";
    bool wasVisible = false;
    const int status = Run(env, [&](CMainFrame& frame) {
      wasVisible = frame.isVisible();
      frame.Action(kIdFileExit)->trigger();
    });
    QVERIFY(wasVisible);
    QCOMPARE(status, 1);
    // Nothing is saved at exit.
    QVERIFY(!std::filesystem::exists(dir / "settings.ini"));
  }

  void pathsOnTheCommandLineLoadAtStart() {
    test::TempDir dir;
    test::WriteSingleEntryFile(dir / "b.god", "b.t");
    test::WriteSingleEntryFile(dir / "sub/a.npc", "a.t");
    FrameEnvironment env;
    env.systemLocaleName = [] { return std::string("en-US"); };
    env.settingsFile = dir / "settings.ini";
    QStringList roots;
    Run(env,
        [&](CMainFrame& frame) {
          QTRY_VERIFY(frame.Loader().IsIdle());
          for (int row = 0; row < frame.Model().rowCount(); ++row) {
            roots << frame.Model().index(row, 0).data().toString();
          }
          frame.Action(kIdFileExit)->trigger();
        },
        {dir / "b.god", dir / "sub"});
    const QString d = QString::fromStdString(dir.path().string());
    QCOMPARE(roots, (QStringList{d + "/b.god", d + "/sub/a.npc"}));
  }

  void helpAndVersionPrintAndExitWithoutAWindow_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::newRow("version") << QStringList{"--version"} << 0 << "tazor-custom-file-viewer " CFV_VERSION "\n"
                             << "";
    QTest::newRow("help") << QStringList{"x.god", "--help"} << 0 << "Usage: tazor-custom-file-viewer"
                          << "";
    QTest::newRow("unknown") << QStringList{"--bogus"} << 2 << ""
                             << "tazor-custom-file-viewer: unknown option --bogus (see --help)\n";
  }
  void helpAndVersionPrintAndExitWithoutAWindow() {
    QFETCH(QStringList, args);
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // A window could not be made: only the command line can end the run well.
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("no-such-platform"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(CFV_PROGRAM_PATH), args);
    QVERIFY(program.waitForFinished(60000));
    QTEST(program.exitCode(), "status");
    QFETCH(QString, out);
    QFETCH(QString, err);
    QCOMPARE(QString::fromUtf8(program.readAllStandardOutput()).left(out.size()), out);
    QCOMPARE(QString::fromUtf8(program.readAllStandardError()), err);
  }

  void noDisplayGivesAMessageAndAStatusOtherThanZeroAndOne() {
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("no-such-platform"));
    program.setProcessEnvironment(env);
    test::TempDir dir;
    program.setWorkingDirectory(QString::fromStdString(dir.path().string()));
    program.start(QStringLiteral(CFV_PROGRAM_PATH), {QStringLiteral("ignored.god")});
    QVERIFY(program.waitForFinished(60000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QVERIFY(program.exitCode() != 0 && program.exitCode() != 1);
    const QString err = QString::fromLocal8Bit(program.readAllStandardError());
    QVERIFY2(err.contains(QStringLiteral("cannot create the main window")), qPrintable(err));
  }
};

QTEST_MAIN(ProgramTest)
#include "program_test.moc"
