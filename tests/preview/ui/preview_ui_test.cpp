// The preview panes in a real main window over real custom files; what the
// text and image panes make of entry data; the zoom view; the music player,
// heard through SDL's disk audio driver (it writes what would reach the
// speakers to a file), and troubles with its temporary file.
#include <sys/resource.h>

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QWheelEvent>
#include <QtTest>
#include <algorithm>
#include <csignal>

#include "containers/cp932.h"
#include "frame_harness.h"
#include "gui_test.h"
#include "modal_dialog.h"
#include "preview/classify.h"
#include "preview/ui/hex_view.h"
#include "preview/ui/music_player_view.h"
#include "preview/ui/preview_content.h"
#include "preview/ui/preview_panes.h"
#include "preview/ui/zoom_scroll_view.h"
#include "test_sounds.h"

using namespace cfv;
using namespace cfv::test;
namespace fs = std::filesystem;

namespace {

// Rows of the tables below.
// clang-format off
struct DispatchRow { QStringList steps; QString shown, textView{}; int boxes = 0; };
struct StepsRow { QString picture, steps, outcome; };
struct DrawingRow { QString picture; QRect blue; QString steps, probes; };
struct SoundRow { std::string sound; SoundDevice type; bool plays; };
// clang-format on

// A RIFF file that is no wave sound (an AVI-like header).
const std::string kRiffVideo("RIFF\x10\0\0\0AVI LIST\x04\0\0\0hdrl", 24);

const QString kPrompt = QStringLiteral("子アイテムを選択してください");

// About 300,000 characters of CR LF lines, many screens of the text view,
// then a run without blanks long enough to wrap anywhere.
std::string LongText() {
  std::string text;
  for (int i = 0; i < 12000; ++i)
    text += "line " + std::to_string(i) + " \x83\x65\x83\x4C\x83\x58\x83\x67\r\n";
  return text + std::string(12000, 'x');
}

// clang-format off
std::string Content() {
  return Serialize({Leaf("pic.txt", MakeBmp(30, 20)), Leaf("wave.bin", MakeWav(4000)), Leaf("BGM.MP3", MakeMp3(40)),
      Leaf("a.Mid", MakeMidi()), Leaf("mid", "three letters"), Leaf("y.mp3", MakeBmp(5, 5)),
      Leaf("日本語.t", EncodeCp932("日本語のテキスト\r\n二行目") + std::string("\0after", 6)),
      Leaf("packed.t", Zlib("text that was compressed")), Leaf("bad.bmp", "BM but no picture"),
      Leaf("run.t", std::string(1024 * 1024, '7')), Leaf("long.t", LongText()),
      Branch("sub.npc", {Leaf("inner.txt", "inner text")})});
}
// clang-format on

QSize Size(const QString& text) {
  return QSize(text.section('x', 0, 0).toInt(), text.section('x', 1).toInt());
}

// A red picture with a blue `square`.
QImage Picture(QSize size, QRect square = {}) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::red);
  QPainter(&image).fillRect(square, Qt::blue);
  return image;
}

