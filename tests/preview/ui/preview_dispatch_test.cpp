// The preview dispatcher in a real main frame over a real custom file: which
// pane shows what, what stays, and a custom file that has gone away.
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QWheelEvent>
#include <filesystem>

#include "app/main_frame.h"
#include "app/pane_splitter.h"
#include "containers/cp932.h"
#include "containers/loader.h"
#include "containers/ui/entry_tree_model.h"
#include "custom_file_builder.h"
#include "preview/ui/music_player_view.h"
#include "preview/ui/zoom_scroll_view.h"
#include "test_sounds.h"

using namespace cfv;
using cfv::test::Branch;
using cfv::test::Leaf;
namespace fs = std::filesystem;

namespace {

const std::string kJpeg("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x02", 14);
const char* const kPrompt = "子アイテムを選択してください";

// About 300,000 characters of CR LF lines, many slices of the text view's
// fill; the last line has no line end.
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

std::vector<test::Entry> Entries() {
  return {
      Leaf("pic.txt", test::MakeBmp(30, 20)),
      Leaf("wave.bin", test::MakeWav(4000)),
      Leaf("BGM.MP3", test::MakeMp3(40)),
      Leaf("a.Mid", test::MakeMidi()),
      Leaf(".mid", test::MakeMidi()),
      Leaf("mid", "three letters"),
      Leaf("a.mp3  ", "a sound name with blanks after it"),
      Leaf("photo.jpg", kJpeg),
      Leaf("x.mp3", ""),
      Leaf("empty.txt", ""),
      Leaf("y.mp3", test::MakeBmp(5, 5)),
      Leaf("riff.avi", test::MakeRiffVideo()),
      Leaf("日本語.t", EncodeCp932("日本語のテキスト\r\n二行目")),
      Leaf("zero.t", std::string("before\0after", 12)),
      Leaf("packed.t", test::Zlib("text that was compressed")),
      Leaf("gzipped.t", test::Gzip("gzip text")),
      Leaf("broken.t", std::string("\x78\x9C not deflate", 14)),
      Leaf("bad.bmp", "BM but no picture"),
      Leaf("run.t", std::string(1024 * 1024, '7')),
      Leaf("long.t", LongText()),
      Leaf("late run.t", LateRun()),
      Branch("sub.npc", {Leaf("inner.txt", "inner text"), Leaf("inner.bmp", test::MakeBmp(64, 48))}),
  };
}

// Closes the next message box with OK and remembers what it said.
class MessageBoxWatcher : public QObject {
 public:
  MessageBoxWatcher() {
    timer_.setInterval(10);
    connect(&timer_, &QTimer::timeout, this, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      ++count;
      title = box->windowTitle();
      text = box->text();
      icon = box->icon();
      parentWidget = box->parentWidget();
      box->button(QMessageBox::Ok)->click();
    });
    timer_.start();
  }
  int count = 0;
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QWidget* parentWidget = nullptr;

 private:
  QTimer timer_;
};

}  // namespace

class PreviewDispatchTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::TempDir> dir_;
  fs::path file_;
  fs::path oldCwd_;
  std::unique_ptr<CMainFrame> frame_;

  void OpenFrame(const std::string& locale = "en-US") {
    FrameEnvironment environment;
    environment.systemLocaleName = [locale] { return locale; };
    environment.settingsFile = dir_->path() / "settings.ini";
    frame_ = std::make_unique<CMainFrame>(environment);
    frame_->resize(1000, 700);
    frame_->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame_.get()));
    Load(file_);
  }
  void Load(const fs::path& path) {
    EntryTree tree;
    QVERIFY(LoadCustomFile(path, path.string(), tree));
    frame_->Model().AppendFileTree(std::move(tree));
    frame_->TreeView().expandAll();
  }
  // The first item (pre-order, root items included) with this text.
  ItemId Find(std::string_view text) const {
    ItemId found = kNoItem;
    frame_->Model().Tree().ForEachPreOrder(kNoItem, [&](ItemId item, unsigned) {
      if (found == kNoItem && frame_->Model().Tree().Text(item) == text) found = item;
    });
    return found;
  }
  void Select(ItemId item) {
    QVERIFY(item != kNoItem);
    frame_->TreeView().setCurrentIndex(frame_->Model().IndexOf(item));
  }
  void Select(std::string_view text) { Select(Find(text)); }

  QWidget* Shown() const {
    QWidget* shown = nullptr;
    const QWidget* panes[] = {&frame_->TextView(), &frame_->ImageView(), &frame_->MusicPlayerView()};
    for (const QWidget* pane : panes) {
      if (!pane->isHidden()) {
        if (shown != nullptr) return nullptr;  // more than one: wrong
        shown = const_cast<QWidget*>(pane);
      }
    }
    return shown;
  }
  // Exactly `pane` is visible and it fills the right-hand side.
  void VerifyShown(QWidget* pane) {
    QCOMPARE(Shown(), pane);
    QCOMPARE(frame_->Splitter().RightPane(), pane);
    const CPaneSplitter& splitter = frame_->Splitter();
    const int x = splitter.SplitterPos() + CPaneSplitter::kBarWidth;
    QCOMPARE(pane->geometry(), QRect(x, 0, splitter.width() - x, splitter.height()));
  }
  void ZoomWheel(int notches) {
    QWidget* viewport = frame_->ImageView().viewport();
    for (int i = 0; i < notches; ++i) {
      QWheelEvent event(QPointF(5, 5), viewport->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120),
                        Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(viewport, &event);
    }
  }

 private slots:
  void init() {
    dir_ = std::make_unique<test::TempDir>();
    file_ = dir_->path() / "content.god";
    test::WriteFile(file_, test::Serialize(Entries()));
    oldCwd_ = fs::current_path();
    fs::current_path(dir_->path());  // play.tmp goes here
  }
  void cleanup() {
    frame_.reset();
    fs::current_path(oldCwd_);
    dir_.reset();
  }

  void StartsWithTheTextViewOnTheRight() {
    OpenFrame();
    VerifyShown(&frame_->TextView());
    QVERIFY(frame_->ImageView().isHidden());
    QVERIFY(frame_->MusicPlayerView().isHidden());
  }

  void TextEntries_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("mid, compared whole") << "mid"
                                         << "three letters";
    QTest::newRow("mp3 followed by blanks") << "a.mp3  "
                                            << "a sound name with blanks after it";
    QTest::newRow("JPEG up to its first zero")
        << "photo.jpg" << QString::fromStdString(DecodeCp932(kJpeg.substr(0, 4)));
    QTest::newRow("empty") << "empty.txt"
                           << "";
    QTest::newRow("code page 932") << "日本語.t"
                                   << "日本語のテキスト\r\n二行目";
    QTest::newRow("zero in the middle") << "zero.t"
                                        << "before";
    QTest::newRow("zlib") << "packed.t"
                          << "text that was compressed";
    QTest::newRow("gzip") << "gzipped.t"
                          << "gzip text";
    QTest::newRow("does not inflate")
        << "broken.t" << QString::fromStdString(DecodeCp932("\x78\x9C not deflate"));
    QTest::newRow("long, filled in after its first screen")
        << "long.t" << QString::fromStdString(DecodeCp932(LongText()));
  }
  void TextEntries() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    OpenFrame();
    Select("pic.txt");  // start from another pane
    Select(name.toStdString());
    VerifyShown(&frame_->TextView());
    QTRY_COMPARE(frame_->TextView().toPlainText(), QString(text).replace("\r\n", "\n"));
  }

  // A run met after the first screen still makes the text wrap anywhere.
  void ALateLongRunWrapsAnywhere() {
    OpenFrame();
    Select("late run.t");
    QTRY_COMPARE(frame_->TextView().toPlainText(), QString::fromStdString(LateRun()).replace("\r\n", "\n"));
    QCOMPARE(frame_->TextView().wordWrapMode(), QTextOption::WrapAnywhere);
  }

  // Another selection while a long text fills in: nothing more of it comes.
  void ALongTextGivesWayToTheNextSelection() {
    OpenFrame();
    Select("long.t");
    Select("mid");
    for (int turn = 0; turn < 3; ++turn) QCoreApplication::processEvents();
    QCOMPARE(frame_->TextView().toPlainText(), QStringLiteral("three letters"));
  }

  void MegabyteWithoutBlanksIsShownWhole() {
    OpenFrame();
    Select("run.t");
    VerifyShown(&frame_->TextView());
    frame_->repaint();  // laid out and painted without stalling
    QCOMPARE(frame_->TextView().toPlainText(), QString(1024 * 1024, '7'));
    QCOMPARE(frame_->TextView().wordWrapMode(), QTextOption::WrapAnywhere);
    Select("mid");
    QCOMPARE(frame_->TextView().wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
  }

  void ImageEntries_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::newRow("BM under a .txt name") << "pic.txt" << QSize(30, 20);
    QTest::newRow("BM under an .mp3 name") << "y.mp3" << QSize(5, 5);
    QTest::newRow("inside a branch") << "inner.bmp" << QSize(64, 48);
  }
  void ImageEntries() {
    QFETCH(QString, name);
    QFETCH(QSize, size);
    OpenFrame();
    Select(name.toStdString());
    VerifyShown(&frame_->ImageView());
    QCOMPARE(frame_->ImageView().Bitmap().size(), size);
    QCOMPARE(frame_->ImageView().LogicalSize(), size);
  }

  void SoundEntries_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("device");
    QTest::addColumn<int>("length");
    QTest::newRow("RIFF") << "wave.bin"
                          << "waveaudio" << static_cast<int>(test::MakeWav(4000).size());
    QTest::newRow("RIFF that is no wave") << "riff.avi"
                                          << "waveaudio" << static_cast<int>(test::MakeRiffVideo().size());
    QTest::newRow("BGM.MP3") << "BGM.MP3"
                             << "MPEGVideo" << static_cast<int>(test::MakeMp3(40).size());
    QTest::newRow("a.Mid") << "a.Mid"
                           << "sequencer" << static_cast<int>(test::MakeMidi().size());
    QTest::newRow(".mid") << ".mid"
                          << "sequencer" << static_cast<int>(test::MakeMidi().size());
    QTest::newRow("empty x.mp3") << "x.mp3"
                                 << "MPEGVideo" << 0;
  }
  void SoundEntries() {
    QFETCH(QString, name);
    QFETCH(QString, device);
    QFETCH(int, length);
    OpenFrame();
    Select("mid");
    Select(name.toStdString());
    VerifyShown(&frame_->MusicPlayerView());
    const CMusicPlayerView& player = frame_->MusicPlayerView();
    QCOMPARE(QString::fromUtf8(cfv::SoundDeviceName(player.DeviceType())), device);
    QCOMPARE(static_cast<int>(player.Sound().size()), length);
    QVERIFY(!player.IsPlaying());  // nothing plays before Play
    QVERIFY(!fs::exists(dir_->path() / "play.tmp"));
  }

  void BitmapThatDoesNotDecodeLeavesTheImageViewEmpty() {
    OpenFrame();
    Select("pic.txt");
    QVERIFY(!frame_->ImageView().Bitmap().isNull());
    Select("bad.bmp");
    VerifyShown(&frame_->ImageView());
    QVERIFY(frame_->ImageView().Bitmap().isNull());
    const QImage shot = frame_->ImageView().viewport()->grab().toImage();
    QCOMPARE(shot.pixelColor(5, 5), frame_->ImageView().viewport()->palette().color(QPalette::Base));
  }

  void BranchOrRootOnlyPutsThePromptIntoTheTextView_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("root");
    QTest::newRow("branch, English") << "en-US" << false;
    QTest::newRow("branch, Japanese") << "ja-JP" << false;
    QTest::newRow("root item") << "en-US" << true;
  }
  void BranchOrRootOnlyPutsThePromptIntoTheTextView() {
    QFETCH(QString, locale);
    QFETCH(bool, root);
    OpenFrame(locale.toStdString());
    Select("pic.txt");
    const qint64 picture = frame_->ImageView().Bitmap().cacheKey();
    Select(root ? Find(file_.string()) : Find("sub.npc"));
    VerifyShown(&frame_->ImageView());  // the picture stays on screen
    QCOMPARE(frame_->ImageView().Bitmap().cacheKey(), picture);
    QCOMPARE(frame_->TextView().toPlainText(), QString::fromUtf8(kPrompt));
    // With the text view showing, the prompt is seen at once.
    Select("mid");
    Select("sub.npc");
    VerifyShown(&frame_->TextView());
    QCOMPARE(frame_->TextView().toPlainText(), QString::fromUtf8(kPrompt));
  }

  void PromptKeepsTheSoundAndThePlayer() {
    OpenFrame();
    Select("a.Mid");
    Select("sub.npc");
    VerifyShown(&frame_->MusicPlayerView());
    QCOMPARE(frame_->MusicPlayerView().Sound().size(), test::MakeMidi().size());
  }

  void ZoomSurvivesTextAndSoundSelections() {
    OpenFrame();
    Select("pic.txt");
    ZoomWheel(3);
    QCOMPARE(frame_->ImageView().ZoomFactor(), 2.5f);
    Select("mid");
    Select("BGM.MP3");
    Select("y.mp3");
    VerifyShown(&frame_->ImageView());
    QCOMPARE(frame_->ImageView().ZoomFactor(), 2.5f);
    QCOMPARE(frame_->ImageView().ScrollSize(), QSize(12, 12));
  }

  void EachImageSelectionMakesANewPicture() {
    OpenFrame();
    Select("inner.bmp");
    const qint64 first = frame_->ImageView().Bitmap().cacheKey();
    Select("mid");
    Select("inner.bmp");
    QVERIFY(frame_->ImageView().Bitmap().cacheKey() != first);
    QCOMPARE(frame_->ImageView().Bitmap().size(), QSize(64, 48));
  }

  void PlayingSoundGoesOnWhenOtherEntriesAreSelected() {
    OpenFrame();
    Select("wave.bin");
    CMusicPlayerView& player = frame_->MusicPlayerView();
    QTest::mouseClick(player.PlayButton(), Qt::LeftButton);
    QCOMPARE(test::ReadFile(dir_->path() / "play.tmp"), test::MakeWav(4000));
    QVERIFY(player.IsPlaying());
    Select("mid");
    Select("pic.txt");
    QVERIFY(player.IsPlaying());
    Select("BGM.MP3");  // new data waits for the next Play
    QVERIFY(player.IsPlaying());
    QCOMPARE(test::ReadFile(dir_->path() / "play.tmp"), test::MakeWav(4000));
    QCOMPARE(player.Sound().size(), test::MakeMp3(40).size());
    QTest::mouseClick(player.StopButton(), Qt::LeftButton);
    QVERIFY(!player.IsPlaying());
  }

  void VanishedCustomFileShowsTheReadErrorAndKeepsThePreview_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::newRow("English") << "en-US"
                             << "Tazor Custom File Viewer"
                             << "Error: Cannot open file.";
    QTest::newRow("Japanese") << "ja-JP"
                              << "Tazor カスタムファイルビューア"
                              << "ファイルの読み込みに失敗しました。";
  }
  void VanishedCustomFileShowsTheReadErrorAndKeepsThePreview() {
    QFETCH(QString, locale);
    QFETCH(QString, title);
    QFETCH(QString, text);
    OpenFrame(locale.toStdString());
    Select("mid");
    Select("pic.txt");
    const qint64 picture = frame_->ImageView().Bitmap().cacheKey();
    fs::remove(file_);
    MessageBoxWatcher watcher;
    Select("zero.t");
    QCOMPARE(watcher.count, 1);
    QCOMPARE(watcher.title, title);
    QCOMPARE(watcher.text, text);
    QCOMPARE(watcher.icon, QMessageBox::Critical);
    QCOMPARE(watcher.parentWidget, frame_.get());
    VerifyShown(&frame_->ImageView());
    QCOMPARE(frame_->ImageView().Bitmap().cacheKey(), picture);
    QCOMPARE(frame_->TextView().toPlainText(), QString("three letters"));
    // A branch needs no file: only the prompt, no message.
    Select("sub.npc");
    QCOMPARE(watcher.count, 1);
    // The same file back in place previews again.
    test::WriteFile(file_, test::Serialize(Entries()));
    Select("a.Mid");
    QCOMPARE(watcher.count, 1);
    VerifyShown(&frame_->MusicPlayerView());
  }

  void EntriesAreReadFromTheirOwnCustomFile() {
    const fs::path second = dir_->path() / "second.item";
    test::WriteFile(
        second, test::Serialize({Leaf("note.txt", "from the second file"),
                                 Branch("deep.cmp", {Branch("deeper.cmp", {Leaf("leaf.t", "deep leaf")})})}));
    OpenFrame();
    Load(second);
    Select("note.txt");
    QCOMPARE(frame_->TextView().toPlainText(), QString("from the second file"));
    Select("leaf.t");
    QCOMPARE(frame_->TextView().toPlainText(), QString("deep leaf"));
    const ItemId leaf = Find("leaf.t");
    QCOMPARE(frame_->GetRootItem(leaf), Find(second.string()));
    QCOMPARE(frame_->GetRootItem(Find(second.string())), Find(second.string()));
    QCOMPARE(frame_->GetRootItem(Find("inner.txt")), Find(file_.string()));
  }
};

QTEST_MAIN(PreviewDispatchTest)
#include "preview_dispatch_test.moc"
