// make_seeds <target-name> <out-dir>: writes the seed corpus of one fuzz
// target, built with the same helper as the tests. fuzz_loader gets custom
// files of every shape the loader knows; fuzz_extract gets a custom file of
// varied payloads once for each of its entries, prefixed with that entry's
// header offset (4 bytes, little-endian); fuzz_output_path gets custom file
// and entry names, one a line; fuzz_settings gets settings files;
// fuzz_manifest gets export manifests.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "custom_file_builder.h"
#include "export/manifest.h"
#include "settings/logfont.h"
#include "settings/profile_struct.h"

namespace {

using cfv::test::Branch;
using cfv::test::Entry;
using cfv::test::Header;
using cfv::test::Leaf;
using cfv::test::Serialize;

std::vector<std::string> LoaderSeeds() {
  std::vector<std::string> seeds;
  // The canonical nested file: a branch of two leaves and a leaf.
  seeds.push_back(Serialize(
      {Branch("E1", {Leaf("E2", std::string(30, 'x')), Leaf("E3", std::string(50, 'y'))}), Leaf("E4", "z")}));
  // Three levels with typical names, empty and compressed payloads.
  seeds.push_back(Serialize({Branch("a.cmp", {Branch("b.npc", {Leaf("c.t", "text"), Leaf("d.bmp", "")}),
                                              Leaf("e.mp3", cfv::test::Zlib("sound"))}),
                             Leaf("データ.obc", "x = 1")}));
  // A branch with junk after its entries, then more entries.
  Entry junk = Branch("B", {Leaf("c", std::string(10, 'x'))});
  junk.trailing = std::string(60, '\x01');
  seeds.push_back(Serialize({junk, Leaf("X1", "1"), Leaf("X2", "2")}));
  // A size below 50 in the middle of a list.
  seeds.push_back(Serialize({Leaf("a", "1")}) + Header("small", "30") + Serialize({Leaf("b", "2")}));
  // A branch that claims more than the file holds.
  Entry big = Branch("big", {Leaf("in", "1")});
  big.sizeField = "999999999";
  seeds.push_back(Serialize({big}));
  // A header cut by the end of the file.
  seeds.push_back(Serialize({Leaf("a", "1")}) + Header(std::string(40, 'h'), "58").substr(0, 42));
  // A chain nested 70 deep around a leaf.
  std::string deep;
  for (int i = 0; i < 70; ++i) deep += Header("n", std::to_string((70 - i) * 50 + 51));
  deep += Serialize({Leaf("leaf", "d")});
  seeds.push_back(deep);
  // A name of 40 bytes without NUL, and one with TAB, LF and CR.
  seeds.push_back(Serialize({Leaf(std::string(40, 'N'), "p"), Leaf("a\tb\nc\r", "")}));
  return seeds;
}

std::string Offset(std::uint32_t offset) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((offset >> (8 * i)) & 0xFF);
  return s;
}

std::vector<std::string> ExtractSeeds() {
  std::string eum(1024, '\0');
  eum += "m1_0";
  const std::string jfif = std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11);
  const std::vector<Entry> entries = {
      Leaf("pic.bm", cfv::test::MakeBmp(3, 2)),
      Leaf("pic.bm", cfv::test::Zlib(cfv::test::MakeBmp(4, 4))),
      Leaf("sound.mp3", cfv::test::Gzip("RIFF\x24\x00\x00\x00WAVEfmt ")),
      Leaf("tune.mid", "MThd\x00\x00\x00\x06"),
      Leaf("photo.jp", jfif),
      Leaf("notes.t", "plain text\r\n"),
      Leaf("code.obc", cfv::test::Zlib("x = 1\n")),
      Leaf("noext", eum),
      Leaf("raw.t", cfv::test::RawDeflate("raw deflate")),
      Leaf("empty.t", ""),
      Leaf("  spaced  .tx", "t"),
      Leaf("dir\\sub/C:x.bm", "BM"),
      Branch("pack.cmp", {Leaf("inner.t", cfv::test::Zlib("inner")), Leaf("曲.MID", "")}),
  };
  const std::string file = Serialize(entries);
  std::vector<std::string> seeds;
  // One seed per entry header (walk the list and the one branch).
  std::uint32_t at = 0;
  for (const Entry& e : entries) {
    seeds.push_back(Offset(at) + file);
    if (!e.children.empty()) {
      std::uint32_t inner = at + 50;
      for (const Entry& c : e.children) {
        seeds.push_back(Offset(inner) + file);
        inner += static_cast<std::uint32_t>(Serialize(c).size());
      }
    }
    at += static_cast<std::uint32_t>(Serialize(e).size());
  }
  // A payload cut by the end of the file.
  seeds.push_back(Offset(0) + Header("cut.t", "500") + "only a little");
  return seeds;
}