void Wheel(CZoomScrollView& view, QPoint angle, Qt::KeyboardModifiers modifiers) {
  QWheelEvent event(QPointF(10, 10), view.viewport()->mapToGlobal(QPointF(10, 10)), QPoint(), angle,
                    Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
  QApplication::sendEvent(view.viewport(), &event);
}

// A shown view whose pane is 400 x 300 without scroll bars, showing
// `picture` ("WxH", or none), then the steps: "+n" / "-n" turn the wheel n
// notches with Ctrl, "=f" zooms to f, "x:n" / "y:n" move a scroll bar,
// "wheel", "wheel+" and "hwheel" turn the wheel one notch down, up and
// sideways, "page:x", "page-:x" and "line:y" click a bar, "new:WxH" shows
// a new picture, "null" none, "size:WxH" resizes the view.
std::unique_ptr<CZoomScrollView> View(const QString& picture, const QString& steps, QRect square = {}) {
  auto view = std::make_unique<CZoomScrollView>();
  view->resize(400 + 2 * view->frameWidth(), 300 + 2 * view->frameWidth());
  view->show();
  if (!QTest::qWaitForWindowExposed(view.get())) qWarning("view not exposed");
  if (!picture.isEmpty()) view->SetBitmap(Picture(Size(picture), square));
  QCoreApplication::processEvents();  // the scroll bars show or hide from the event loop
  for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
    const QString arg = step.section(':', 1);
    QScrollBar* bar = step.contains('x') ? view->horizontalScrollBar() : view->verticalScrollBar();
    for (int i = 0; (step[0] == '+' || step[0] == '-') && i < std::abs(step.toInt()); ++i)
      Wheel(*view, QPoint(0, step[0] == '+' ? 120 : -120), Qt::ControlModifier);
    if (step[0] == '=') view->Zoom(step.mid(1).toFloat());
    if (step[1] == ':') bar->setValue(arg.toInt());  // "x:n" or "y:n"
    if (step.startsWith("wheel")) Wheel(*view, QPoint(0, step == "wheel" ? -120 : 120), Qt::NoModifier);
    if (step == "hwheel") Wheel(*view, QPoint(-120, 0), Qt::NoModifier);
    if (step.startsWith("page:")) bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    if (step.startsWith("page-:")) bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    if (step.startsWith("line:")) bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    if (step.startsWith("new:")) view->SetBitmap(Picture(Size(arg)));
    if (step == "null") view->SetBitmap(QImage());
    if (step.startsWith("size:")) view->resize(Size(arg));
    QCoreApplication::processEvents();
  }
  return view;
}

}  // namespace

Q_DECLARE_METATYPE(DispatchRow)
Q_DECLARE_METATYPE(StepsRow)
Q_DECLARE_METATYPE(DrawingRow)
Q_DECLARE_METATYPE(SoundRow)

class PreviewDispatchTest : public QObject {
  Q_OBJECT

  // The one pane showing, and what it shows: "text: ...", "hex<bytes a line>[ cut]: ...",
  // "image <width>x<height> x<zoom>" or "sound <device> <bytes>[ playing]".
  static QString Shown(const CMainFrame& frame) {
    const CPreviewPanes& panes = frame.PreviewPanes();
    QStringList shown;
    if (!panes.TextView().isHidden()) shown << "text: " + panes.TextView().toPlainText();
    const EntryData& hex = panes.HexView().Data();
    if (!panes.HexView().isHidden())
      shown << "hex" + QString::number(panes.HexView().BytesPerLine()) +
                   (panes.HexView().horizontalScrollBar()->maximum() > 0 ? " cut: " : ": ") +
                   QString::fromLatin1(QByteArrayView(hex.data(), hex.size()));
    const CZoomScrollView& image = panes.ImageView();
    if (!image.isHidden())
      shown << QString::asprintf("image %dx%d x%g", image.Bitmap().width(), image.Bitmap().height(),
                                 image.ZoomFactor());
    const CMusicPlayerView& player = panes.MusicPlayerView();
    if (!player.isHidden())
      shown << QString::asprintf("sound %s %zu%s", SoundDeviceName(player.DeviceType()).data(),
                                 player.Sound().size(), player.IsPlaying() ? " playing" : "");
    return shown.join(" AND ");
  }

