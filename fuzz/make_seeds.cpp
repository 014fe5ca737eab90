// make_seeds <target-name> <out-dir>: writes the seed corpus of one fuzz
// target, built with the same helper as the tests. fuzz_loader gets custom
// files of every shape the loader knows; fuzz_extract gets a custom file of
// varied payloads once for each of its entries, prefixed with that entry's
// header offset (4 bytes, little-endian); fuzz_output_path gets custom file
// and entry names, one a line; fuzz_settings gets settings files;
// fuzz_inflate_diff gets zlib and gzip streams of every kind zlib writes and
// of kinds only a hand writes (codes zlib refuses), each after a mode byte;
// fuzz_manifest gets export manifests.
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "custom_file_builder.h"
#include "deflate_writer.h"
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

// Raw deflate data made by zlib with these settings, a full flush (the end of a block) after every
// `flushEvery` bytes.
std::string RawDeflate(std::string_view data, int level, int memLevel, int strategy, std::size_t flushEvery) {
  z_stream s{};
  deflateInit2(&s, level, Z_DEFLATED, -15, memLevel, strategy);
  std::string out(deflateBound(&s, data.size()) * 2 + 64, '\0');
  s.next_out = reinterpret_cast<Bytef*>(out.data());
  s.avail_out = static_cast<uInt>(out.size());
  const std::size_t step = flushEvery != 0 ? flushEvery : data.size() + 1;
  for (std::size_t at = 0; at < data.size() || at == 0; at += step) {
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data() + at));
    s.avail_in = static_cast<uInt>(std::min(step, data.size() - at));
    deflate(&s, at + step >= data.size() ? Z_FINISH : Z_FULL_FLUSH);
  }
  deflateEnd(&s);
  out.resize(s.total_out);
  return out;
}

std::vector<std::string> InflateDiffSeeds() {
  using cfv::test::DeflateWriter;
  using cfv::test::ZlibAround;
  using Lengths = DeflateWriter::Lengths;
  std::string text;
  for (std::uint32_t i = 0, x = 7; text.size() < 40000; ++i, x = x * 1103515245 + 12345)
    text += i % 9 == 0 ? std::string("\x82\xA0\x82\xA2 ")
                       : std::string(1 + (x >> 16) % 7, 'a' + (x >> 8) % 26) + ' ';
  // Deflate data of zlib's own kinds of blocks (stored, fixed, Huffman only, run lengths, small blocks,
  // flushes), and of codes libdeflate reads and zlib refuses, each beside its like that zlib reads: fixed
  // 287 (285), distance codes 30 and 31 (29), 287 literal/length codes and 31 distance codes (286 and 30),
  // a one-bit distance code's bit 1 (bit 0), an empty distance code used, a repeat past the last length,
  // a one-bit end-of-block code's bit 1 (bit 0) in a last block and before one.
  std::vector<std::pair<std::string, std::string>> raw;  // deflate data, what it inflates to
  const int kinds[][4] = {{0, 8, Z_DEFAULT_STRATEGY, 0}, {6, 8, Z_FIXED, 0},
                          {6, 8, Z_HUFFMAN_ONLY, 0},     {6, 8, Z_RLE, 0},
                          {9, 1, Z_DEFAULT_STRATEGY, 0}, {1, 8, Z_DEFAULT_STRATEGY, 700}};
  const std::string part = text.substr(0, 2500);
  for (const auto& k : kinds) raw.emplace_back(RawDeflate(part, k[0], k[1], k[2], k[3]), part);
  Lengths lit(287, 0), eob(257, 0);
  lit[97] = eob[256] = 1;
  lit[256] = lit[257] = 2;
  const Lengths lit286(lit.begin(), lit.end() - 1);
  for (const unsigned code : {285u, 287u})
    raw.emplace_back(DeflateWriter().Block(true, 1).Lit(97).Lit(code).Bits(0, 5).Lit(256).Bytes(),
                     std::string(259, 'a'));
  for (const unsigned code : {29u, 30u, 31u}) {  // 24,769 bytes, then 3 from 24,577 back
    DeflateWriter w;
    w.Block(true, 1).Lit(97);
    for (int i = 0; i < 96; ++i) w.Lit(285).Bits(0, 5);
    raw.emplace_back(w.Lit(257).Bits(code, 5).Bits(0, 13).Lit(256).Bytes(), std::string(24772, 'a'));
  }
  Lengths two{1, 1}, thirty(30, 0), thirtyOne(31, 0);
  thirty[0] = thirty[1] = thirtyOne[0] = thirtyOne[1] = 1;
  const std::tuple<Lengths, Lengths, unsigned, unsigned> matches[] = {
      {lit286, thirty, 0, 0}, {lit, two, 0, 0},    {lit286, thirtyOne, 0, 0}, {lit286, {1}, 0, 0},
      {lit286, {1}, 1, 0},    {lit286, {0}, 0, 0}, {lit286, two, 0, 10}};
  for (const auto& [l, d, bit, pastEnd] : matches) {
    DeflateWriter w;
    w.Dynamic(true, l, d, pastEnd > 0, pastEnd).Lit(97).Lit(257);
    raw.emplace_back(w.Bits(bit, 1).Lit(256).Bytes(), "aaaa");
  }
  for (const unsigned bit : {0u, 1u}) {
    raw.emplace_back(
        DeflateWriter().Block(false, 1).Lit(97).Lit(256).Dynamic(true, eob, {0}).Bits(bit, 1).Bytes(), "a");
    raw.emplace_back(
        DeflateWriter().Dynamic(false, eob, {0}).Bits(bit, 1).Block(true, 1).Lit(97).Lit(256).Bytes(), "a");
  }
  std::vector<std::string> streams = {cfv::test::Zlib(text),
                                      cfv::test::Gzip(text.substr(0, 3000)),
                                      cfv::test::Zlib(""),
                                      cfv::test::Zlib(std::string(3000, 'a')),
                                      cfv::test::Gzip("abc") + cfv::test::Gzip("second member"),
                                      cfv::test::Zlib("then junk") + "junk"};
  for (const auto& [deflate, data] : raw) streams.push_back(ZlibAround(deflate, data));
  // gzip header fields: extra field, name, comment, header CRC.
  std::string gzip = cfv::test::Gzip("fields");
  gzip[3] = 0x1E;
  const std::string fields("\2\0xyname\0note\0", 14);
  gzip.insert(10, fields + std::string(2, '\0'));
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(gzip.data()), 10 + fields.size());
  gzip[10 + fields.size()] = static_cast<char>(crc & 0xFF);
  gzip[11 + fields.size()] = static_cast<char>((crc >> 8) & 0xFF);
  streams.push_back(gzip);
  // Each stream with the real limit, and with one byte less than zlib's output; the deflate data once
  // more to be wrapped by the target with its check value, as zlib and as gzip.
  std::vector<std::string> seeds;
  for (const std::string& s : streams) {
    seeds.push_back('\0' + s);
    seeds.push_back('\x87' + s);
  }
  for (const auto& [deflate, data] : raw) {
    seeds.push_back('\x40' + deflate);
    seeds.push_back('\x60' + deflate);
  }
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
  } else if (target == "fuzz_inflate_diff") {
    seeds = InflateDiffSeeds();
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
