#include "modal_dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QtTest>

#include "common/ui/dialog_layout.h"

namespace cfv::test {

ModalDriver::ModalDriver(std::vector<ModalStep> steps) : steps_(steps.begin(), steps.end()) {
  QObject::connect(&timer_, &QTimer::timeout, [this] {
    QWidget* w = QApplication::activeModalWidget();
    if (w == nullptr || w->property("cfvDriven").toBool() || w->inherits("cfv::CExportProgressDlg") ||
        w->inherits("cfv::CSaveProgressDlg"))
      return;
    w->setProperty("cfvDriven", true);
    static const char* const kIcons[] = {"none", "information", "warning", "critical", "question"};
    auto* box = qobject_cast<QMessageBox*>(w);
    seen << (box ? QStringLiteral("%1: %2").arg(kIcons[box->icon()], box->text()) +
                       (box->informativeText().isEmpty() ? QString() : '\n' + box->informativeText())
                 : QString::fromLatin1(w->metaObject()->className()));
    ModalStep step = steps_.empty() ? ModalStep() : std::move(steps_.front());
    if (!steps_.empty()) steps_.pop_front();
    // From a timer of its own, so that this one goes on polling for the
    // windows the step opens.
    QTimer::singleShot(0, w, [w, step] {
      if (step && QTest::qWaitForWindowActive(w)) step(w);
      if (w->isVisible()) w->close();
    });
  });
  timer_.start(5);
}

ModalStep Do(const QString& actions) {
  return [actions](QWidget* w) {
    if (auto* files = qobject_cast<QFileDialog*>(w); files && actions.startsWith("file=")) {
      files->findChild<QLineEdit*>("fileNameEdit")->setText(actions.mid(5));
      return (void)QMetaObject::invokeMethod(files, "accept");
    }
    for (const QString& action : actions.split(' ', Qt::SkipEmptyParts)) {
      QVERIFY2(w->isVisible(), qPrintable(action));
      if (action == "enter" || action == "esc") {
        QTest::keyClick(w, action == "esc" ? Qt::Key_Escape : Qt::Key_Return);
      } else if (action == "close") {
        w->close();
      } else if (auto* box = qobject_cast<QMessageBox*>(w)) {
        QAbstractButton* button = action == "action"
                                      ? box->buttons().last()  // its own (Open Folder)
                                      : box->button(QMessageBox::StandardButton(action.toInt()));
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

}  // namespace cfv::test