 private slots:
  // Steps select the entry so named, or: "^zoom" zooms the picture to 2.5, "^play" clicks Play, "^hex"
  // toggles View as Hex, "^wide" widens the window from 1000 to 1600 pixels, "^remove" deletes the custom
  // file and "^restore" writes it again. `textView`, when given, is what the text view holds while another
  // pane shows; `boxes` is the number of read error boxes.
  void Dispatch_data() {
    QTest::addColumn<DispatchRow>("row");
    // clang-format off
    const auto row = [](const char* name, DispatchRow r) { QTest::newRow(name) << r; };
    row("code page 932 up to a zero", {{"日本語.t"}, "text: 日本語のテキスト\n二行目"});
    row("long, filled in after its first screen, a late run wraps anywhere", {{"long.t"}, "text: " + QString::fromStdString(DecodeCp932(LongText())).replace("\r\n", "\n")});
    row("a megabyte without blanks", {{"run.t"}, "text: " + QString(1024 * 1024, '7')});
    row("a long text gives way; wrapping at words again", {{"long.t", "run.t", "mid"}, "text: three letters"});
    row("deep in its own file", {{"leaf.t"}, "text: deep leaf"});
    row("a bitmap that does not decode", {{"pic.txt", "bad.bmp"}, "image 0x0 x1"});
    row("zoom survives text and sound", {{"pic.txt", "^zoom", "mid", "BGM.MP3", "y.mp3"}, "image 5x5 x2.5"});
    row("playing goes on, new data waits for Play", {{"wave.bin", "^play", "mid", "pic.txt", "BGM.MP3"}, "sound MPEGVideo " + QString::number(MakeMp3(40).size()) + " playing"});
    row("a branch over text", {{"mid", "sub.npc"}, "text: " + kPrompt});
    row("View as Hex stays on, 8 bytes a line", {{"mid", "^hex", "packed.t"}, "hex8: text that was compressed"});
    row("View as Hex, 16 bytes in a wide pane", {{"mid", "^hex", "^wide", "packed.t"}, "hex16: text that was compressed"});
    row("View as Hex off", {{"mid", "^hex", "packed.t", "^hex"}, "text: text that was compressed"});
    row("View as Hex leaves pictures", {{"^hex", "pic.txt"}, "image 30x20 x1"});
    row("file gone: the preview stays", {{"mid", "pic.txt", "^remove", "日本語.t"}, "image 30x20 x1", "three letters", 1});
    row("file gone: a branch needs none", {{"pic.txt", "^remove", "sub.npc"}, "image 30x20 x1", kPrompt});
    row("file back", {{"pic.txt", "^remove", "日本語.t", "^restore", "a.Mid"}, "sound sequencer " + QString::number(MakeMidi().size()), "", 1});
    // clang-format on
  }
  void Dispatch() {
    QFETCH(DispatchRow, row);
    const auto& [steps, shown, textView, boxCount] = row;
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
        emit(panes.HexView().isHidden() ? static_cast<QWidget*>(&panes.TextView()) : &panes.HexView())
            ->customContextMenuRequested(QPoint(5, 5));
      } else if (step == "^wide") {
        h->resize(1600, 700);
      } else if (step == "^remove") {
        fs::remove(h.dir / "content.god");
      } else if (step == "^restore") {
        WriteFile(h.dir / "content.god", Content());
      } else {
        h.Select(step.toStdString());
      }
    }
    QTRY_COMPARE(Shown(*h), shown);
    for (int turn = 0; turn < 3; ++turn) QCoreApplication::processEvents();  // nothing more comes
    QCOMPARE(Shown(*h), shown);
    if (int run = 0; shown.startsWith("text"))
      QCOMPARE(h->TextView().wordWrapMode() == QTextOption::WrapAnywhere,
               HasLongRun(h->TextView().toPlainText(), run));
    if (!textView.isEmpty()) QCOMPARE(h->TextView().toPlainText(), textView);
    QCOMPARE(int(boxes.seen.size()), boxCount);
    QCOMPARE(boxes.seen.filter(QRegularExpression("^critical: ")).size(), boxes.seen.size());
    QCOMPARE(fs::exists(h.dir / "play.tmp"), steps.contains("^play"));
  }

  // A run without blanks longer than kLongRun makes the view wrap anywhere;
  // line ends cut runs.
  void WrapMode() {
    int carried = 0;
    QVERIFY(HasLongRun(QString(kLongRun + 1, 'x'), carried));
    QVERIFY(!HasLongRun((QString(kLongRun, 'x') + "\n").repeated(5), carried = 0));
  }

  // Plain 24-bit bitmaps take a quick path of their own: the picture must
  // equal what the general reader makes of the same bytes.
  void Bitmap_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray plain = QByteArray::fromStdString(MakeBmp(7, 5));
    QTest::newRow("bottom-up, rows padded") << plain;
    QTest::newRow("top-down") << QByteArray(plain).replace(22, 4, "\xFB\xFF\xFF\xFF");
    QTest::newRow("pixels at 64, after a gap")
        << QByteArray(plain).insert(54, QByteArray(10, 'U')).replace(10, 1, "@");
    QTest::newRow("cut header") << plain.left(20);
  }
  void Bitmap() {
    QFETCH(QByteArray, bytes);
    EntryData data(static_cast<std::size_t>(bytes.size()));
    std::copy(bytes.begin(), bytes.end(), data.data());
    const QImage image = DecodePreviewImage(data);
    QVERIFY(!image.hasAlphaChannel());
    QCOMPARE(image.convertToFormat(QImage::Format_RGB32),
             QImage::fromData(bytes, "BMP").convertToFormat(QImage::Format_RGB32));
  }
};

