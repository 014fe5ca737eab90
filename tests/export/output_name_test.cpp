#include "export/output_name.h"

#include <gtest/gtest.h>

#include <string>

#include "containers/cp932.h"

namespace cfv {
namespace {

using namespace std::string_literals;

constexpr std::size_t kWhole = static_cast<std::size_t>(-1);

// Data as the extraction hands it over: the bytes, then zeros. `length`
// may be less than the bytes given, to place a signature past the end.
struct Data {
  std::string bytes;
  std::size_t length;
  Data(std::string b, std::size_t n = kWhole) : bytes(std::move(b)), length(n == kWhole ? bytes.size() : n) {
    bytes.append(8, '\0');
  }
  const unsigned char* p() const { return reinterpret_cast<const unsigned char*>(bytes.data()); }
};

// 1028 bytes with "m1_0" at 1024; `fill` for the rest.
std::string Eum(char fill = 'e') {
  std::string s(1024, fill);
  return s + "m1_0";
}

std::string WithByteAt(std::size_t at, char byte, std::size_t length) {
  std::string s(length, 'a');
  s[at] = byte;
  return s;
}

TEST(IsTextData, Table) {
  struct Case {
    const char* what;
    Data data;
    bool text;
  };
  const Case cases[] = {
      {"empty", Data(""), true},
      {"letters", Data("hello"), true},
      {"TAB LF CR", Data("a\tb\nc\rd"), true},
      {"bytes 0x7F..0xFF", Data("\x7F\x80\xA0\xFF"), true},
      {"space", Data(" "), true},
      {"zero byte", Data("ab\0c"s), false},
      {"0x01", Data("\x01"), false},
      {"0x1F", Data("a\x1F"), false},
      {"ESC", Data("\x1B[0m"), false},
      {"0x01 at 255", Data(WithByteAt(255, '\x01', 300)), false},
      {"0x01 at 256", Data(WithByteAt(256, '\x01', 300)), true},
      {"0x00 at 256", Data(WithByteAt(256, '\0', 300)), true},
      {"0x01 just past the length", Data("abc\x01", 3), true},
      {"0x01 at 255 with length 255", Data(WithByteAt(255, '\x01', 300), 255), true},
      {"0x01 at 254 with length 255", Data(WithByteAt(254, '\x01', 300), 255), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(IsTextData(c.data.p(), c.data.length), c.text);
  }
}

TEST(SplitEntryName, Table) {
  struct Case {
    std::string name;
    std::string base;
    std::string extension;
  };
  const Case cases[] = {
      {"abc.t", "abc", ".t"},
      {"noext", "noext", ""},
      {"a.b.c", "a.b", ".c"},
      {".hidden", "", ".hidden"},
      {"trailing.", "trailing", "."},
      {"  abc  .t", "abc", ".t"},
      {"abc.t  ", "abc", ".t  "},
      {"abc. t", "abc", ". t"},
      {" ", "", ""},
      {"  .t", "", ".t"},
      {"dir\\file.bmp", "dir\\file", ".bmp"},
      {"dir/file.bmp", "dir/file", ".bmp"},
      {"a/b\\c.d", "a/b\\c", ".d"},
      {"dir.x\\file", "dir.x\\file", ""},
      {"dir.x/", "dir.x/", ""},
      {"C:file.txt", "C:file", ".txt"},
      {"C:\\x\\y.z", "C:\\x\\y", ".z"},
      {"x:", "x:", ""},
      {"x:.t", "x:", ".t"},
      {":a.t", ":a", ".t"},
      {"ab:c.d", "ab:c", ".d"},
      {" C:x .t", "C:x", ".t"},
      {"my file name.wav", "my file name", ".wav"},
      {"データ.bmp", "データ", ".bmp"},
      {"あ:曲.mid", "あ:曲", ".mid"},
      {"フォルダ\\画像.bm", "フォルダ\\画像", ".bm"},
      {"　全角.t", "　全角", ".t"},  // U+3000 is no U+0020: kept
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const SplitName s = SplitEntryName(c.name);
    EXPECT_EQ(s.base, c.base);
    EXPECT_EQ(s.extension, c.extension);
  }
}

TEST(CorrectExtension, Table) {
  struct Case {
    const char* what;
    std::string extension;
    Data data;
    std::string expected;
  };
  const std::string jfif = "\xFF\xD8\xFF\xE0\x00\x10JFIF\x00"s;
  const Case cases[] = {
      {"BM", ".bm", Data("BM\x36\x00"s), ".bmp"},
      {"BM without extension", "", Data("BM"), ".bmp"},
      {"BM under .mid", ".mid", Data("BMxx"), ".bmp"},
      {"B then M past the end", ".x", Data("BM", 1), ".x"},
      {"JFIF", ".jp", Data(jfif), ".jpg"},
      {"JFIF cut by the length", ".jp", Data(jfif, 9), ".jp"},
      {"JFIF ending at the length", ".jp", Data(jfif, 10), ".jpg"},
      {"RIFF", ".wa", Data("RIFF\x24\x00\x00\x00WAVE"s), ".wav"},
      {"RIFF under .mp3", ".mp3", Data("RIFFxxxx"), ".wav"},
      {"RIF and F past the end", ".wa", Data("RIFF", 3), ".wa"},
      {"mp3 kept", ".mp3", Data("ID3\x03"), ".mp3"},
      {"mp3 stops the rules", ".mp3", Data(Eum()), ".mp3"},
      {"MP3 is not mp3", ".MP3", Data("\x01\x02"), ".MP3"},
      {"mid kept", ".mid", Data("MThd"), ".mid"},
      {"t with text", ".t", Data("hello"), ".txt"},
      {"tx with text", ".tx", Data("hello"), ".txt"},
      {"txt is neither t nor tx", ".txt", Data("hello"), ".txt"},
      {"T is not t", ".T", Data("hello"), ".T"},
      {"empty t is text", ".t", Data(""), ".txt"},
      {"t with a zero byte", ".t", Data("he\0llo"s), ".t"},
      {"t with a zero byte and m1_0", ".t", Data(std::string(1, '\0') + Eum().substr(1)), ".eum"},
      {"t with text and m1_0", ".t", Data(Eum()), ".txt"},
      {"obc with text", ".obc", Data("code"), ".obc.txt"},
      {"obc binary", ".obc", Data("\x01\x02"), ".obc"},
      {"OBC", ".OBC", Data("code"), ".OBC"},
      {"m1_0 without extension", "", Data(Eum('\0')), ".eum"},
      {"m1_0 with 1027 bytes", "", Data(Eum('\0'), 1027), ""},
      {"m1_0 at 1023", ".x", Data(std::string(1023, '\0') + "m1_0"), ".x"},
      {"no rule", ".dat", Data("\x01\x02\x03"), ".dat"},
      {"no extension, text", "", Data("text"), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(CorrectExtension(c.extension, c.data.p(), c.data.length), c.expected);
  }
}

TEST(OutputFileName, Table) {
  struct Case {
    std::string name;
    Data data;
    bool rename;
    std::string expected;
  };
  const Case cases[] = {
      {"a.t", Data("text"), true, "a.txt"},
      {"a.t", Data("text"), false, "a.t"},
      {"a.t", Data("te\0xt"s), true, "a.t"},
      {"pic.bm", Data("BM"), true, "pic.bmp"},
      {"pic.bm", Data("BM"), false, "pic.bm"},
      {"song.mp3", Data("RIFF"), true, "song.wav"},
      {"song.mp3", Data("RIFF"), false, "song.mp3"},
      {"A.T", Data("text"), true, "A.T"},
      {"script.obc", Data("x = 1"), true, "script.obc.txt"},
      {"noext", Data(Eum('\0')), true, "noext.eum"},
      {"noext", Data(Eum('\0')), false, "noext"},
      {"  spaced  .t", Data("t"), true, "spaced.txt"},
      {"  spaced  .t", Data("t"), false, "spaced.t"},
      {"dir\\sub/x.bm", Data("BM"), true, "dir\\sub/x.bmp"},
      {"C:x.jp", Data("\xFF\xD8\xFF\xE0\x00\x10JFIF"s), true, "C:x.jpg"},
      {"データ.t", Data("本文"), true, "データ.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name + (c.rename ? " rename" : " keep"));
    EXPECT_EQ(OutputFileName(c.name, c.data.p(), c.data.length, c.rename), c.expected);
  }
}

// Names come from Shift_JIS bytes in the file; the split works on the
// decoded text, so a trail byte 0x5C ('\') inside a character is no folder.
TEST(SplitEntryName, ShiftJisTrailByteIsNoSeparator) {
  // "ソ" is 0x83 0x5C and "表" is 0x95 0x5C in Shift_JIS.
  const std::string name = DecodeCp932("\x83\x5C\x95\x5C.t");
  EXPECT_EQ(name, "ソ表.t");
  const SplitName s = SplitEntryName(name);
  EXPECT_EQ(s.base, "ソ表");
  EXPECT_EQ(s.extension, ".t");
}

}  // namespace
}  // namespace cfv