std::vector<std::string> OutputPathSeeds() {
  return {
      "hero.npc\nbody.cmp\na.t",
      "...god\n.profile\n.ssh\\authorized_keys\nDocuments\\note.t",
      "..god\n..god",
      "a. .god\nC:\\x\\..\\y.t\n/etc/passwd",
      "hero.item\n..\\..\\x.t\n  . .\\ok.bm",
      "noextension\nD:d.t\na/../../b",
  };
}

std::vector<std::string> SettingsSeeds() {
  cfv::LogFont font;
  font.lfHeight = -16;
  font.lfWeight = 400;
  font.lfCharSet = 128;
  font.SetFaceName("Arial");
  const auto bytes = cfv::ToBytes(font);
  const std::string value = cfv::EncodeProfileStruct(bytes);
  const std::string section = "[Tazor_CustomFileViewer]\r\n";
  return {
      section + "FontGeneral=" + value + "\r\nFontFileTree=" + value + "\r\n",
      "; comment\n[other]\nFontGeneral=00\n[tazor_customfileviewer]\n  fontgeneral =  " + value + "  \n",
      section + "FontGeneral=" + value.substr(0, value.size() - 2) + "00\r\n",
      section + "FontGeneral=\r\n",
  };
}

// fuzz_edit: well-formed files (length in two bytes, little-endian) with
// edit steps after them (op, entry, name, data, compression).
std::vector<std::string> EditSeeds() {
  const std::string steps[] = {std::string("\0\1\0\3abc\1", 8), std::string("\1\0\2\0\6\1\0\2xy\2", 11),
                               std::string("\2\2\3\3\2\1\1", 7), std::string("\0\0\0\0\0\0", 6)};
  std::vector<std::string> seeds;
  std::size_t i = 0;
  for (const std::string& file :
       {Serialize({Branch("E1", {Leaf("E2", std::string(30, 'x')), Leaf("E3", "y")}), Leaf("E4", "z")}),
        Serialize({Branch("a.cmp", {Branch("b.npc", {Leaf("c.t", "text"), Leaf("d.bmp", "")}),
                                    Leaf("e.mp3", cfv::test::Zlib("sound"))}),
                   Leaf("データ.obc", cfv::test::Gzip("x = 1")), Leaf("s", "ab")})}) {
    for (const std::string& step : steps) {
      std::string seed{static_cast<char>(file.size() & 0xFF), static_cast<char>(file.size() >> 8)};
      seeds.push_back(seed + file + step + steps[i++ % 4]);
    }
  }
  return seeds;
}

// fuzz_manifest: manifests of a nested file, one with the entries of every
// kind, one with escapes in its texts.
std::vector<std::string> ManifestSeeds() {
  cfv::Manifest manifest{1234, {1, 2}, {}};
  manifest.entries.push_back({"a.npc",
                              "a.npc",
                              0,
                              1,
                              true,
                              cfv::Compression::kNone,
                              "a",
                              std::nullopt,
                              "a branch: its entries are in its folder",
                              0,
                              {}});
  manifest.entries.push_back(
      {"a.npc/b.t", "b.t", 50, 2, false, cfv::Compression::kZlib, "", "a/b.txt", "", 5, {3, 4}});
  manifest.entries.push_back({"c\\d \"e\"\n",
                              "c",
                              99,
                              1,
                              false,
                              cfv::Compression::kGzip,
                              "",
                              std::nullopt,
                              "cannot be read",
                              0,
                              {}});
  std::vector<std::string> seeds = {cfv::ManifestJson(manifest)};
  manifest.entries.resize(2);
  seeds.push_back(cfv::ManifestJson(manifest));
  seeds.push_back(
      "{\"version\": 1, \"size\": 0, \"xxh128\": \"\\u0030\", \"entries\": [[], {}, null, true]}");
  return seeds;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_seeds <target-name> <out-dir>\n");
    return 2;
  }
  const std::string target = argv[1];
  std::vector<std::string> seeds;
  if (target == "fuzz_loader") {
    seeds = LoaderSeeds();
  } else if (target == "fuzz_extract") {
    seeds = ExtractSeeds();
  } else if (target == "fuzz_output_path") {
    seeds = OutputPathSeeds();
  } else if (target == "fuzz_settings") {
    seeds = SettingsSeeds();
  } else if (target == "fuzz_edit") {
    seeds = EditSeeds();
  } else if (target == "fuzz_manifest") {
    seeds = ManifestSeeds();
  } else {
    std::fprintf(stderr, "make_seeds: no seeds for '%s'\n", argv[1]);
    return 2;
  }
  const std::filesystem::path out = argv[2];
  std::filesystem::create_directories(out);
  for (std::size_t i = 0; i < seeds.size(); ++i) {
    cfv::test::WriteFile(out / ("seed-" + std::to_string(i)), seeds[i]);
  }
  std::printf("%zu seeds for %s in %s\n", seeds.size(), argv[1], argv[2]);
  return 0;
}
