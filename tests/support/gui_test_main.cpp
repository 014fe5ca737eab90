// The main of the GUI test executables (see gui_test.h).
#include <QApplication>
#include <QtTest>
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "gui_test.h"

namespace {

std::vector<std::function<std::unique_ptr<QObject>()>>& Tests() {
  static std::vector<std::function<std::unique_ptr<QObject>()>> tests;
  return tests;
}
std::map<std::string, int (*)(const char*)>& Roles() {
  static std::map<std::string, int (*)(const char*)> roles;
  return roles;
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
  Tests().push_back(std::move(make));
  return static_cast<int>(Tests().size());
}

int cfv::test::RegisterGuiRole(const char* flag, int (*role)(const char*)) {
  Roles()[flag] = role;
  return static_cast<int>(Roles().size());
}

// Arguments as Qt Test's; test functions named there run in the classes that have them.
int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setAttribute(Qt::AA_Use96Dpi, true);
  if (argc == 3 && Roles().count(argv[1]) != 0) return Roles()[argv[1]](argv[2]);
  QStringList args;  // with data tags cut off
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]).section(':', 0, 0);
  std::vector<std::unique_ptr<QObject>> tests;
  for (const auto& make : Tests()) tests.push_back(make());
  const bool choosing =
      std::any_of(tests.begin(), tests.end(), [&](const auto& t) { return Named(*t, args); });
  int failed = 0;
  for (const auto& test : tests)
    if (!choosing || Named(*test, args)) failed += QTest::qExec(test.get(), argc, argv) != 0;
  return failed;
}
