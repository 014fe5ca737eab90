// The main of the GUI test executables (see gui_test.h).
#include <QApplication>
#include <QtTest>
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "gui_test.h"

namespace {

struct Registry {
  std::vector<std::function<std::unique_ptr<QObject>()>> tests;
  std::map<std::string, int (*)(const char*)> roles;
};
Registry& Registered() {
  static Registry registry;
  return registry;
}

// Whether `test` has a test function named by one of the arguments.
bool Named(const QObject& test, const QStringList& args) {
  const QMetaObject* meta = test.metaObject();
  for (int i = meta->methodOffset(); i < meta->methodCount(); ++i)
    if (args.contains(QString::fromLatin1(meta->method(i).name()))) return true;
  return false;
}

}  // namespace

int cfv::test::RegisterGuiTest(std::function<std::unique_ptr<QObject>()> make) {
  Registered().tests.push_back(std::move(make));
  return 0;
}

int cfv::test::RegisterGuiRole(const char* flag, int (*role)(const char*)) {
  Registered().roles[flag] = role;
  return 0;
}

// Arguments as Qt Test's; test functions named there run in the classes that have them.
int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setAttribute(Qt::AA_Use96Dpi, true);
  if (argc == 3 && Registered().roles.count(argv[1]) != 0) return Registered().roles[argv[1]](argv[2]);
  QStringList args;  // with data tags cut off
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]).section(':', 0, 0);
  std::vector<std::unique_ptr<QObject>> tests;
  for (const auto& make : Registered().tests) tests.push_back(make());
  const bool choosing =
      std::any_of(tests.begin(), tests.end(), [&](const auto& t) { return Named(*t, args); });
  int failed = 0;
  for (const auto& test : tests)
    if (!choosing || Named(*test, args)) failed += QTest::qExec(test.get(), argc, argv) != 0;
  return failed;
}
