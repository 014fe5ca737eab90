// tazor-cfv verify on damaged files, one row a kind of problem, and on stored data that only looks like a
// stream.
#include <gtest/gtest.h>

#include "custom_file_builder.h"
#include "run_process.h"

namespace cfv {
namespace {

using namespace test;

// A zlib stream of `data` with its last trailer byte changed.
std::string BadTrailer(std::string stream) {
  stream.back() = static_cast<char>(stream.back() ^ 1);
  return stream;
}

// Nested branches `levels` deep around `inner`.
Entry Nested(int levels, Entry inner) {
  for (int i = 0; i < levels; ++i) inner = Branch("d" + std::to_string(i), {inner});
  return inner;
}

// Bytes that do not compress.
std::string Noise(std::size_t n) {
  std::string s;
  for (std::uint32_t x = 12345; s.size() < n;)
    s.push_back(static_cast<char>((x = x * 1103515245 + 12345) >> 24));
  return s;
}

TEST(Verify, OneRowAProblem) {
  Entry over = Leaf("over.t", "abc");
  over.sizeField = "100";
  Entry small = Leaf("small.t", "");
  small.sizeField = "20";
  Entry tail = Branch("b.npc", {Leaf("in.t", "x")});
  tail.trailing = "junk!";
  const std::string cut = Zlib(Noise(5000));
  const struct {
    const char* name;
    std::string bytes;
    int status;
    std::string out;
  } rows[] = {
      // clang-format off
    {"clean", Serialize({Leaf("x.t", "x = 1, y = 2"), Leaf("h.t", "Hjelp meg"), Leaf("z.t", Zlib("z")), Leaf("e", "")}), 0, ""},
    {"leftover", Serialize({Leaf("a.t", "x")}) + "junk", 1, "f.god\t\t51\tleftover\t4 bytes at the end of the file that are no entry\n"},
    {"leftover in a branch", Serialize({tail, small}), 1, "f.god\tb.npc\t101\tleftover\t5 bytes at the end of its branch that are no entry\n"
     "f.god\tsmall.t\t106\tsize\tan entry header whose size 20 is below the 50 bytes of the header\n"},
    {"overrun", Serialize({over}), 1, "f.god\tover.t\t0\toverrun\tan entry that runs 47 bytes past the end of the file\n"},
    {"size", Serialize({Leaf("a.t", "x"), small}), 1, "f.god\tsmall.t\t51\tsize\tan entry header whose size 20 is below the 50 bytes of the header\n"},
    {"depth", Serialize({Nested(64, Leaf("deep.t", Serialize({Leaf("x", "y")})))}), 1, "*\tdepth\tan entry at nesting level 64 whose payload starts with an entry header"},
    {"trailer", Serialize({Leaf("t.bin", BadTrailer(Zlib(Noise(100))))}), 1,
     "f.god\tt.bin\t0\tstream\ta compressed stream that fails its trailer check (incorrect data check); readers take its stored bytes\n"},
    {"gzip length", Serialize({Leaf("t.bin", BadTrailer(Gzip(Noise(100))))}), 1,
     "f.god\tt.bin\t0\tstream\ta compressed stream that fails its trailer check (incorrect length check); readers take its stored bytes\n"},
    {"cap", Serialize({Leaf("big.bin", Zlib(std::string((64 << 20) + 1, '\0')))}), 1,
     "f.god\tbig.bin\t0\tstream\ta compressed stream that inflates to more than 64 MiB; readers take its stored bytes\n"},
    {"cut late", Serialize({Leaf("cut.bin", cut.substr(0, cut.size() / 2))}), 1, "*\tstream\ta compressed stream that fails after"},
    {"cut early", Serialize({Leaf("cut.bin", cut.substr(0, 20))}), 0, ""},
      // clang-format on
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    WriteFile(dir / "f.god", row.bytes);
    const ProcessResult r = RunProcess({TAZOR_CFV, "verify", "f.god"}, "", dir.path());
    EXPECT_EQ(r.status, row.status);
    EXPECT_TRUE(row.out.starts_with("*") ? ErrorMatches(r.out, row.out) : r.out == row.out) << r.out;
    EXPECT_EQ(r.err, "");
  }
}

TEST(Verify, JsonNamesAndUsage) {
  TempDir dir;
  WriteFile(dir / "d/a.god", Serialize({Leaf("tab\t.t", "x")}) + "!");
  WriteFile(dir / "d/clean.god", Serialize({Leaf("a", "b")}));
  WriteFile(dir / "notes.txt", "text");
  const ProcessResult json = RunProcess({TAZOR_CFV, "verify", "--json", "d"}, "", dir.path());
  EXPECT_EQ(json.status, 1);
  EXPECT_EQ(
      json.out,
      "{\"file\":\"d/a.god\",\"path\":\"\",\"offset\":51,\"kind\":\"leftover\",\"text\":\"1 bytes at the end "
      "of the file that are no entry\"}\n");
  const ProcessResult plain =
      RunProcess({TAZOR_CFV, "verify", "d/clean.god", "notes.txt", "missing"}, "", dir.path());
  EXPECT_EQ(plain.status, 2);
  EXPECT_EQ(plain.err,
            "tazor-cfv: missing: No such file or directory\ntazor-cfv: notes.txt: not a custom file\n");
}

}  // namespace
}  // namespace cfv
