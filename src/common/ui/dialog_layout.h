// The one layout helper every dialog of the program uses.
//
// Dialogs are described as Windows dialog templates: a client size and
// control rectangles in dialog units, drawn in the General font. Here they
// are built in code: DialogUnits turns dialog units into pixels with the
// font's base units (base X = average width of "A".."Z","a".."z", that is
// their total width / 52 rounded as Windows rounds it; base Y = the font's
// line height), x px = MulDiv(dlu, baseX, 4) and y px = MulDiv(dlu, baseY, 8).
// DialogBuilder gives a QDialog its font, caption and fixed size and places
// each control at its converted rectangle; CentreOver centres a dialog over
// its owner as the Windows dialogs centre themselves when they start.
//
// Controls carry their template id as the object name "id<n>" (FindControl),
// so tests and callers find them as the Windows code finds them by id.
//
// Thread: UI thread.
#pragma once

#include <QDialog>
#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>

class QGroupBox;
class QLabel;
class QPushButton;

namespace cfv {

class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);
  DialogUnits(int baseX, int baseY) : baseX_(baseX), baseY_(baseY) {}

  int BaseX() const { return baseX_; }
  int BaseY() const { return baseY_; }
  int ToPixelsX(int dlu) const;
  int ToPixelsY(int dlu) const;
  // A dialog-unit rectangle (left, top, width, height) in pixels.
  QRect ToPixels(int x, int y, int cx, int cy) const;
  QSize ToPixels(int cx, int cy) const;

 private:
  int baseX_;
  int baseY_;
};

// Horizontal alignment of a static text (SS_LEFT, SS_CENTER); SS_CENTERIMAGE
// centres it vertically; SS_SUNKEN gives it a sunken frame.
struct StaticStyle {
  bool centreHorizontally = false;
  bool centreVertically = false;
  bool sunken = false;
};

class DialogBuilder {
 public:
  // Gives `dialog` the General font (the user's General font as a QFont), the caption and a fixed client size
  // of cx by cy dialog units; closing by the title bar's box only (no help or resize).
  DialogBuilder(QDialog& dialog, const QFont& generalFont, const QString& caption, int cx, int cy);

  const DialogUnits& Units() const { return units_; }
  const QFont& Font() const { return font_; }

  // Each Add* creates a child control of the dialog at the dialog-unit
  // rectangle; `id` becomes its object name "id<n>" (-1: no id, no name).
  QPushButton* AddButton(int id, const QString& text, int x, int y, int cx, int cy, bool isDefault = false);
  QLabel* AddStatic(int id, const QString& text, int x, int y, int cx, int cy, StaticStyle style);
  // A group box is a frame drawn behind the controls it surrounds, as in
  // the templates; it is lowered below its siblings.
  QGroupBox* AddGroupBox(int id, const QString& text, int x, int y, int cx, int cy);
  // Places an existing child control.
  void Place(QWidget* control, int id, int x, int y, int cx, int cy);

 private:
  QDialog& dialog_;
  QFont font_;
  DialogUnits units_;
};

// Centres `window` over `owner` (its frame over the owner's frame), or over
// the primary screen when there is no owner.
void CentreOver(QWidget& window, const QWidget* owner);

// The control with template id `id` among the children of `dialog`.
template <typename W>
W* FindControl(const QWidget& dialog, int id) {
  return dialog.findChild<W*>(QStringLiteral("id%1").arg(id));
}

}  // namespace cfv