class ZoomScrollViewTest : public QObject {
  Q_OBJECT

 private slots:
  // Outcome: "<zoom> <scroll size> at <scroll position> bars <h, v>"; "*"
  // where zooming has kept the centre point. Zooming keeps the point at the
  // centre of the pane (386 x 286 beside both bars) where it was, each wheel
  // step truncating: at 1.5 (500 + 193) * 1.5 - 193 = 846.5 gives 846.
  void Steps_data() {
    QTest::addColumn<StepsRow>("row");
    // clang-format off
    const auto row = [](const char* name, StepsRow r) { QTest::newRow(name) << r; };
    row("back from the top by half", {"33x7", "+250 -1", "99.5 3283x696 at * bars hv"});
    row("truncated at 1.5", {"333x77", "+1", "1.5 499x115 at * bars h"});
    row("factor 0 and below ignored", {"", "=3 =0 =-1.5", "3 1920x1440 at * bars hv"});
    row("tiny factor clamped", {"", "=0.01", "0.1 64x48 at 0,0 bars "});
    row("huge factor clamped", {"", "=1000", "100 64000x48000 at * bars hv"});
    row("new picture: zoom kept, back to 0", {"2000x1500", "x:700 y:500 +3 new:2000x1500", "2.5 5000x3750 at 0,0 bars hv"});
    row("back stays at 0.5, near the origin", {"3000x3000", "-10", "0.5 1500x1500 at 0,0 bars hv"});
    row("wheel: down and up by lines", {"2000x3000", "wheel wheel wheel+", "1 2000x3000 at 0,90 bars hv"});
    row("wheel: sideways when low", {"2000x100", "wheel hwheel", "1 2000x100 at 120,0 bars h"});
    row("page and line", {"3000x3000", "page:y line:y page:x page:x page-:x", "1 3000x3000 at 300,330 bars hv"});
    row("resized past the picture", {"1000x1000", "y:500 size:1200x1100", "1 1000x1000 at 0,0 bars "});
    row("zoom keeps the centre", {"3000x3000", "x:500 y:600 =2", "2 6000x6000 at 1193,1343 bars hv"});
    row("wheel zoom keeps the centre", {"3000x3000", "x:500 y:600 +3", "2.5 7500x7500 at 1538,1713 bars hv"});
    // clang-format on
  }
  void Steps() {
    QFETCH(StepsRow, row);
    auto view = View(row.picture, row.steps);
    const QScrollBar& h = *view->horizontalScrollBar();
    const QScrollBar& v = *view->verticalScrollBar();
    const QString seen =
        QString::asprintf("%g %dx%d at %d,%d bars %s%s", view->ZoomFactor(), view->ScrollSize().width(),
                          view->ScrollSize().height(), view->ScrollPosition().x(), view->ScrollPosition().y(),
                          h.isVisible() ? "h" : "", v.isVisible() ? "v" : "");
    QVERIFY2(QRegularExpression::fromWildcard(row.outcome).match(seen).hasMatch(), qPrintable(seen));
    QCOMPARE(h.maximum(), std::max(0, view->ScrollSize().width() - view->viewport()->width()));
    QCOMPARE(v.maximum(), std::max(0, view->ScrollSize().height() - view->viewport()->height()));
  }

