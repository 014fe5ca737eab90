// The preview panes without a main window: View as Hex shows text entries
// as a hex dump, stays on for later selections, and gives the text back when
// unchecked; the item sits in the context menus of both panes.
#include "preview/ui/preview_panes.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTimer>
#include <QtTest>

#include "containers/loader.h"
#include "custom_file_builder.h"
#include "preview/ui/hex_view.h"

using namespace cfv;

class PreviewPanesTest : public QObject {
  Q_OBJECT

 private slots:
  void viewAsHexShowsTextEntriesAsHexUntilUnchecked() {
    test::TempDir dir;
    test::WriteFile(dir / "a.god", test::Serialize({test::Leaf("a.t", "hello world"),
                                                    test::Leaf("b.t", test::Zlib("second")),
                                                    test::Branch("c.npc", {test::Leaf("d.t", "x")})}));
    EntryTree tree;
    QVERIFY(LoadCustomFile(dir / "a.god", (dir / "a.god").string(), tree));
    const ItemId a = tree.FirstChild(tree.FirstRoot());
    const ItemId b = tree.NextSibling(a);
    QWidget parent;
    CPreviewPanes panes(parent, parent, UiLanguage::kEnglish);
    QWidget* shown = nullptr;
    connect(&panes, &CPreviewPanes::PaneShown, [&](QWidget* pane) { shown = pane; });
    const auto hexBytes = [&] {
      const EntryData& data = panes.HexView().Data();
      return std::string(reinterpret_cast<const char*>(data.data()), data.size());
    };

    panes.ShowItem(tree, a);
    QCOMPARE(shown, static_cast<QWidget*>(&panes.TextView()));
    panes.ViewAsHex().setChecked(true);  // the entry on screen turns to hex at once
    QCOMPARE(shown, static_cast<QWidget*>(&panes.HexView()));
    QVERIFY(panes.TextView().isHidden() && !panes.HexView().isHidden());
    QCOMPARE(hexBytes(), std::string("hello world"));
    panes.ShowItem(tree, b);  // stays on, inflated data
    QCOMPARE(shown, static_cast<QWidget*>(&panes.HexView()));
    QCOMPARE(hexBytes(), std::string("second"));
    panes.ViewAsHex().setChecked(false);
    QCOMPARE(shown, static_cast<QWidget*>(&panes.TextView()));
    QTRY_COMPARE(panes.TextView().toPlainText(), QStringLiteral("second"));
    QVERIFY(panes.HexView().isHidden());
  }

  void bothPanesOfferTheItemInTheirContextMenu() {
    QWidget parent;
    CPreviewPanes panes(parent, parent, UiLanguage::kJapanese);
    QCOMPARE(panes.ViewAsHex().text(), QStringLiteral("16進表示"));
    for (QWidget* pane :
         {static_cast<QWidget*>(&panes.TextView()), static_cast<QWidget*>(&panes.HexView())}) {
      bool offered = false;
      QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu != nullptr);
        offered = menu->actions().contains(&panes.ViewAsHex());
        menu->close();
      });
      emit pane->customContextMenuRequested(QPoint(5, 5));
      QVERIFY(offered);
    }
  }
};

QTEST_MAIN(PreviewPanesTest)
#include "preview_panes_test.moc"
