// Test helper for the GUI tests: several Qt Test classes in one executable.
// A test file ends with CFV_GUI_TEST(MainFrameTest) and its moc include;
// gui_test_main.cpp runs each registered class in turn under one
// QApplication and fails when any class fails. CFV_GUI_ROLE("--flag", F)
// makes `test --flag ARG` run F(ARG) instead: a program a test script needs.
#pragma once

#include <QObject>
#include <functional>
#include <memory>

namespace cfv::test {

int RegisterGuiTest(std::function<std::unique_ptr<QObject>()> make);
int RegisterGuiRole(const char* flag, int (*role)(const char* arg));

}  // namespace cfv::test

#define CFV_GUI_TEST(Class)                             \
  [[maybe_unused]] static const int cfvGuiTest##Class = \
      ::cfv::test::RegisterGuiTest([] { return std::unique_ptr<QObject>(new Class); });
#define CFV_GUI_ROLE(flag, F) \
  [[maybe_unused]] static const int cfvGuiRole##F = ::cfv::test::RegisterGuiRole(flag, F);
