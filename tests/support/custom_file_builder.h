// Test helper: builds real custom files byte by byte from a description, so
// tests never carry hand-typed byte dumps.
//
//   TempDir dir;
//   WriteFile(dir / "x.god",
//             Serialize({Leaf("a.txt", "hello"),                 // a stored leaf
//                        Leaf("b.bmp", Zlib(bitmap)),            // a zlib-compressed payload
//                        Branch("c.npc", {Leaf("d.t", "x")})}));  // a nested container
//
// Names are UTF-8 and are written as code page 932, truncated to 40 bytes.
// An entry may force its size field (`sizeField`) to make broken files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cfv::test {

struct Entry {
  std::string name;                      // UTF-8; encoded as code page 932
  std::string payload;                   // raw payload bytes (for a leaf)
  std::vector<Entry> children;           // for a branch: payload = children serialised
  std::optional<std::string> sizeField;  // raw size field text instead of the true size
  std::optional<std::string> rawName;    // raw 40-byte name field bytes instead of `name`
  std::string trailing;                  // bytes after the children inside a branch's payload
};

Entry Leaf(std::string name, std::string payload);
Entry Branch(std::string name, std::vector<Entry> children);

// A 50-byte entry header with the given name (code page 932) and size field
// text (NUL-padded). Names longer than 40 bytes are cut.
std::string Header(std::string_view name, std::string_view sizeField);

// Serialises one entry (header + payload) and a list of entries.
std::string Serialize(const Entry& entry);
std::string Serialize(const std::vector<Entry>& entries);

// zlib, gzip and raw deflate streams of `data`, made with zlib itself.
std::string Zlib(std::string_view data);
std::string Gzip(std::string_view data);
std::string RawDeflate(std::string_view data);

// Writes a small custom file whose single entry is named `name` (payload
// "payload of <name>"), creating parent folders.
void WriteSingleEntryFile(const std::filesystem::path& path, const std::string& name);

// Writes bytes to a file, creating parent folders.
void WriteFile(const std::filesystem::path& path, std::string_view bytes);
std::string ReadFile(const std::filesystem::path& path);

// Changes to a folder, paths relative to `dir`: "p=bytes" writes a file,
// "p/" makes a folder, "p->t" a symbolic link to t, "p=>t" a hard link to
// t, "p!" removes p, "p%640" sets the mode (octal).
void ApplySteps(const std::filesystem::path& dir, const std::vector<std::string>& steps);

// A fresh temporary folder, removed with everything in it on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// A minimal BMP file image (24-bit) of the given size.
std::string MakeBmp(int width, int height);

}  // namespace cfv::test
