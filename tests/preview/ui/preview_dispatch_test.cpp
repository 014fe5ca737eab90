// The preview in a real main window over two real custom files: which pane
// shows what after a run of selections, what stays, and a custom file that
// has gone away; and what the text and image panes make of entry data.
#include <QApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>
#include <algorithm>

#include "containers/cp932.h"
#include "frame_harness.h"
#include "gui_test.h"
#include "modal_dialog.h"
#include "preview/classify.h"
#include "preview/ui/hex_view.h"
#include "preview/ui/preview_content.h"
#include "preview/ui/preview_panes.h"
#include "test_sounds.h"

using namespace cfv;
using namespace cfv::test;
namespace fs = std::filesystem;

namespace {

const QString kPrompt = QStringLiteral("子アイテムを選択してください");

// About 300,000 characters of CR LF lines, many screens of the text view.
std::string LongText() {
  std::string text;
  for (int i = 0; i < 12000; ++i)
    text += "line " + std::to_string(i) + " \x83\x65\x83\x4C\x83\x58\x83\x67\r\n";
  return text + "end";
}

// Short lines past the first screen, then a run without blanks long enough
// to wrap anywhere.
std::string LateRun() {
  std::string text;
  while (text.size() < 40000) text += "short line\r\n";
  return text + std::string(12000, 'x');
}

// clang-format off
std::string Content() {
  return Serialize({Leaf("pic.txt", MakeBmp(30, 20)), Leaf("wave.bin", MakeWav(4000)), Leaf("BGM.MP3", MakeMp3(40)),
      Leaf("a.Mid", MakeMidi()), Leaf("mid", "three letters"), Leaf("y.mp3", MakeBmp(5, 5)),
      Leaf("日本語.t", EncodeCp932("日本語のテキスト\r\n二行目") + std::string("\0after", 6)),
      Leaf("packed.t", Zlib("text that was compressed")), Leaf("bad.bmp", "BM but no picture"),
      Leaf("run.t", std::string(1024 * 1024, '7')), Leaf("long.t", LongText()), Leaf("late run.t", LateRun()),
      Branch("sub.npc", {Leaf("inner.txt", "inner text")})});
}
// clang-format on

QString Text(const std::string& cp932) {
  return QString::fromStdString(DecodeCp932(cp932)).replace("\r\n", "\n");
}
QString Sound(const char* device, std::size_t bytes) {
  return QStringLiteral("sound %1 %2").arg(device).arg(bytes);
}

}  // namespace

class PreviewDispatchTest : public QObject {
  Q_OBJECT

  // The one pane showing, and what it shows: "text: ...", "hex: ...",
  // "image <width>x<height> x<zoom>" or "sound <device> <bytes>[ playing]".
  static QString Shown(const CMainFrame& frame) {
    const CPreviewPanes& panes = frame.PreviewPanes();
    QStringList shown;
    if (!panes.TextView().isHidden()) shown << "text: " + panes.TextView().toPlainText();
    const EntryData& hex = panes.HexView().Data();
    if (!panes.HexView().isHidden())
      shown << "hex: " +
                   QString::fromLatin1(reinterpret_cast<const char*>(hex.data()), qsizetype(hex.size()));
    const CZoomScrollView& image = panes.ImageView();
    if (!image.isHidden())
      shown << QStringLiteral("image %1x%2 x%3")
                   .arg(image.Bitmap().width())
                   .arg(image.Bitmap().height())
                   .arg(image.ZoomFactor());
    const CMusicPlayerView& player = panes.MusicPlayerView();
    if (!player.isHidden())
      shown << Sound(SoundDeviceName(player.DeviceType()).data(), player.Sound().size()) +
                   (player.IsPlaying() ? " playing" : "");
    return shown.join(" AND ");
  }

