#include "preview/classify.h"

#include <gtest/gtest.h>

#include <string>

namespace cfv {
namespace {

using namespace std::string_literals;

const SoundDevice kNone = SoundDevice::kNone;
const SoundDevice kWave = SoundDevice::kWaveAudio;
const SoundDevice kSequencer = SoundDevice::kSequencer;
const SoundDevice kMpeg = SoundDevice::kMpegVideo;

struct Case {
  const char* what;
  std::string bytes;   // the buffer's bytes; zeros follow
  std::size_t length;  // the data length handed over
  std::string text;    // the item text (UTF-8)
  PreviewKind kind;
  SoundDevice device;
};

TEST(ClassifyPreview, Table) {
  const Case cases[] = {
      {"BM", "BM\x36\x00"s, 4, "x.bmp", PreviewKind::kImage, kNone},
      {"BM whatever the name", "BMxx", 4, "song.mp3", PreviewKind::kImage, kNone},
      {"BM exactly two bytes", "BM", 2, "a", PreviewKind::kImage, kNone},
      {"BM past the length: the buffer decides", "BM", 0, "a.t", PreviewKind::kImage, kNone},
      {"B only", "B", 1, "a.t", PreviewKind::kText, kNone},
      {"bm is not BM", "bm", 2, "a.bmp", PreviewKind::kText, kNone},
      {"RIFF", "RIFF\x24\x00\x00\x00WAVE"s, 12, "a.wav", PreviewKind::kSound, kWave},
      {"RIFF under .mid", "RIFFxxxx", 8, "b.mid", PreviewKind::kSound, kWave},
      {"RIFF past the length: the buffer decides", "RIFF", 1, "c", PreviewKind::kSound, kWave},
      {"RIF and zero", "RIF", 3, "c", PreviewKind::kText, kNone},
      {"mp3", "ID3\x03"s, 4, "song.mp3", PreviewKind::kSound, kMpeg},
      {"MP3 ignoring case", "\xFF\xFB", 2, "SONG.MP3", PreviewKind::kSound, kMpeg},
      {"Mp3 mixed case", "", 0, "x.Mp3", PreviewKind::kSound, kMpeg},
      {"name is exactly .mp3", "", 0, ".mp3", PreviewKind::kSound, kMpeg},
      {"mp3 without dot", "", 0, "mp3", PreviewKind::kText, kNone},
      {"mp3 then space", "", 0, "a.mp3 ", PreviewKind::kText, kNone},
      {"mp3 inside the name", "", 0, "a.mp3.t", PreviewKind::kText, kNone},
      {"mid", "MThd", 4, "tune.mid", PreviewKind::kSound, kSequencer},
      {"MID", "MThd", 4, "TUNE.MID", PreviewKind::kSound, kSequencer},
      {"midi is not mid", "MThd", 4, "tune.midi", PreviewKind::kText, kNone},
      {"Japanese name with mp3", "", 0, "曲データ.mp3", PreviewKind::kSound, kMpeg},
      {"Japanese name with mid", "", 0, "曲.MID", PreviewKind::kSound, kSequencer},
      {"non-ASCII in the last four", "", 0, "a.mp３", PreviewKind::kText, kNone},
      {"JPEG is text", "\xFF\xD8\xFF\xE0\x00\x10JFIF"s, 10, "p.jpg", PreviewKind::kText, kNone},
      {"plain text", "hello", 5, "a.t", PreviewKind::kText, kNone},
      {"empty data, empty name", "", 0, "", PreviewKind::kText, kNone},
      {"name with spaces", "", 0, "my song.mp3", PreviewKind::kSound, kMpeg},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string buffer = c.bytes;
    buffer.append(8, '\0');
    const PreviewClass got =
        ClassifyPreview(reinterpret_cast<const unsigned char*>(buffer.data()), c.length, c.text);
    EXPECT_EQ(got.kind, c.kind);
    if (c.kind == PreviewKind::kSound) {
      EXPECT_EQ(got.device, c.device);
    }
  }
}

TEST(ClassifyPreview, Names) {
  EXPECT_EQ(PreviewKindName(PreviewKind::kImage), "Image");
  EXPECT_EQ(PreviewKindName(PreviewKind::kSound), "Sound");
  EXPECT_EQ(PreviewKindName(PreviewKind::kText), "Text");
  EXPECT_EQ(SoundDeviceName(kWave), "waveaudio");
  EXPECT_EQ(SoundDeviceName(kSequencer), "sequencer");
  EXPECT_EQ(SoundDeviceName(kMpeg), "MPEGVideo");
  EXPECT_EQ(SoundDeviceName(kNone), "");
}

}  // namespace
}  // namespace cfv
