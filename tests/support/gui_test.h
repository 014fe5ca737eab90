// Test helper for the GUI tests: several Qt Test classes in one executable,
// so there are fewer to build and link. A test file ends with
//
//   CFV_GUI_TEST(MainFrameTest)
//   #include "main_frame_test.moc"
//
// and gui_test_main.cpp (every cfv_gui_test links it) runs each registered
// class in turn under one QApplication, as QTEST_MAIN runs one; the run
// fails when any class fails. A file with its own QTEST_MAIN still works.
#pragma once

#include <QObject>
#include <functional>
#include <memory>

namespace cfv::test {

int RegisterGuiTest(std::function<std::unique_ptr<QObject>()> make);

}  // namespace cfv::test

#define CFV_GUI_TEST(Class)                             \
  [[maybe_unused]] static const int cfvGuiTest##Class = \
      ::cfv::test::RegisterGuiTest([] { return std::unique_ptr<QObject>(new Class); });
