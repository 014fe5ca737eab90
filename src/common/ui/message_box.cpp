#include "common/ui/message_box.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLibraryInfo>
#include <QLocale>
#include <QSpacerItem>
#include <QTranslator>
#include <cstring>

#include "common/ui/ui_text.h"

namespace cfv {

void FitCaption(QMessageBox& box, const QString& caption) {
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (grid == nullptr) return;
  // Title bars usually draw the caption bold; beside it sit the window
  // icon and up to three buttons, each about a line high and a half wide.
  QFont titleFont = box.font();
  titleFont.setBold(true);
  const QFontMetrics metrics(titleFont);
  const int width = metrics.horizontalAdvance(caption) + 6 * metrics.height() + 32;
  // QMessageBox sizes itself from its layout and ignores a minimum width:
  // a spacer across the whole layout is what it keeps to.
  grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), grid->rowCount(), 0,
                1, grid->columnCount());
}

int ShowMessageBox(QWidget* owner, QMessageBox::Icon icon, const QString& caption, const QString& text,
                   QMessageBox::StandardButtons buttons) {
  QMessageBox box(icon, caption, text, buttons, owner);
  box.setTextFormat(Qt::PlainText);
  FitCaption(box, caption);
  return box.exec();
}

QString ReadErrorText(UiLanguage language, int error) {
  const QString text = UiText(texts::kExportReadError, language);
  if (error == 0) return text;
  return text + '\n' + UiFormat(texts::kReadErrorReason, language, {std::strerror(error)});
}

void ShowReadErrorBox(const UiContext& context, int error) {
  ShowMessageBox(context.owner, QMessageBox::Critical, context.caption,
                 ReadErrorText(context.language, error), QMessageBox::Ok);
}

bool InstallQtTranslations(UiLanguage language) {
  if (language != UiLanguage::kJapanese) return false;
  // What Qt words from the default locale rather than its translations (the
  // file types in its file dialog) in Japanese too.
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  static QTranslator* installed = nullptr;
  if (installed != nullptr) return true;
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                        QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  QCoreApplication::installTranslator(translator);
  installed = translator;
  return true;
}

}  // namespace cfv
