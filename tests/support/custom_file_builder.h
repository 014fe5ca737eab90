// Builds real custom files from a description, so tests carry no hand-typed byte dumps:
//   WriteFile(dir / "x.god", Serialize({Leaf("a.t", "hi"), Branch("c.npc", {Leaf("d.bmp", Zlib(bmp))})}));
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cfv::test {

struct Entry {
  std::string name{};                      // UTF-8; encoded as code page 932
  std::string payload{};                   // raw payload bytes (for a leaf)
  std::vector<Entry> children{};           // for a branch: payload = children serialised
  std::optional<std::string> sizeField{};  // raw size field text instead of the true size (broken files)
  std::string trailing{};                  // bytes after the children inside a branch's payload
};

Entry Leaf(std::string name, std::string payload);
Entry Branch(std::string name, std::vector<Entry> children);

// A 50-byte entry header: the name (code page 932, cut to 40 bytes), the size field text; NUL-padded.
std::string Header(std::string_view name, std::string_view sizeField);

std::string Serialize(const Entry& entry);
std::string Serialize(const std::vector<Entry>& entries);

// zlib, gzip and raw deflate streams of `data`, made with zlib itself.
std::string Zlib(std::string_view data);
std::string Gzip(std::string_view data);
std::string RawDeflate(std::string_view data);

// A custom file whose single entry is `name` (payload "payload of <name>").
void WriteSingleEntryFile(const std::filesystem::path& path, const std::string& name);

// Writes bytes to a file, creating parent folders; reads a whole file.
void WriteFile(const std::filesystem::path& path, std::string_view bytes);
std::string ReadFile(const std::filesystem::path& path);

// Changes to a folder, paths relative to `dir`: "p=bytes" writes a file, "p/" makes a folder, "p->t" a
// symbolic link to t, "p=>t" a hard link to t, "p!" removes p, "p%640" sets the mode (octal).
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

// A minimal 24-bit BMP file image of the given size.
std::string MakeBmp(int width, int height);

}  // namespace cfv::test
