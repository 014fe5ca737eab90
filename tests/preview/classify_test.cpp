#include "preview/classify.h"

#include <gtest/gtest.h>

#include <string>

namespace cfv {
namespace {

using namespace std::string_literals;

// What the preview shows for data and item text, as the command line's
// `info` names it: the kind, then the player device of a sound.
TEST(ClassifyPreview, Table) {
  const struct {
    std::string bytes;   // the buffer's bytes; zeros follow
    std::size_t length;  // the data length handed over, which takes no part
    std::string text;    // the item text (UTF-8)
    const char* shown;
    // clang-format off
  } cases[] = {
      {"BM\x36\x00"s, 4, "song.mp3", "Image"}, {"BM", 0, "a.t", "Image"}, {"B", 1, "a.t", "Text"},
      {"bm", 2, "a.bmp", "Text"}, {"RIFF\x24\x00\x00\x00WAVE"s, 12, "b.mid", "Sound waveaudio"},
      {"RIFF", 1, "c", "Sound waveaudio"}, {"RIF", 3, "c.mp3", "Sound MPEGVideo"},
      {"\xFF\xFB", 2, "SONG.MP3", "Sound MPEGVideo"}, {"", 0, ".mP3", "Sound MPEGVideo"},
      {"", 0, "曲データ.mp3", "Sound MPEGVideo"}, {"", 0, "mp3", "Text"}, {"", 0, "a.mp3 ", "Text"},
      {"", 0, "a.mp3.t", "Text"}, {"", 0, "a.mp３", "Text"}, {"", 0, "Zmp3", "Text"},
      {"MThd", 4, "TUNE.Mid", "Sound sequencer"}, {"", 0, "曲.mid", "Sound sequencer"},
      {"MThd", 4, "tune.midi", "Text"}, {"\xFF\xD8\xFF\xE0\x00\x10JFIF"s, 10, "p.jpg", "Text"}, {"", 0, "", "Text"},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::string buffer = c.bytes;
    buffer.append(8, '\0');
    const PreviewClass got =
        ClassifyPreview(reinterpret_cast<const unsigned char*>(buffer.data()), c.length, c.text);
    std::string shown(PreviewKindName(got.kind));
    if (got.kind == PreviewKind::kSound) shown += " " + std::string(SoundDeviceName(got.device));
    EXPECT_EQ(shown, c.shown);
    EXPECT_EQ(SoundDeviceName(got.device).empty(), got.kind != PreviewKind::kSound);
  }
}

}  // namespace
}  // namespace cfv