 private slots:
  // Steps select the entry so named ("/x" the root item of file x), or:
  // "^zoom" zooms the picture to 2.5, "^play" clicks Play, "^hex" toggles
  // View as Hex, "^remove" deletes the custom file and "^restore" writes it
  // again. `textView`, when given, is what the text view holds while
  // another pane shows; `boxes` is the number of read error boxes.
  void Dispatch_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("textView");
    QTest::addColumn<int>("boxes");
    const auto row = [](const char* name, QStringList steps, QString shown, QString textView = {},
                        int boxes = 0) { QTest::newRow(name) << steps << shown << textView << boxes; };
    // clang-format off
    row("code page 932 up to a zero", {"日本語.t"}, "text: 日本語のテキスト\n二行目");
    row("long, filled in after its first screen", {"long.t"}, "text: " + Text(LongText()));
    row("a long text gives way to the next", {"long.t", "mid"}, "text: three letters");
    row("a late long run wraps anywhere", {"late run.t"}, "text: " + Text(LateRun()));
    row("a megabyte without blanks", {"run.t"}, "text: " + QString(1024 * 1024, '7'));
    row("wrapping at words again after it", {"run.t", "mid"}, "text: three letters");
    row("deep in its own file", {"leaf.t"}, "text: deep leaf");
    row("a bitmap that does not decode", {"pic.txt", "bad.bmp"}, "image 0x0 x1");
    row("zoom survives text and sound", {"pic.txt", "^zoom", "mid", "BGM.MP3", "y.mp3"}, "image 5x5 x2.5");
    row("playing goes on, new data waits for Play", {"wave.bin", "^play", "mid", "pic.txt", "BGM.MP3"}, Sound("MPEGVideo", MakeMp3(40).size()) + " playing");
    row("a root item keeps the picture", {"pic.txt", "/content.god"}, "image 30x20 x1", kPrompt);
    row("a branch over text", {"mid", "sub.npc"}, "text: " + kPrompt);
    row("a branch keeps the sound", {"a.Mid", "sub.npc"}, Sound("sequencer", MakeMidi().size()), kPrompt);
    row("View as Hex stays on", {"mid", "^hex", "packed.t"}, "hex: text that was compressed");
    row("View as Hex off", {"mid", "^hex", "packed.t", "^hex"}, "text: text that was compressed");
    row("View as Hex leaves pictures", {"^hex", "pic.txt"}, "image 30x20 x1");
    row("file gone: the preview stays", {"mid", "pic.txt", "^remove", "日本語.t"}, "image 30x20 x1", "three letters", 1);
    row("file gone: a branch needs none", {"pic.txt", "^remove", "sub.npc"}, "image 30x20 x1", kPrompt);
    row("file back", {"pic.txt", "^remove", "日本語.t", "^restore", "a.Mid"}, Sound("sequencer", MakeMidi().size()), "", 1);
    // clang-format on
  }
  void Dispatch() {
    QFETCH(QStringList, steps);
    QFETCH(QString, shown);
    QFETCH(QString, textView);
    FrameHarness h;
    WriteFile(h.dir / "content.god", Content());
    WriteFile(h.dir / "second.item",
              Serialize({Branch("deep.cmp", {Branch("deeper.cmp", {Leaf("leaf.t", "deep leaf")})})}));
    h.Show();
    h.Load(h.dir / "content.god");
    h.Load(h.dir / "second.item");
    ModalDriver boxes;
    for (const QString& step : steps) {
      if (step == "^zoom") {
        h->ImageView().Zoom(2.5);
      } else if (step == "^play") {
        QTest::mouseClick(h->MusicPlayerView().PlayButton(), Qt::LeftButton);
      } else if (step == "^hex") {  // from the context menu of the text or hex pane showing
        CPreviewPanes& panes = h->PreviewPanes();
        QTimer::singleShot(0, [&] {
          auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
          QVERIFY(menu != nullptr && menu->actions().contains(&panes.ViewAsHex()));
          panes.ViewAsHex().trigger();
          menu->close();
        });
        QWidget* pane =
            panes.HexView().isHidden() ? static_cast<QWidget*>(&panes.TextView()) : &panes.HexView();
        emit pane->customContextMenuRequested(QPoint(5, 5));
      } else if (step == "^remove") {
        fs::remove(h.dir / "content.god");
      } else if (step == "^restore") {
        WriteFile(h.dir / "content.god", Content());
      } else {
        h.Select(step.startsWith('/') ? (h.dir / step.mid(1).toStdString()).string() : step.toStdString());
      }
    }
    QTRY_COMPARE(Shown(*h), shown);
    for (int turn = 0; turn < 3; ++turn) QCoreApplication::processEvents();  // nothing more comes
    QCOMPARE(Shown(*h), shown);
    if (shown.startsWith("text"))
      QCOMPARE(h->TextView().wordWrapMode(), PreviewWrapMode(h->TextView().toPlainText()));
    if (!textView.isEmpty()) QCOMPARE(h->TextView().toPlainText(), textView);
    QTEST(int(boxes.seen.size()), "boxes");
    QCOMPARE(boxes.seen.filter(QRegularExpression("^critical: ")).size(), boxes.seen.size());
    QCOMPARE(fs::exists(h.dir / "play.tmp"), steps.contains("^play"));
  }

  // A run without blanks longer than kLongRun makes the view wrap anywhere.
  void WrapMode_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("anywhere");
    const QString run(kLongRun, 'x');
    QTest::newRow("run at the limit") << run << false;
    QTest::newRow("run past the limit") << run + "x" << true;
    QTest::newRow("long run after words") << "some words " + run + "y" << true;
    QTest::newRow("runs cut by line ends") << (run + "\n").repeated(5) << false;
  }
  void WrapMode() {
    QFETCH(QString, text);
    QTEST(PreviewWrapMode(text) == QTextOption::WrapAnywhere, "anywhere");
  }

  // Plain 24-bit bitmaps take a quick path of their own: the picture must
  // equal what the general reader makes of the same bytes.
  void Bitmap_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("decodes");
    const QByteArray plain = QByteArray::fromStdString(MakeBmp(7, 5));
    QByteArray topDown = plain;
    topDown.replace(22, 4, "\xFB\xFF\xFF\xFF");
    QByteArray gap = plain;
    gap.insert(54, QByteArray(10, '\x55'));
    gap[10] = 64;
    QTest::newRow("bottom-up, rows padded") << plain << true;
    QTest::newRow("top-down") << topDown << true;
    QTest::newRow("pixels after a gap") << gap << true;
    QTest::newRow("BM alone") << QByteArray("BM") << false;
    QTest::newRow("BM and text") << QByteArray("BM this is not a picture") << false;
    QTest::newRow("cut header") << plain.left(20) << false;
  }
  void Bitmap() {
    QFETCH(QByteArray, bytes);
    EntryData data(static_cast<std::size_t>(bytes.size()));
    std::copy(bytes.begin(), bytes.end(), data.data());
    const QImage image = DecodePreviewImage(data);
    QTEST(!image.isNull(), "decodes");
    QVERIFY(!image.hasAlphaChannel());
    if (!image.isNull())
      QCOMPARE(image.convertToFormat(QImage::Format_RGB32),
               QImage::fromData(bytes, "BMP").convertToFormat(QImage::Format_RGB32));
  }
};

CFV_GUI_TEST(PreviewDispatchTest)
#include "preview_dispatch_test.moc"
