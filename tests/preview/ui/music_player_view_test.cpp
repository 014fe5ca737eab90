// CMusicPlayerView with the silent audio driver: layout, the kept copy, the
// temporary file, and Play / Stop in every order.
#include "preview/ui/music_player_view.h"

#include <sys/resource.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <csignal>
#include <filesystem>

#include "custom_file_builder.h"
#include "test_sounds.h"

using cfv::CMusicPlayerView;
using cfv::SoundDevice;
namespace fs = std::filesystem;

Q_DECLARE_METATYPE(std::string)
Q_DECLARE_METATYPE(cfv::SoundDevice)

namespace {

void SetSound(CMusicPlayerView& player, const std::string& bytes, SoundDevice type) {
  player.SetSound(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), type);
}

std::string Kept(const CMusicPlayerView& player) {
  return std::string(player.Sound().begin(), player.Sound().end());
}

}  // namespace

class MusicPlayerViewTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<cfv::test::TempDir> dir_;
  fs::path oldCwd_;

  std::unique_ptr<CMusicPlayerView> MakePlayer() {
    auto player = std::make_unique<CMusicPlayerView>();
    player->resize(400, 300);
    player->show();
    return player;
  }
  std::string TempFile() const { return cfv::test::ReadFile(dir_->path() / "play.tmp"); }
  // Top-level windows other than `player`: any message would be one.
  int OtherWindows(const QWidget* player) const {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w != player && w->isVisible()) ++n;
    }
    return n;
  }

 private slots:
  void init() {
    dir_ = std::make_unique<cfv::test::TempDir>();
    oldCwd_ = fs::current_path();
    fs::current_path(dir_->path());
  }
  void cleanup() {
    fs::current_path(oldCwd_);
    dir_.reset();
  }

  void ButtonsAreCentredAsOneBlock_data() {
    QTest::addColumn<QSize>("pane");
    QTest::addColumn<QPoint>("play");
    QTest::addColumn<QPoint>("stop");
    QTest::newRow("400 x 300") << QSize(400, 300) << QPoint(128, 118) << QPoint(208, 118);
    QTest::newRow("odd size") << QSize(401, 301) << QPoint(128, 118) << QPoint(208, 118);
    QTest::newRow("exactly the block") << QSize(176, 96) << QPoint(16, 16) << QPoint(96, 16);
    // Negative halves truncate toward zero: -75 / 2 = -37, -45 / 2 = -22.
    QTest::newRow("too small") << QSize(101, 51) << QPoint(-21, -6) << QPoint(59, -6);
  }
  void ButtonsAreCentredAsOneBlock() {
    QFETCH(QSize, pane);
    QFETCH(QPoint, play);
    QFETCH(QPoint, stop);
    CMusicPlayerView player;
    player.resize(pane);
    player.show();
    QCOMPARE(player.PlayButton()->geometry(), QRect(play, QSize(64, 64)));
    QCOMPARE(player.StopButton()->geometry(), QRect(stop, QSize(64, 64)));
  }

  void ButtonsCarryTheirIdsAndTexts() {
    CMusicPlayerView player;
    QCOMPARE(player.PlayButton()->text(), QString::fromUtf8("再生"));
    QCOMPARE(player.StopButton()->text(), QString::fromUtf8("停止"));
    QCOMPARE(player.PlayButton()->property("controlId").toInt(), 1000);
    QCOMPARE(player.StopButton()->property("controlId").toInt(), 1001);
  }

  void SetSoundKeepsItsOwnCopy() {
    CMusicPlayerView player;
    std::string bytes = cfv::test::MakeWav(50);
    SetSound(player, bytes, SoundDevice::kWaveAudio);
    bytes[10] = 'x';
    bytes.clear();
    QCOMPARE(Kept(player), cfv::test::MakeWav(50));
    QCOMPARE(player.DeviceType(), SoundDevice::kWaveAudio);
    SetSound(player, "abc", SoundDevice::kMpegVideo);
    QCOMPARE(Kept(player), std::string("abc"));
    QCOMPARE(player.DeviceType(), SoundDevice::kMpegVideo);
  }

  void NothingPlaysBeforePlay() {
    auto player = MakePlayer();
    SetSound(*player, cfv::test::MakeWav(3000), SoundDevice::kWaveAudio);
    QVERIFY(!player->IsPlaying());
    QVERIFY(!fs::exists(dir_->path() / "play.tmp"));
  }

  void PlayWritesTheTempFileAndPlays_data() {
    QTest::addColumn<std::string>("sound");
    QTest::addColumn<SoundDevice>("type");
    QTest::newRow("wave") << cfv::test::MakeWav(4000) << SoundDevice::kWaveAudio;
    QTest::newRow("midi") << cfv::test::MakeMidi() << SoundDevice::kSequencer;
    QTest::newRow("mp3") << cfv::test::MakeMp3(200) << SoundDevice::kMpegVideo;
    QTest::newRow("wave as MPEGVideo") << cfv::test::MakeWav(4000) << SoundDevice::kMpegVideo;
  }
  void PlayWritesTheTempFileAndPlays() {
    QFETCH(std::string, sound);
    QFETCH(SoundDevice, type);
    auto player = MakePlayer();
    SetSound(*player, sound, type);
    QTest::mouseClick(player->PlayButton(), Qt::LeftButton);
    QCOMPARE(TempFile(), sound);
    QVERIFY(player->IsPlaying());
    QTest::mouseClick(player->StopButton(), Qt::LeftButton);
    QVERIFY(!player->IsPlaying());
    QCOMPARE(TempFile(), sound);  // never deleted
  }

  void PlayTwiceRestartsWithTheCurrentSound() {
    auto player = MakePlayer();
    SetSound(*player, cfv::test::MakeWav(4000), SoundDevice::kWaveAudio);
    QTest::mouseClick(player->PlayButton(), Qt::LeftButton);
    QVERIFY(player->IsPlaying());
    // A new sound does not touch the playing one.
    const std::string second = cfv::test::MakeMp3(300);
    SetSound(*player, second, SoundDevice::kMpegVideo);
    QVERIFY(player->IsPlaying());
    QCOMPARE(TempFile(), cfv::test::MakeWav(4000));
    QTest::mouseClick(player->PlayButton(), Qt::LeftButton);
    QCOMPARE(TempFile(), second);
    QVERIFY(player->IsPlaying());
    QTest::mouseClick(player->PlayButton(), Qt::LeftButton);
    QVERIFY(player->IsPlaying());
  }

  void StopTwiceAndStopFirstAreHarmless() {
    auto player = MakePlayer();
    QTest::mouseClick(player->StopButton(), Qt::LeftButton);
    SetSound(*player, cfv::test::MakeWav(4000), SoundDevice::kWaveAudio);
    QTest::mouseClick(player->StopButton(), Qt::LeftButton);
    QTest::mouseClick(player->PlayButton(), Qt::LeftButton);
    QVERIFY(player->IsPlaying());
    QTest::mouseClick(player->StopButton(), Qt::LeftButton);
    QTest::mouseClick(player->StopButton(), Qt::LeftButton);
    QVERIFY(!player->IsPlaying());
    QTest::mouseClick(player->PlayButton(), Qt::LeftButton);
    QVERIFY(player->IsPlaying());
  }

  void SoundsThatDoNotDecodePlayNothingAndSayNothing_data() {
    QTest::addColumn<std::string>("sound");
    QTest::addColumn<SoundDevice>("type");
    QTest::newRow("RIFF video") << cfv::test::MakeRiffVideo() << SoundDevice::kWaveAudio;
    QTest::newRow("empty mp3") << std::string() << SoundDevice::kMpegVideo;
    QTest::newRow("empty wave") << std::string() << SoundDevice::kWaveAudio;
    QTest::newRow("empty MIDI") << std::string() << SoundDevice::kSequencer;
    QTest::newRow("text as MIDI") << std::string("hello, world") << SoundDevice::kSequencer;
    QTest::newRow("MIDI as wave") << cfv::test::MakeMidi() << SoundDevice::kWaveAudio;
    QTest::newRow("no device") << cfv::test::MakeWav(100) << SoundDevice::kNone;
  }
  void SoundsThatDoNotDecodePlayNothingAndSayNothing() {
    QFETCH(std::string, sound);
    QFETCH(SoundDevice, type);
    auto player = MakePlayer();
    SetSound(*player, sound, type);
    QTest::mouseClick(player->PlayButton(), Qt::LeftButton);
    QCOMPARE(TempFile(), sound);
    QVERIFY(!player->IsPlaying());
    QCOMPARE(OtherWindows(player.get()), 0);
    QTest::mouseClick(player->StopButton(), Qt::LeftButton);
  }

  void FailedPlayClosesThePreviousSound() {
    auto player = MakePlayer();
    SetSound(*player, cfv::test::MakeWav(4000), SoundDevice::kWaveAudio);
    QTest::mouseClick(player->PlayButton(), Qt::LeftButton);
    QVERIFY(player->IsPlaying());
    SetSound(*player, cfv::test::MakeRiffVideo(), SoundDevice::kWaveAudio);
    QTest::mouseClick(player->PlayButton(), Qt::LeftButton);
    QVERIFY(!player->IsPlaying());
  }

  void UnwritableTempFileIsNotReported() {
    // A folder named play.tmp: the file cannot be written or played.
    fs::create_directory(dir_->path() / "play.tmp");
    auto player = MakePlayer();
    SetSound(*player, cfv::test::MakeWav(4000), SoundDevice::kWaveAudio);
    QTest::mouseClick(player->PlayButton(), Qt::LeftButton);
    QVERIFY(!player->IsPlaying());
    QCOMPARE(OtherWindows(player.get()), 0);
    QVERIFY(fs::is_directory(dir_->path() / "play.tmp"));
  }

  void SymbolicLinkNamedLikeTheTempFileIsReplacedNotFollowed() {
    const fs::path victim = dir_->path() / "victim.txt";
    cfv::test::WriteFile(victim, "keep me");
    fs::create_symlink(victim, dir_->path() / "play.tmp");
    auto player = MakePlayer();
    SetSound(*player, cfv::test::MakeWav(4000), SoundDevice::kWaveAudio);
    QTest::mouseClick(player->PlayButton(), Qt::LeftButton);
    QCOMPARE(cfv::test::ReadFile(victim), std::string("keep me"));
    QVERIFY(!fs::is_symlink(dir_->path() / "play.tmp"));
    QCOMPARE(TempFile(), cfv::test::MakeWav(4000));
    QVERIFY(player->IsPlaying());
  }

  void FailedWritePlaysNoOldSound() {
    // An earlier, playable play.tmp; then writing runs into the file size
    // limit (which holds for every user).
    const std::string old = cfv::test::MakeWav(4000);
    cfv::test::WriteFile(dir_->path() / "play.tmp", old);
    auto player = MakePlayer();
    SetSound(*player, cfv::test::MakeMp3(400), SoundDevice::kMpegVideo);
    rlimit saved{};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &saved) == 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
    QTest::mouseClick(player->PlayButton(), Qt::LeftButton);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    QVERIFY(!player->IsPlaying());
    QCOMPARE(OtherWindows(player.get()), 0);
    QCOMPARE(TempFile(), old);
    // No half-written file is left beside it.
    int files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir_->path())) ++files;
    QCOMPARE(files, 1);
  }

  void PlayReplacesALongerOldFile() {
    cfv::test::WriteFile(dir_->path() / "play.tmp", std::string(100000, 'z'));
    auto player = MakePlayer();
    SetSound(*player, "short", SoundDevice::kSequencer);
    QTest::mouseClick(player->PlayButton(), Qt::LeftButton);
    QCOMPARE(TempFile(), std::string("short"));
  }
};

QTEST_MAIN(MusicPlayerViewTest)
#include "music_player_view_test.moc"
