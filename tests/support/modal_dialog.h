// Test helper for GUI tests: drives a modal dialog that the code under test
// runs with exec().
//
//   WhenModalShown([](QWidget* dialog) { ...click its buttons... });
//   frame.Action(1003)->trigger();   // runs the dialog; returns when it ends
//
// The action runs once the dialog is up and active. Whatever happens in it
// (a failed QVERIFY returns early), a dialog still open afterwards is
// closed, so a failing test never hangs in the dialog's loop.
#pragma once

#include <QApplication>
#include <QScopeGuard>
#include <QTimer>
#include <QWidget>
#include <QtTest>
#include <functional>

namespace cfv::test {

inline void WhenModalShown(std::function<void(QWidget*)> action) {
  QTimer::singleShot(0, [action] {
    QWidget* dialog = QApplication::activeModalWidget();
    QVERIFY2(dialog != nullptr, "no modal dialog is up");
    auto closeLeftOpen = qScopeGuard([dialog] {
      if (dialog->isVisible()) dialog->close();
    });
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    action(dialog);
  });
}

}  // namespace cfv::test
