// Every dialog of the program against one contract, in both languages: a
// fixed size of its template in dialog units of the General font, every
// control and text inside, centred over its owner, and how it ends (its
// buttons, Enter, Escape, the close box) with what it then holds.
#include <QEventLoop>
#include <QLabel>
#include <QtTest>
#include <cmath>

#include "app/about_dlg.h"
#include "common/ui/dialog_layout.h"
#include "containers/ui/wait_dlg.h"
#include "export/ui/export_dlg.h"
#include "gui_test.h"
#include "modal_dialog.h"
#include "settings/ui/font_conversion.h"
#include "settings/ui/option_config_dlg.h"

using namespace cfv;

namespace {

// The dialog of `kind` in `font`. Configuration gets the General font and
// two a pixel smaller each, and a chooser that gives the face "Chosen".
std::unique_ptr<QDialog> Make(const QString& kind, const LogFont& font, UiLanguage language, QWidget& owner) {
  if (kind == "export") return std::make_unique<CExportDlg>(font, language);
  if (kind == "about") return std::make_unique<CAboutDlg>(font, language);
  if (kind == "progress") return std::make_unique<CWaitDlg>(&owner, font, language);
  LogFont tree = font, viewer = font;
  tree.lfHeight -= 1;
  viewer.lfHeight -= 2;
  return std::make_unique<COptionConfigDlg>(UserFonts{font, tree, viewer}, language, 96,
                                            [](const LogFont& initial, QWidget*) {
                                              LogFont chosen = initial;
                                              chosen.SetFaceName("Chosen");
                                              return std::optional<LogFont>(chosen);
                                            });
}

// Runs `dialog` to its end: "<result>" and what it then holds.
QString RunToEnd(QDialog& dialog, QWidget& owner) {
  if (auto* d = qobject_cast<CExportDlg*>(&dialog)) {
    const int result = d->Show(&owner);
    return QString::asprintf("%d skip=%d rename=%d", result, d->Options().skipExtractable,
                             d->Options().renameExtension);
  }
  if (auto* d = qobject_cast<CAboutDlg*>(&dialog)) {
    const int result = d->Show(&owner);
    const auto labels = d->findChildren<QLabel*>();
    return QString::number(result) +
           (std::any_of(labels.begin(), labels.end(), [](QLabel* l) { return !l->pixmap().isNull(); })
                ? " icon"
                : "");
  }
  if (auto* d = qobject_cast<CWaitDlg*>(&dialog)) {
    auto control = std::make_shared<LoadControl>();
    d->Open(control, [] { return false; });
    QEventLoop loop;
    QObject::connect(d, &QDialog::finished, &loop, &QEventLoop::exit);
    const int result = loop.exec();
    return QString::number(result) + (control->abortRequested ? " aborted" : "");
  }
  // Configuration: the fonts the chooser replaced, each from the right one.
  auto& d = static_cast<COptionConfigDlg&>(dialog);
  const UserFonts before = d.Fonts();
  QString out = QString::number(d.Show(&owner));
  const std::pair<const char*, const LogFont*> fonts[] = {
      {" general", &before.general}, {" fileTree", &before.fileTree}, {" viewer", &before.viewer}};
  const LogFont* now[] = {&d.Fonts().general, &d.Fonts().fileTree, &d.Fonts().viewer};
  for (int i = 0; i < 3; ++i) {
    if (now[i]->FaceName() == "Chosen") out += fonts[i].first;
    if (now[i]->lfHeight != fonts[i].second->lfHeight) out += " (from the wrong font)";
    if (!FindControl<QLabel>(d, COptionConfigDlg::kIdDescGeneral + i)
             ->text()
             .startsWith(now[i]->FaceName().c_str()))
      out += " (description not shown)";
  }
  return out;
}

// cx by cy dialog units in `font`, with base units worked out here: the
// average width of the letters rounded, and the line height.
QSize TemplateSize(const QFont& font, QSize dialogUnits) {
  const QFontMetrics m(font);
  const long baseX =
      std::lround(m.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52.0);
  return QSize(int(std::lround(dialogUnits.width() * baseX / 4.0)),
               int(std::lround(dialogUnits.height() * m.height() / 8.0)));
}

}  // namespace

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void Contract_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("japanese");
    QTest::addColumn<QString>("actions");  // for cfv::test::Do
    QTest::addColumn<QString>("outcome");
    const auto row = [](const char* kind, bool japanese, const char* actions, const char* outcome) {
      QTest::addRow("%s: %s%s", kind, actions, japanese ? ", Japanese" : "")
          << kind << japanese << actions << outcome;
    };
    row("export", false, "1", "1 skip=1 rename=1");
    row("export", false, "1008 1009 1", "1 skip=0 rename=0");
    row("export", true, "1009 enter", "1 skip=1 rename=0");
    row("export", false, "1008 1009 1010 1008 1", "1 skip=0 rename=1");  // Default checks both, stays open
    row("export", true, "1008 2", "2 skip=0 rename=1");
    row("export", false, "esc", "2 skip=1 rename=1");
    row("export", false, "close", "2 skip=1 rename=1");
    row("configuration", false, "1", "1");
    row("configuration", true, "enter", "1");
    row("configuration", false, "1001 1", "1 fileTree");
    row("configuration", true, "1000 1001 1002 1", "1 general fileTree viewer");
    row("configuration", false, "1002 2", "2 viewer");
    row("configuration", true, "1000 esc", "2 general");
    row("configuration", false, "close", "2");
    row("about", false, "1", "1 icon");
    row("about", true, "enter", "1 icon");
    row("about", false, "esc", "2 icon");
    row("about", true, "close", "2 icon");
    row("progress", false, "2", "2 aborted");
    row("progress", true, "esc", "2 aborted");
    row("progress", false, "close", "2 aborted");
  }
  void Contract() {
    QFETCH(QString, kind);
    QFETCH(bool, japanese);
    QFETCH(QString, actions);
    const std::map<QString, QSize> templates{{"export", {300, 204}},
                                             {"configuration", {288, 138}},
                                             {"about", {187, 102}},
                                             {"progress", {252, 72}}};
    const UiLanguage language = japanese ? UiLanguage::kJapanese : UiLanguage::kEnglish;
    LogFont general = MakeDefaultFont(language, 96);
    general.lfHeight = japanese ? -20 : -13;
    QWidget owner;
    owner.setGeometry(100, 80, 900, 700);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    std::unique_ptr<QDialog> dialog = Make(kind, general, language, owner);
    test::ModalDriver modals({[&](QWidget* w) {
      QCOMPARE(w->font(), ToQFont(general));
      // Configure Export grows downwards where a long explanation needs it.
      const QSize size = TemplateSize(ToQFont(general), templates.at(kind));
      QCOMPARE(w->width(), size.width());
      QVERIFY(w->height() == size.height() || (kind == "export" && w->height() > size.height()));
      QVERIFY(w->minimumSize() == w->size() && w->maximumSize() == w->size());
      QVERIFY((w->frameGeometry().center() - owner.frameGeometry().center()).manhattanLength() <= 2);
      for (QWidget* control : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        QVERIFY2(w->rect().contains(control->geometry()), qPrintable(control->objectName()));
        auto* label = qobject_cast<QLabel*>(control);
        const int flags = label ? int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0) : 0;
        if (label)
          QVERIFY2(label->contentsRect().contains(
                       label->fontMetrics().boundingRect(label->contentsRect(), flags, label->text())),
                   qPrintable(label->text()));
      }
      test::Do(actions)(w);
    }});
    QTEST(RunToEnd(*dialog, owner), "outcome");
    QCOMPARE(modals.seen, QStringList{dialog->metaObject()->className()});
  }
};

CFV_GUI_TEST(DialogsTest)
#include "dialogs_test.moc"
