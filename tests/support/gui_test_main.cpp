// The main of the GUI test executables: runs every class registered with
// CFV_GUI_TEST (see gui_test.h).
#include <QApplication>
#include <QtTest>
#include <algorithm>
#include <cstring>
#include <vector>

#include "gui_test.h"

namespace {

std::vector<std::function<std::unique_ptr<QObject>()>>& Registered() {
  static std::vector<std::function<std::unique_ptr<QObject>()>> tests;
  return tests;
}

}  // namespace

int cfv::test::RegisterGuiTest(std::function<std::unique_ptr<QObject>()> make) {
  Registered().push_back(std::move(make));
  return static_cast<int>(Registered().size());
}

// Whether `test` is named by one of the arguments, or has a test function
// so named.
bool Named(const QObject& test, const QStringList& args) {
  const QMetaObject* meta = test.metaObject();
  if (args.contains(QString::fromLatin1(meta->className()))) return true;
  for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
    if (args.contains(QString::fromLatin1(meta->method(i).name()))) return true;
  }
  return false;
}

// Arguments: Qt Test's, where test functions may be given as usual, or the
// name of a test class to run that class alone.
int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setAttribute(Qt::AA_Use96Dpi, true);
  QStringList args;  // test functions asked for, with their data tags cut off
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]).section(':', 0, 0);
  std::vector<std::unique_ptr<QObject>> tests;
  for (const auto& make : Registered()) tests.push_back(make());
  const bool choosing =
      std::any_of(tests.begin(), tests.end(), [&](const auto& t) { return Named(*t, args); });
  int failed = 0;
  for (const auto& test : tests) {
    if (choosing && !Named(*test, args)) continue;
    std::vector<char*> testArgs;  // without class names
    for (int i = 0; i < argc; ++i) {
      if (i == 0 || std::strcmp(argv[i], test->metaObject()->className()) != 0) testArgs.push_back(argv[i]);
    }
    failed += QTest::qExec(test.get(), int(testArgs.size()), testArgs.data()) != 0;
  }
  return failed;
}
