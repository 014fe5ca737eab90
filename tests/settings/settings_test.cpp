// The settings file: the LOGFONTW image, the Windows profile-struct text
// form, the INI file, the user fonts and their description.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>

#include "custom_file_builder.h"
#include "settings/ini_file.h"
#include "settings/logfont.h"
#include "settings/profile_struct.h"
#include "settings/user_fonts.h"

namespace cfv {
namespace {

namespace fs = std::filesystem;

LogFont Font(const char* face, int height, int weight = 400, int italic = 0) {
  LogFont f{height, 0, 0, 0, weight, static_cast<std::uint8_t>(italic), 0, 0, 128, 0, 0, 2, 0, {}};
  f.SetFaceName(face);
  return f;
}

// The stored form of a font: its bytes as the profile-struct text (both checked on their own below).
std::string WindowsStructText(const LogFont& font) { return EncodeProfileStruct(ToBytes(font)); }

TEST(LogFont, BytesFollowTheWindowsLayout) {
  LogFont f{-16, 0x01020304, -2, 0x7F000005, 0x2BC, 0x11, 0x21, 0x22, 128, 0x24, 0x25, 2, 0x31, {}};
  f.SetFaceName("M\xC3\xA9\xE3\x83\xA1\xF0\x9F\x98\x80");
  std::vector<std::uint8_t> expected = {0xF0, 0xFF, 0xFF, 0xFF, 4, 3, 2, 1, 0xFE, 0xFF, 0xFF, 0xFF, 5, 0, 0,
                                        0x7F, 0xBC, 2, 0, 0, 0x11, 0x21, 0x22, 128, 0x24, 0x25, 2, 0x31,
                                        // M, é, メ, then 😀 as a surrogate pair
                                        'M', 0, 0xE9, 0, 0xE1, 0x30, 0x3D, 0xD8, 0x00, 0xDE};
  expected.resize(kLogFontBytes);
  const auto b = ToBytes(f);
  EXPECT_EQ(std::vector<std::uint8_t>(b.begin(), b.end()), expected);
  EXPECT_EQ(FromBytes(b), f);
  for (const std::size_t wrongSize : {91, 93}) EXPECT_FALSE(FromBytes(std::vector<std::uint8_t>(wrongSize)));
}

// Face names are cut to 31 UTF-16 units, never inside a surrogate pair; what is no character becomes U+FFFD.
TEST(LogFont, FaceNames) {
  const std::string x30(30, 'x');
  const std::pair<std::string, std::string> names[] = {
      {std::string(40, 'x'), std::string(31, 'x')},
      {x30 + "\xF0\x9F\x98\x80", x30},
      {x30.substr(1) + "\xF0\x9F\x98\x80z", x30.substr(1) + "\xF0\x9F\x98\x80"},
      {"メイリオ \xF4\x8F\xBF\xBF\xF0\x90\x80\x80", "メイリオ \xF4\x8F\xBF\xBF\xF0\x90\x80\x80"},
      {"\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF",
       "\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF"},
      {"g\200h", "g\uFFFDh"},
      {"a\377b\343\201c\355\240\200d\364\220\200\200e\370f\303",
       "a\uFFFDb\uFFFDc\uFFFDd\uFFFDe\uFFFDf\uFFFD"},
  };
  for (const auto& [set, face] : names) {
    const LogFont f = Font(set.c_str(), 0);
    EXPECT_EQ(f.FaceName(), face) << set;
    EXPECT_EQ(f.lfFaceName[31], 0);
  }
  LogFont lone;  // encoded surrogates (the first and the last) are stored as U+FFFD, never as lone halves
  lone.SetFaceName("\355\240\200\355\277\277");
  EXPECT_EQ(std::u16string(lone.lfFaceName.data(), 3), std::u16string(u"\xFFFD\xFFFD\0", 3));
  // Units stored by another program: a pair whose second half is missing or
  // cut by the end of the field gives U+FFFD, as does a lone second half.
  const std::pair<std::u16string, std::string> stored[] = {
      {u"a\xD800z\xDC00", "a\uFFFDz\uFFFD"},
      {u"\xDBFF\xDFFF\xD800\xDC00\xD7FF\xE000", "\xF4\x8F\xBF\xBF\xF0\x90\x80\x80\xED\x9F\xBF\xEE\x80\x80"},
      {std::u16string(31, u'x') + u"\xD83D", std::string(31, 'x') + "\uFFFD"},
  };
  for (const auto& [units, face] : stored) {
    LogFont f;
    std::copy(units.begin(), units.end(), f.lfFaceName.begin());
    EXPECT_EQ(f.FaceName(), face) << face;
  }
}

TEST(ProfileStruct, EncodesAndRefusesDamage) {
  EXPECT_EQ(EncodeProfileStruct(std::vector<std::uint8_t>{0x00, 0xFF, 0x10, 0xAB}), "00FF10ABBA");
  EXPECT_EQ(EncodeProfileStruct(std::vector<std::uint8_t>{}), "00");
  for (const char* good : {"12AB007F3C", "12ab007f3c", " \t12AB007F3C \t\r"})
    EXPECT_EQ(DecodeProfileStruct(good, 4), (std::vector<std::uint8_t>{0x12, 0xAB, 0x00, 0x7F}));
  for (const char* damaged :
       {"12AB007F3D", "1GAB007F39", "AB007F3C", "2AB007F3C", "0012AB007F3C", "1GAB007F3C", "12AB007F3G", ""})
    EXPECT_FALSE(DecodeProfileStruct(damaged, 4)) << damaged;
}

// One key read from and written to a file of other lines, as Windows does. Rows: the file before
// (nothing: no file), the value of Key in [Sec], the file after Key is set to "v".
TEST(IniFile, ReadAndWriteOneKey) {
  using Text = std::optional<std::string>;
  // clang-format off
  const std::tuple<Text, Text, std::string> cases[] = {
      {std::nullopt, std::nullopt, "[Sec]\r\nKey=v\r\n"},
      {"[Other]\nKey=x", std::nullopt, "[Other]\r\nKey=x\r\n[Sec]\r\nKey=v\r\n"},
      {" [ sec ] \r\n  KEY  =  a=b c \r\n[Last]\r\nC=3\r\n", "a=b c", " [ sec ] \r\nKey=v\r\n[Last]\r\nC=3\r\n"},
      {"[Sec]\nB=2\n; note\n\n[Other]\nKey=x\n", std::nullopt, "[Sec]\r\nB=2\r\nKey=v\r\n; note\r\n\r\n[Other]\r\nKey=x\r\n"},
      {"[Sec]\r\n[Sec2]\r\nKey=x\r\n", std::nullopt, "[Sec]\r\nKey=v\r\n[Sec2]\r\nKey=x\r\n"},
      {"[Other]\nKey=x\n[Sec]\nNoKey\nKey=\nKey=y\n", "", "[Other]\r\nKey=x\r\n[Sec]\r\nNoKey\r\nKey=v\r\nKey=y\r\n"},
      {"\xEF\xBB\xBF[Sec]\nKey=old", "old", "\xEF\xBB\xBF[Sec]\r\nKey=v\r\n"},
      {"[Sec\nKey=x\n[]\n", std::nullopt, "[Sec\r\nKey=x\r\n[]\r\n[Sec]\r\nKey=v\r\n"},
      {"[Sez]\nKez=1\n", std::nullopt, "[Sez]\r\nKez=1\r\n[Sec]\r\nKey=v\r\n"},  // names alike up to their last letter
      {"[Sec]\nA]=1\nKey=x\n", "x", "[Sec]\r\nA]=1\r\nKey=v\r\n"}, {"[Sec]\n[]\nKey=x\n", std::nullopt, "[Sec]\r\nKey=v\r\n[]\r\nKey=x\r\n"},
  };
  // clang-format on
  for (const auto& [before, read, after] : cases) {
    SCOPED_TRACE(before.value_or("no file"));
    test::TempDir dir;
    const fs::path ini = dir / "x.ini";
    if (before) test::WriteFile(ini, *before);
    EXPECT_EQ(ReadIniValue(ini, "Sec", "Key"), read);
    ASSERT_TRUE(WriteIniValue(ini, "Sec", "Key", "v"));
    EXPECT_EQ(test::ReadFile(ini), after);
    EXPECT_EQ(ReadIniValue(ini, "SEC", "key"), "v");
    EXPECT_FALSE(fs::exists(dir / "x.ini.tmp"));
  }
}

// The three fonts: the default per language and resolution when nothing is stored, saved in Windows' form and
// read back, a damaged value left at the default. A write that fails (here at the file size limit) is
// reported and loses nothing: the file keeps its old text for that key, no temporary file is left, and the
// keys whose write succeeded are saved.
TEST(UserFonts, DefaultsSavingAndFailedWrites) {
  test::TempDir dir;
  const fs::path ini = dir / "TazorCustomFileViewer.ini";
  const LogFont def = MakeDefaultFont(UiLanguage::kEnglish, 96);
  const UserFonts saved{Font("Noto Sans", -13, 700), Font("DejaVu Sans Mono", -20, 400, 1),
                        Font("メイリオ", 18, 900, 1)};
  EXPECT_EQ(def, Font("Arial", -16));
  EXPECT_EQ(MakeDefaultFont(UiLanguage::kJapanese, 120), Font("Meiryo UI", -20));
  EXPECT_EQ(LoadUserFonts(ini, def), (UserFonts{def, def, def}));  // no file

  ASSERT_TRUE(SaveUserFonts(ini, saved));
  EXPECT_EQ(test::ReadFile(ini),
            "[Tazor_CustomFileViewer]\r\nFontGeneral=" + WindowsStructText(saved.general) +
                "\r\nFontFileTree=" + WindowsStructText(saved.fileTree) +
                "\r\nFontViewer=" + WindowsStructText(saved.viewer) + "\r\n");
  // A stored face stays whatever the language of the default is.
  EXPECT_EQ(LoadUserFonts(ini, MakeDefaultFont(UiLanguage::kJapanese, 96)), saved);

  std::string damaged = WindowsStructText(saved.general);
  damaged[10] = damaged[10] == 'A' ? 'B' : 'A';  // the checksum no longer matches
  test::WriteFile(ini, "[Tazor_CustomFileViewer]\nFontGeneral=" + damaged +
                           "\nFontViewer=" + WindowsStructText(saved.viewer) + "\n");
  EXPECT_EQ(LoadUserFonts(ini, def), (UserFonts{def, def, saved.viewer}));

  const std::string old =
      "[Tazor_CustomFileViewer]\r\nFontGeneral=\r\nFontFileTree=" + std::string(400, '0') +
      "\r\nFontViewer=" + std::string(400, '0') + "\r\n";
  test::WriteFile(ini, old);
  rlimit limit{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  // The longer General line does not fit; the others do.
  const rlimit small{old.size() + 100, limit.rlim_max};
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool ok = SaveUserFonts(ini, saved);
  ::setrlimit(RLIMIT_FSIZE, &limit);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(ok);
  EXPECT_EQ(LoadUserFonts(ini, def), (UserFonts{def, saved.fileTree, saved.viewer}));
  EXPECT_NE(test::ReadFile(ini).find("FontGeneral=\r\n"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "TazorCustomFileViewer.ini.tmp"));
  // No folder to write in, and a folder where the file should be.
  fs::create_directory(dir / "folder.ini");
  EXPECT_FALSE(SaveUserFonts(dir / "no-such-folder" / "x.ini", saved));
  EXPECT_FALSE(SaveUserFonts(dir / "folder.ini", saved));
  EXPECT_FALSE(fs::exists(dir / "folder.ini.tmp"));
}

TEST(MulDiv, RoundsHalvesAwayFromZero) {
  // clang-format off
  const int cases[][4] = {{12, 96, 72, 16}, {-16, 72, 96, -12}, {-14, 72, 96, -11}, {14, 72, 96, 11},
                          {-13, 72, 96, -10}, {5, 3, -2, -8}, {-5, 3, -2, 8}, {1, 2, 0, -1}, {0x7FFFFFFF, 4, 1, -1},
                          {-0x7FFFFFFF, 4, 1, -1}, {0x7FFFFFFF, 2, 2, 0x7FFFFFFF}};
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(MulDiv(c[0], c[1], c[2]), c[3]) << c[0] << " " << c[1] << " " << c[2];
}

TEST(FontDescription, Table) {
  LogFont underlined = Font("Arial", -16);
  underlined.lfUnderline = underlined.lfStrikeOut = 1;
  // clang-format off
  const std::tuple<LogFont, int, const char*> cases[] = {
      {Font("Meiryo UI", -16), 96, "Meiryo UI 12pt"}, {Font("Arial", -16, 401), 96, "Arial 12pt [太字]"},
      {Font("Arial", -14, 400, 1), 96, "Arial 11pt [斜体]"}, {Font("Arial", -13, 700, 2), 96, "Arial 10pt [太字,斜体]"},
      {Font("Arial", 16), 96, "Arial -12pt"}, {Font("Arial", -16), 120, "Arial 10pt"} /* 9.6 -> 10 */, {underlined, 96, "Arial 12pt"},
  };
  // clang-format on
  for (const auto& [font, dpi, expected] : cases) EXPECT_EQ(FontDescription(font, dpi), expected);
}

}  // namespace
}  // namespace cfv
