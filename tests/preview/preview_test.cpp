// What the preview makes of an entry's data: its kind, and the hex dump lines.
#include <gtest/gtest.h>

#include "preview/classify.h"
#include "preview/hex_dump.h"

namespace cfv {
namespace {

using namespace std::string_literals;

// What the preview shows for data and item text, as the command line's `info` names it: the kind, then the
// player device of a sound. Rows: the buffer's bytes (zeros follow), the data length handed over (which takes
// no part), the item text, what is shown.
TEST(ClassifyPreview, Table) {
  // clang-format off
  const std::tuple<std::string, std::size_t, std::string, const char*> cases[] = {
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
  for (const auto& [bytes, length, text, expected] : cases) {
    SCOPED_TRACE(text);
    const std::string buffer = bytes + std::string(8, '\0');
    const auto got = ClassifyPreview(reinterpret_cast<const unsigned char*>(buffer.data()), length, text);
    std::string shown(PreviewKindName(got.kind));
    if (got.kind == PreviewKind::kSound) shown.append(" ").append(SoundDeviceName(got.device));
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(SoundDeviceName(got.device).empty(), got.kind != PreviewKind::kSound);
  }
}

TEST(HexDump, LinesAsHexdumpShowsThem) {
  const std::string data = "Hello world\n" + std::string("\x00\x01\x02\x03", 4) + "~\x7f\x80\xff z";
  // Every byte value, for the digits and the printable range.
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::tuple<const std::string*, std::size_t, const char*> cases[] = {
      {&data, 0, "00000000  48 65 6c 6c 6f 20 77 6f  72 6c 64 0a 00 01 02 03  |Hello world.....|"},
      {&data, 1, "00000010  7e 7f 80 ff 20 7a                                 |~... z|"},
      {&all, 2, "00000020  20 21 22 23 24 25 26 27  28 29 2a 2b 2c 2d 2e 2f  | !\"#$%&'()*+,-./|"},
      {&all, 7, "00000070  70 71 72 73 74 75 76 77  78 79 7a 7b 7c 7d 7e 7f  |pqrstuvwxyz{|}~.|"},
      {&all, 15, "000000f0  f0 f1 f2 f3 f4 f5 f6 f7  f8 f9 fa fb fc fd fe ff  |................|"},
  };
  for (const auto& [bytes, line, expected] : cases)
    EXPECT_EQ(HexLine(reinterpret_cast<const unsigned char*>(bytes->data()), bytes->size(), line), expected);
  EXPECT_EQ((std::vector<std::size_t>{HexLineCount(0), HexLineCount(data.size()), HexLineCount(256)}),
            (std::vector<std::size_t>{0, 2, 16}));
  EXPECT_EQ(HexLine(reinterpret_cast<const unsigned char*>(data.data()), data.size(), 2, 8),  // a narrow view
            "00000010  7e 7f 80 ff 20 7a        |~... z|");
  // Offsets take all eight digits: the last line of 64 MiB.
  const std::string big(64u << 20, 'A');
  EXPECT_EQ(
      HexLine(reinterpret_cast<const unsigned char*>(big.data()), big.size(), (64u << 16) - 1).substr(0, 10),
      "03fffff0  ");
}

}  // namespace
}  // namespace cfv
