#include "preview/classify.h"

#include <gtest/gtest.h>

#include <string>

namespace cfv {
namespace {

using namespace std::string_literals;

const MciDeviceType kNone{};
const MciDeviceType kWave = MciDeviceType::WaveAudio();
const MciDeviceType kSequencer = MciDeviceType::Sequencer();
const MciDeviceType kMpeg = MciDeviceType::MpegVideo();

struct Case {
  const char* what;
  std::string bytes;   // the buffer's bytes; zeros follow
  std::size_t length;  // the data length handed over
  std::string text;    // the item text (UTF-8)
  PreviewKind kind;
  MciDeviceType device;
};

TEST(ClassifyPreview, Table) {
  const Case cases[] = {
      {"BM", "BM\x36\x00"s, 4, "x.bmp", PreviewKind::Image, kNone},
      {"BM whatever the name", "BMxx", 4, "song.mp3", PreviewKind::Image, kNone},
      {"BM exactly two bytes", "BM", 2, "a", PreviewKind::Image, kNone},
      {"BM past the length: the buffer decides", "BM", 0, "a.t", PreviewKind::Image, kNone},
      {"B only", "B", 1, "a.t", PreviewKind::Text, kNone},
      {"bm is not BM", "bm", 2, "a.bmp", PreviewKind::Text, kNone},
      {"RIFF", "RIFF\x24\x00\x00\x00WAVE"s, 12, "a.wav", PreviewKind::Sound, kWave},
      {"RIFF under .mid", "RIFFxxxx", 8, "b.mid", PreviewKind::Sound, kWave},
      {"RIFF past the length: the buffer decides", "RIFF", 1, "c", PreviewKind::Sound, kWave},
      {"RIF and zero", "RIF", 3, "c", PreviewKind::Text, kNone},
      {"mp3", "ID3\x03"s, 4, "song.mp3", PreviewKind::Sound, kMpeg},
      {"MP3 ignoring case", "\xFF\xFB", 2, "SONG.MP3", PreviewKind::Sound, kMpeg},
      {"Mp3 mixed case", "", 0, "x.Mp3", PreviewKind::Sound, kMpeg},
      {"name is exactly .mp3", "", 0, ".mp3", PreviewKind::Sound, kMpeg},
      {"mp3 without dot", "", 0, "mp3", PreviewKind::Text, kNone},
      {"mp3 then space", "", 0, "a.mp3 ", PreviewKind::Text, kNone},
      {"mp3 inside the name", "", 0, "a.mp3.t", PreviewKind::Text, kNone},
      {"mid", "MThd", 4, "tune.mid", PreviewKind::Sound, kSequencer},
      {"MID", "MThd", 4, "TUNE.MID", PreviewKind::Sound, kSequencer},
      {"midi is not mid", "MThd", 4, "tune.midi", PreviewKind::Text, kNone},
      {"Japanese name with mp3", "", 0, "曲データ.mp3", PreviewKind::Sound, kMpeg},
      {"Japanese name with mid", "", 0, "曲.MID", PreviewKind::Sound, kSequencer},
      {"non-ASCII in the last four", "", 0, "a.mp３", PreviewKind::Text, kNone},
      {"JPEG is text", "\xFF\xD8\xFF\xE0\x00\x10JFIF"s, 10, "p.jpg", PreviewKind::Text, kNone},
      {"plain text", "hello", 5, "a.t", PreviewKind::Text, kNone},
      {"empty data, empty name", "", 0, "", PreviewKind::Text, kNone},
      {"name with spaces", "", 0, "my song.mp3", PreviewKind::Sound, kMpeg},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string buffer = c.bytes;
    buffer.append(8, '\0');
    const PreviewClass got =
        ClassifyPreview(reinterpret_cast<const unsigned char*>(buffer.data()), c.length, c.text);
    EXPECT_EQ(got.kind, c.kind);
    if (c.kind == PreviewKind::Sound) {
      EXPECT_EQ(got.device, c.device);
    }
  }
}

TEST(ClassifyPreview, Names) {
  EXPECT_EQ(PreviewKindName(PreviewKind::Image), "Image");
  EXPECT_EQ(PreviewKindName(PreviewKind::Sound), "Sound");
  EXPECT_EQ(PreviewKindName(PreviewKind::Text), "Text");
  EXPECT_EQ(kWave.DisplayName(), "waveaudio");
  EXPECT_EQ(kSequencer.DisplayName(), "sequencer");
  EXPECT_EQ(kMpeg.DisplayName(), "MPEGVideo");
  EXPECT_EQ(kNone.DisplayName(), "");
}

}  // namespace
}  // namespace cfv
