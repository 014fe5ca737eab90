// The main of the GUI test executables: runs every class registered with
// CFV_GUI_TEST (see gui_test.h).
#include <QApplication>
#include <QtTest>
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

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setAttribute(Qt::AA_Use96Dpi, true);
  int failed = 0;
  for (const auto& make : Registered()) failed += QTest::qExec(make().get(), argc, argv) != 0;
  return failed;
}
