// CMusicPlayerView: what Play writes and plays, heard through SDL's disk
// audio driver (which writes what would reach the speakers to a file);
// Play and Stop in every order; troubles with the temporary file.
#include <sys/resource.h>

#include <QApplication>
#include <QPushButton>
#include <QtTest>
#include <csignal>

#include "custom_file_builder.h"
#include "gui_test.h"
#include "preview/ui/music_player_view.h"
#include "test_sounds.h"

using cfv::CMusicPlayerView;
using cfv::SoundDevice;
using namespace cfv::test;
namespace fs = std::filesystem;

Q_DECLARE_METATYPE(std::string)
Q_DECLARE_METATYPE(cfv::SoundDevice)

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
    player_->resize(400, 300);
    player_->show();
  }
  void cleanup() {
    player_.reset();
    qputenv("SDL_AUDIODRIVER", "dummy");
    fs::current_path(oldCwd_);
    dir_.reset();
  }

  // Play writes the player's own copy of the sound to play.tmp (over a
  // longer old one, never deleted) and plays that, to be heard; a sound that
  // does not decode plays nothing, silently, and says nothing.
  void PlayIsHeard_data() {
    QTest::addColumn<std::string>("sound");
    QTest::addColumn<SoundDevice>("type");
    QTest::addColumn<bool>("plays");
    QTest::newRow("wave") << MakeWav(300) << SoundDevice::kWaveAudio << true;
    QTest::newRow("midi") << MakeMidi() << SoundDevice::kSequencer << true;
    QTest::newRow("mp3") << MakeMp3(20) << SoundDevice::kMpegVideo << true;
    QTest::newRow("wave as MPEGVideo") << MakeWav(300) << SoundDevice::kMpegVideo << true;
    QTest::newRow("RIFF video") << MakeRiffVideo() << SoundDevice::kWaveAudio << false;
    QTest::newRow("empty mp3") << std::string() << SoundDevice::kMpegVideo << false;
    QTest::newRow("text as MIDI") << std::string("hello, world") << SoundDevice::kSequencer << false;
    QTest::newRow("MIDI as wave") << MakeMidi() << SoundDevice::kWaveAudio << false;
    QTest::newRow("no device") << MakeWav(100) << SoundDevice::kNone << false;
  }
  void PlayIsHeard() {
    QFETCH(std::string, sound);
    QFETCH(SoundDevice, type);
    QFETCH(bool, plays);
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", QByteArray::fromStdString((dir_->path() / "speakers.raw").string()));
    std::string bytes = sound;
    Set(bytes, type);
    bytes.assign(3, 'x');
    QCOMPARE(player_->DeviceType(), type);
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

  void PlayAndStopInAnyOrder() {
    Click(player_->StopButton());
    Set(MakeWav(4000), SoundDevice::kWaveAudio);
    Click(player_->StopButton());
    Click(player_->PlayButton());
    QVERIFY(player_->IsPlaying());
    // A new sound does not touch the playing one; Play restarts with it.
    Set(MakeMp3(300), SoundDevice::kMpegVideo);
    QVERIFY(player_->IsPlaying());
    QCOMPARE(TempFile(), MakeWav(4000));
    Click(player_->PlayButton());
    QCOMPARE(TempFile(), MakeMp3(300));
    Click(player_->PlayButton());
    QVERIFY(player_->IsPlaying());
    Click(player_->StopButton());
    Click(player_->StopButton());
    QVERIFY(!player_->IsPlaying());
    Click(player_->PlayButton());
    QVERIFY(player_->IsPlaying());
    // A failed Play closes the sound that was playing.
    Set(MakeRiffVideo(), SoundDevice::kWaveAudio);
    Click(player_->PlayButton());
    QVERIFY(!player_->IsPlaying());
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
    rlimit small = saved;
    small.rlim_cur = trouble == 2 ? 4096 : saved.rlim_cur;
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

CFV_GUI_TEST(MusicPlayerTest)
#include "music_player_test.moc"