  // Drawn from the top left over the background, scaled and scrolled; only
  // the part on screen is scaled. Probes "x,y=c": c is r(ed), b(lue) or
  // . (the background).
  void Drawing_data() {
    QTest::addColumn<DrawingRow>("row");
    // clang-format off
    QTest::newRow("top left") << DrawingRow{"40x30", QRect(39, 29, 1, 1), "", "0,0=r 39,29=b 40,10=. 10,30=. 399,299=."};
    QTest::newRow("scaled, scrolled") << DrawingRow{"1000x1000", QRect(200, 100, 10, 10), "-1 +3 x:300 y:150", "100,50=b 119,69=b 99,50=r 120,69=r 119,70=r"};
    QTest::newRow("largest zoom") << DrawingRow{"4000x4000", QRect(2000, 2000, 1, 1), "=100 x:199950 y:199950", "49,49=r 50,50=b 149,149=b 150,150=r"};
    QTest::newRow("no picture") << DrawingRow{"50x50", QRect(), "null", "0,0=. 25,25=."};
    // clang-format on
  }
  void Drawing() {
    QFETCH(DrawingRow, row);
    auto view = View(row.picture, row.steps, row.blue);
    const QImage shot = view->viewport()->grab().toImage();
    const QColor base = view->viewport()->palette().color(QPalette::Base);
    for (const QString& probe : row.probes.split(' ')) {
      const QColor color = QMap<QChar, QColor>{{'r', Qt::red}, {'b', Qt::blue}}.value(probe.back(), base);
      const QPoint at(probe.section(',', 0, 0).toInt(), probe.section(',', 1).section('=', 0, 0).toInt());
      QVERIFY2(shot.pixelColor(at) == color, qPrintable(probe));
    }
  }
};

class MusicPlayerTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TempDir> dir_;
  fs::path oldCwd_;
  std::unique_ptr<CMusicPlayerView> player_;

  void Set(const std::string& bytes, SoundDevice type) {
    player_->SetSound(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), type);
  }
  void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
  std::string TempFile() const { return ReadFile(dir_->path() / "play.tmp"); }
  // Top-level windows other than the player: a message would be one.
  int OtherWindows() const {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) n += w != player_.get() && w->isVisible();
    return n;
  }

 private slots:
  void init() {
    dir_ = std::make_unique<TempDir>();
    oldCwd_ = fs::current_path();
    fs::current_path(dir_->path());  // play.tmp goes here
    player_ = std::make_unique<CMusicPlayerView>();
    player_->show();
  }
  void cleanup() {
    player_.reset();
    qputenv("SDL_AUDIODRIVER", "dummy");
    fs::current_path(oldCwd_);
  }

  // Play writes the player's own copy of the sound to play.tmp (over a
  // longer old one, never deleted) and plays that, to be heard; a sound that
  // does not decode plays nothing, silently, and says nothing.
  void PlayIsHeard_data() {
    QTest::addColumn<SoundRow>("row");
    QTest::newRow("wave") << SoundRow{MakeWav(300), SoundDevice::kWaveAudio, true};
    QTest::newRow("midi") << SoundRow{MakeMidi(), SoundDevice::kSequencer, true};
    QTest::newRow("mp3") << SoundRow{MakeMp3(20), SoundDevice::kMpegVideo, true};
    QTest::newRow("RIFF video") << SoundRow{kRiffVideo, SoundDevice::kWaveAudio, false};
    QTest::newRow("empty mp3") << SoundRow{"", SoundDevice::kMpegVideo, false};
    QTest::newRow("text as MIDI") << SoundRow{"hello, world", SoundDevice::kSequencer, false};
    QTest::newRow("no device") << SoundRow{MakeWav(100), SoundDevice::kNone, false};
  }
  void PlayIsHeard() {
    QFETCH(SoundRow, row);
    const auto& [sound, type, plays] = row;
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", QByteArray::fromStdString((dir_->path() / "speakers.raw").string()));
    std::string bytes = sound;
    Set(bytes, type);
    bytes.assign(3, 'x');
    QVERIFY(!fs::exists(dir_->path() / "play.tmp"));
    WriteFile(dir_->path() / "play.tmp", std::string(100000, 'z'));
    Click(player_->PlayButton());
    QCOMPARE(TempFile(), sound);
    QCOMPARE(player_->IsPlaying(), plays);
    QCOMPARE(OtherWindows(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!player_->IsPlaying(), 60000);  // played in real time
    Click(player_->StopButton());                            // closes the output file
    QCOMPARE(TempFile(), sound);
    int loudest = 0;  // of the 16-bit samples that reached the "speakers"
    const std::string raw = fs::exists("speakers.raw") ? ReadFile("speakers.raw") : "";
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2)
      loudest = std::max(loudest, std::abs(int(std::int16_t(std::uint8_t(raw[i]) | raw[i + 1] << 8))));
    QVERIFY2(plays ? loudest > 500 : loudest == 0, qPrintable(QString::number(loudest)));
  }

  // Steps: s Stop, p Play, w / m / v set a wave, an mp3 or a RIFF video;
  // then + playing or - not. Play plays what was set last, also over a sound
  // playing; a new sound leaves the playing one alone; a failed Play closes it.
  void PlayAndStopInAnyOrder() {
    const QMap<QChar, std::string> sounds{{'w', MakeWav(4000)}, {'m', MakeMp3(300)}, {'v', kRiffVideo}};
    std::string set;
    for (const QString& step : QStringLiteral("s w s p+ m+ p p+ s s- p+ v p-").split(' ')) {
      if (sounds.contains(step[0]))
        Set(set = sounds.value(step[0]), step[0] == 'm' ? SoundDevice::kMpegVideo : SoundDevice::kWaveAudio);
      if (step[0] == 's') Click(player_->StopButton());
      if (step[0] == 'p') Click(player_->PlayButton());
      if (step[0] == 'p') QCOMPARE(TempFile(), set);
      if (step.size() > 1) QVERIFY2(player_->IsPlaying() == (step[1] == '+'), qPrintable(step));
    }
  }

  // A folder or a symbolic link named play.tmp, or a write cut short by the
  // file size limit: nothing is reported, nothing outside play.tmp is
  // touched, no old sound plays, no half-written file is left beside it.
  void TempFileTroubles_data() {
    QTest::addColumn<int>("trouble");
    QTest::newRow("folder") << 0;
    QTest::newRow("symbolic link") << 1;
    QTest::newRow("write fails") << 2;
  }
  void TempFileTroubles() {
    QFETCH(int, trouble);
    const fs::path temp = dir_->path() / "play.tmp";
    const std::string old = MakeWav(4000);
    WriteFile(dir_->path() / "victim.txt", old);
    if (trouble == 0) fs::create_directory(temp);
    if (trouble == 1) fs::create_symlink(dir_->path() / "victim.txt", temp);
    if (trouble == 2) WriteFile(temp, old);
    const std::string sound = MakeMp3(400);
    Set(sound, SoundDevice::kMpegVideo);
    rlimit saved{};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &saved) == 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit small{trouble == 2 ? 4096 : saved.rlim_cur, saved.rlim_max};
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
    Click(player_->PlayButton());
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    QCOMPARE(ReadFile(dir_->path() / "victim.txt"), old);
    QCOMPARE(OtherWindows(), 0);
    QCOMPARE(player_->IsPlaying(), trouble == 1);
    QCOMPARE(fs::is_directory(temp), trouble == 0);
    QVERIFY(!fs::is_symlink(temp));
    if (trouble != 0) QCOMPARE(TempFile(), trouble == 1 ? sound : old);
    QCOMPARE(std::distance(fs::directory_iterator(dir_->path()), fs::directory_iterator()), 2);
  }
};

CFV_GUI_TEST(PreviewDispatchTest)
CFV_GUI_TEST(ZoomScrollViewTest)
CFV_GUI_TEST(MusicPlayerTest)
#include "preview_ui_test.moc"
