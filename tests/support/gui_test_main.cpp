// The main of the GUI test executables (see gui_test.h).
#include <QApplication>
#include <QtTest>
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

}  // namespace

int cfv::test::RegisterGuiTest(std::function<std::unique_ptr<QObject>()> make) {
  Registered().tests.push_back(std::move(make));
  return 0;
}

int cfv::test::RegisterGuiRole(const char* flag, int (*role)(const char*)) {
  Registered().roles[flag] = role;
  return 0;
}

// Arguments as Qt Test's, given to every class.
int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setAttribute(Qt::AA_Use96Dpi, true);
  if (argc == 3 && Registered().roles.count(argv[1]) != 0) return Registered().roles[argv[1]](argv[2]);
  int failed = 0;
  for (const auto& make : Registered().tests) failed += QTest::qExec(make().get(), argc, argv) != 0;
  return failed;
}
