// Test helper for the GUI tests: several Qt Test classes in one executable.
// A test file ends with
//
//   CFV_GUI_TEST(MainFrameTest)
//   #include "main_frame_test.moc"
//
// and gui_test_main.cpp (every cfv_gui_test links it) runs each registered
// class in turn under one QApplication; the run fails when any class fails.
// CFV_GUI_ROLE("--flag", Function) makes `test --flag ARG` run
// Function(ARG) instead, for a test that plays a program of its own.
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
#define CFV_GUI_ROLE(flag, Function) \
  [[maybe_unused]] static const int cfvGuiRole##Function = ::cfv::test::RegisterGuiRole(flag, Function);
