// Entry names to output names and paths, as Windows stores them; whole
// paths are built by the export scenarios.
#include "export/output_name.h"

#include <gtest/gtest.h>

#include <string>

#include "export/output_path.h"

namespace cfv {
namespace {

using namespace std::string_literals;

// Data as the extraction hands it over: the bytes, then zeros. `length`
// may be less than the bytes given, to place a signature past the end.
struct Data {
  std::string bytes;
  std::size_t length;
  Data(std::string b, std::size_t n = std::string::npos)
      : bytes(std::move(b)), length(n == std::string::npos ? bytes.size() : n) {
    bytes.append(8, '\0');
  }
  const unsigned char* p() const { return reinterpret_cast<const unsigned char*>(bytes.data()); }
};

// 1028 bytes with "m1_0" at 1024.
std::string Eum(char fill = 'e') { return std::string(1024, fill) + "m1_0"; }

std::string WithByteAt(std::size_t at, char byte) {
  std::string s(300, 'a');
  s[at] = byte;
  return s;
}

TEST(SplitEntryName, Table) {
  const struct {
    std::string name, base, extension;
    // clang-format off
  } cases[] = {
      {"abc.t", "abc", ".t"}, {"noext", "noext", ""}, {"a.b.c", "a.b", ".c"}, {".hidden", "", ".hidden"},
      {"trailing.", "trailing", "."}, {"  abc  .t  ", "abc", ".t  "}, {" ", "", ""}, {"a/b\\c.d", "a/b\\c", ".d"},
      {"dir.x\\file", "dir.x\\file", ""}, {"dir.x/", "dir.x/", ""}, {"C:file.txt", "C:file", ".txt"},
      {"x:.t", "x:", ".t"}, {":a.t", ":a", ".t"}, {".:abc", ".:abc", ""},  // a drive, even one named '.'
      {"", "", ""}, {"\x80.b:cd", "\x80", ".b:cd"}, {"ab:c.d", "ab:c", ".d"}, {" C:x .t", "C:x", ".t"}, {"あ:曲.mid", "あ:曲", ".mid"},
      {"ソ表\\画像.bm", "ソ表\\画像", ".bm"},  // trail bytes 0x5C inside, no folder
      {"　全角.t", "　全角", ".t"},            // U+3000 is no U+0020: kept
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const SplitName s = SplitEntryName(c.name);
    EXPECT_EQ(s.base, c.base);
    EXPECT_EQ(s.extension, c.extension);
  }
}

// The output name: the split name, the extension corrected when asked.
TEST(OutputFileName, CorrectsTheExtension) {
  const std::string jfif = "\xFF\xD8\xFF\xE0\x00\x10JFIF\x00"s;
  const struct {
    std::string name;
    Data data;
    std::string corrected;
    // clang-format off
  } cases[] = {
      {"a.bm", Data("BM\x36\x00"s), "a.bmp"}, {"a", Data("BM"), "a.bmp"}, {"a.mid", Data("BMxx"), "a.bmp"},
      {"a.x", Data("BM", 1), "a.x"},  // B, then M past the end
      {"C:a.jp", Data(jfif), "C:a.jpg"},
      {"a.jp", Data(jfif, 9), "a.jp"}, {"a.jp", Data(jfif, 10), "a.jpg"},
      {"a.wa", Data("RIFF\x24\x00\x00\x00WAVE"s), "a.wav"}, {"a.mp3", Data("RIFFxxxx"), "a.wav"},
      {"a.wa", Data("RIFF", 3), "a.wa"}, {"a.mp3", Data(Eum()), "a.mp3"},  // mp3 and mid stop the rules
      {"a.mid", Data(Eum('\0')), "a.mid"}, {"a.MP3", Data(Eum('\0')), "a.eum"},  // MP3 is no mp3
      {"a.t", Data("hello"), "a.txt"},
      // Text: no control bytes but TAB, LF and CR among the first 256.
      {"a.t", Data("a\tb\nc\rd \x7F\x80\xFF"), "a.txt"}, {"a.t", Data("\x01"), "a.t"}, {"a.t", Data("a\x08"), "a.t"},
      {"a.t", Data("a\x0B"), "a.t"}, {"a.t", Data("a\x0C"), "a.t"}, {"a.t", Data("\x0E"), "a.t"},
      {"a.t", Data("a\x1F"), "a.t"}, {"a.t", Data(WithByteAt(255, '\x01')), "a.t"},
      {"a.t", Data(WithByteAt(256, '\x01')), "a.txt"}, {"a.t", Data("abc\x01", 3), "a.txt"},
      {"a.t", Data(WithByteAt(254, '\x01'), 255), "a.t"}, {"a.t", Data(WithByteAt(255, '\x01'), 255), "a.txt"},
      {"a.tx", Data(""), "a.txt"}, {"a.txt", Data("hello"), "a.txt"}, {"a.T", Data("hello"), "a.T"},
      {"  a  .t", Data("he\0llo"s), "a.t"}, {"a.t", Data(std::string(1, '\0') + Eum().substr(1)), "a.eum"},
      {"a.tx", Data(Eum()), "a.txt"}, {"a.obc", Data("code"), "a.obc.txt"}, {"a.obc", Data("\x01\x02"), "a.obc"},
      {"a.OBC", Data("code"), "a.OBC"}, {"a", Data(Eum('\0'), 1027), "a"},
      {"a.x", Data(std::string(1023, '\0') + "m1_0"), "a.x"}, {"a", Data("text"), "a"},
      {"データ.t", Data("本文"), "データ.txt"},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name + " " + c.data.bytes.substr(0, 12));
    EXPECT_EQ(OutputFileName(c.name, c.data.p(), c.data.length, true), c.corrected);
    EXPECT_EQ(OutputFileName(c.name, c.data.p(), c.data.length, false),
              SplitEntryName(c.name).base + SplitEntryName(c.name).extension);
  }
}

TEST(AppendNameComponents, Table) {
  const struct {
    const char* name;
    std::vector<std::string> components;
    bool leaves;
    // clang-format off
  } cases[] = {
      {"a.t", {"a.t"}, false}, {"sub\\a.t", {"sub", "a.t"}, false}, {"sub/a.t", {"sub", "a.t"}, false},
      {"abc ", {"abc"}, false}, {"x...", {"x"}, false}, {"x. . ", {"x"}, false},  // trailing blanks and dots go
      {" lead", {" lead"}, false}, {"a\\\\b//c", {"a", "b", "c"}, false},         // empty components vanish
      {"\\abs\\x", {"abs", "x"}, false}, {"/etc/x", {"etc", "x"}, false}, {"C:\\x", {"C:", "x"}, false},
      {".", {}, false}, {"...", {}, false}, {"", {}, false}, {"..", {".."}, true}, {"..\\..\\x", {"..", "..", "x"}, true},
      {"a/../../x", {"a", "..", "..", "x"}, true}, {"a\\..", {"a", ".."}, true},
  };
  // clang-format on
  for (const auto& c : cases) {
    OutputPath path;
    AppendNameComponents(c.name, path);
    EXPECT_EQ(path.components, c.components) << c.name;
    EXPECT_EQ(path.leavesExportFolder, c.leaves) << c.name;
  }
}

TEST(ExportFolderOf, CutsTheExtensionOfTheLastComponentOnly) {
  EXPECT_EQ(ExportFolderOf("/games/hero.npc"), "/games/hero");
  EXPECT_EQ(ExportFolderOf("/games/hero.v2.npc"), "/games/hero.v2");
  EXPECT_EQ(ExportFolderOf("../hero.npc"), "../hero");
  EXPECT_EQ(ExportFolderOf("/games.d/hero"), "/games.d/hero");  // no extension: the file's own path
  EXPECT_EQ(ExportFolderOf("/games/.npc"), "/games/.npc");      // a leading dot is no extension
}

}  // namespace
}  // namespace cfv
