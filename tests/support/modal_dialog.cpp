#include "modal_dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QtTest>

#include "common/ui/dialog_layout.h"

namespace cfv::test {

ModalDriver::ModalDriver(std::vector<ModalStep> steps) : steps_(steps.begin(), steps.end()) {
  QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
  timer_.start(5);
}

void ModalDriver::Poll() {
  QWidget* w = QApplication::activeModalWidget();
  // The export's progress dialog only watches the walk; the questions and
  // boxes over it are what the steps answer.
  if (w == nullptr || w->property("cfvDriven").toBool() || w->inherits("cfv::CExportProgressDlg")) return;
  w->setProperty("cfvDriven", true);
  static const char* const kIcons[] = {"none", "information", "warning", "critical", "question"};
  auto* box = qobject_cast<QMessageBox*>(w);
  seen << (box ? QStringLiteral("%1: %2").arg(kIcons[box->icon()], box->text())
               : QString::fromLatin1(w->metaObject()->className()));
  // Run from a timer of its own, so that this one goes on polling for the
  // windows the step opens.
  ModalStep step = steps_.empty() ? ModalStep() : std::move(steps_.front());
  if (!steps_.empty()) steps_.pop_front();
  QTimer::singleShot(0, w, [w, step] {
    if (step && QTest::qWaitForWindowActive(w)) step(w);
    if (w->isVisible()) w->close();
  });
}

ModalStep Do(const QString& actions) {
  return [actions](QWidget* w) {
    for (const QString& action : actions.split(' ', Qt::SkipEmptyParts)) {
      QVERIFY2(w->isVisible(), qPrintable(action));
      if (action == "enter") {
        QTest::keyClick(w, Qt::Key_Return);
      } else if (action == "esc") {
        QTest::keyClick(w, Qt::Key_Escape);
      } else if (action == "close") {
        w->close();
      } else if (auto* box = qobject_cast<QMessageBox*>(w)) {
        QAbstractButton* button = box->button(QMessageBox::StandardButton(action.toInt()));
        QVERIFY2(button != nullptr, qPrintable(action));
        button->click();
      } else {
        auto* control = FindControl<QAbstractButton>(*w, action.toInt());
        QVERIFY2(control != nullptr, qPrintable(action));
        QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(6, control->height() / 2));
      }
    }
  };
}

ModalStep Click(int idOrButton) { return Do(QString::number(idOrButton)); }

}  // namespace cfv::test
