// CMusicPlayerView through SDL's disk audio driver, which writes what would
// reach the speakers to a file: each kind of sound must really be heard.
#include <QPushButton>
#include <QTest>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "custom_file_builder.h"
#include "preview/ui/music_player_view.h"
#include "test_sounds.h"

using cfv::CMusicPlayerView;
using cfv::SoundDevice;
namespace fs = std::filesystem;

Q_DECLARE_METATYPE(std::string)
Q_DECLARE_METATYPE(cfv::SoundDevice)

namespace {

// The largest magnitude among the 16-bit samples of a raw output file.
int Loudest(const fs::path& raw) {
  if (!fs::exists(raw)) return 0;
  const std::string bytes = cfv::test::ReadFile(raw);
  int loudest = 0;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    std::int16_t sample;
    std::memcpy(&sample, bytes.data() + i, 2);
    loudest = std::max(loudest, std::abs(static_cast<int>(sample)));
  }
  return loudest;
}

}  // namespace

class MusicPlayerAudioTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { qputenv("SDL_AUDIODRIVER", "disk"); }

  void EachKindOfSoundIsHeard_data() {
    QTest::addColumn<std::string>("sound");
    QTest::addColumn<SoundDevice>("type");
    QTest::addColumn<bool>("audible");
    QTest::newRow("wave") << cfv::test::MakeWav(300) << SoundDevice::kWaveAudio << true;
    QTest::newRow("midi") << cfv::test::MakeMidi() << SoundDevice::kSequencer << true;
    QTest::newRow("mp3") << cfv::test::MakeMp3(20) << SoundDevice::kMpegVideo << true;
    QTest::newRow("RIFF that is no wave") << cfv::test::MakeRiffVideo() << SoundDevice::kWaveAudio << false;
    QTest::newRow("empty mp3") << std::string() << SoundDevice::kMpegVideo << false;
  }
  void EachKindOfSoundIsHeard() {
    QFETCH(std::string, sound);
    QFETCH(SoundDevice, type);
    QFETCH(bool, audible);
    cfv::test::TempDir dir;
    const fs::path oldCwd = fs::current_path();
    fs::current_path(dir.path());
    const fs::path raw = dir / "speakers.raw";
    qputenv("SDL_DISKAUDIOFILE", QByteArray::fromStdString(raw.string()));
    {
      CMusicPlayerView player;
      player.resize(400, 300);
      player.show();
      player.SetSound(reinterpret_cast<const unsigned char*>(sound.data()), sound.size(), type);
      QTest::mouseClick(player.PlayButton(), Qt::LeftButton);
      QCOMPARE(player.IsPlaying(), audible);
      // Played in real time by the driver; wait for the end of the sound.
      QTRY_VERIFY_WITH_TIMEOUT(!player.IsPlaying(), 60000);
      QTest::mouseClick(player.StopButton(), Qt::LeftButton);  // closes the output file
    }
    fs::current_path(oldCwd);
    const int loudest = Loudest(raw);
    if (audible) {
      QVERIFY2(loudest > 500, qPrintable(QString("loudest sample %1").arg(loudest)));
    } else {
      QCOMPARE(loudest, 0);
    }
  }
};

QTEST_MAIN(MusicPlayerAudioTest)
#include "music_player_audio_test.moc"
