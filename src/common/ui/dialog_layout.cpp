#include "common/ui/dialog_layout.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "common/mul_div.h"

namespace cfv {

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  const int width =
      metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  // Windows rounds the average of the 52 letters so: (width / 26 + 1) / 2.
  baseX_ = std::max(1, (width / 26 + 1) / 2);
  baseY_ = std::max(1, metrics.height());
}

int DialogUnits::ToPixelsX(int dlu) const { return MulDiv(dlu, baseX_, 4); }
int DialogUnits::ToPixelsY(int dlu) const { return MulDiv(dlu, baseY_, 8); }

QRect DialogUnits::ToPixels(int x, int y, int cx, int cy) const {
  return QRect(ToPixelsX(x), ToPixelsY(y), ToPixelsX(cx), ToPixelsY(cy));
}

QSize DialogUnits::ToPixels(int cx, int cy) const { return QSize(ToPixelsX(cx), ToPixelsY(cy)); }

DialogBuilder::DialogBuilder(QDialog& dialog, const QFont& generalFont, const QString& caption, int cx,
                             int cy)
    : dialog_(dialog), font_(generalFont), units_(font_) {
  dialog_.setFont(font_);
  dialog_.setWindowTitle(caption);
  dialog_.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  dialog_.setFixedSize(units_.ToPixels(cx, cy));
  dialog_.setSizeGripEnabled(false);
}

void DialogBuilder::Place(QWidget* control, int id, int x, int y, int cx, int cy) {
  if (id != -1) control->setObjectName(QStringLiteral("id%1").arg(id));
  control->setGeometry(units_.ToPixels(x, y, cx, cy));
}

QPushButton* DialogBuilder::AddButton(int id, const QString& text, int x, int y, int cx, int cy,
                                      bool isDefault) {
  auto* button = new QPushButton(text, &dialog_);
  button->setAutoDefault(false);
  button->setDefault(isDefault);
  Place(button, id, x, y, cx, cy);
  return button;
}

QLabel* DialogBuilder::AddStatic(int id, const QString& text, int x, int y, int cx, int cy,
                                 StaticStyle style) {
  auto* label = new QLabel(text, &dialog_);
  Qt::Alignment align = style.centreHorizontally ? Qt::AlignHCenter : Qt::AlignLeft;
  align |= style.centreVertically ? Qt::AlignVCenter : Qt::AlignTop;
  label->setAlignment(align);
  label->setTextFormat(Qt::PlainText);
  // Static texts wrap at words as Windows statics do, except the vertically
  // centred kind (SS_CENTERIMAGE), which is one line.
  label->setWordWrap(!style.centreVertically);
  if (style.sunken) label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Place(label, id, x, y, cx, cy);
  return label;
}

QGroupBox* DialogBuilder::AddGroupBox(int id, const QString& text, int x, int y, int cx, int cy) {
  auto* box = new QGroupBox(text, &dialog_);
  box->setFocusPolicy(Qt::NoFocus);
  Place(box, id, x, y, cx, cy);
  box->lower();
  return box;
}

void CentreOver(QWidget& window, const QWidget* owner) {
  QRect area;
  if (owner != nullptr && owner->isVisible()) {
    area = owner->frameGeometry();
  } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    area = screen->availableGeometry();
  } else {
    return;
  }
  // move() places a top-level window by its frame.
  const QRect frame = window.frameGeometry();
  window.move(area.center().x() - frame.width() / 2, area.center().y() - frame.height() / 2);
}

}  // namespace cfv
