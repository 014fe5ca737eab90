// The program's exit statuses: 1 after a normal close, and a message on
// standard error with a status other than 0 and 1 when no main window can
// be made. The command line is ignored.
#include <QAction>
#include <QProcess>
#include <QTimer>
#include <QtTest>

#include "custom_file_builder.h"
#include "shell/ui/run.h"

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
