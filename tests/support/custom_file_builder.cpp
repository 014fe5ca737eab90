#include "custom_file_builder.h"

#include <zlib.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "containers/cp932.h"

namespace cfv::test {

namespace fs = std::filesystem;

Entry Leaf(std::string name, std::string payload) { return {std::move(name), std::move(payload)}; }
Entry Branch(std::string name, std::vector<Entry> children) {
  return {.name = std::move(name), .children = std::move(children)};
}

std::string Header(std::string_view name, std::string_view sizeField) {
  std::string header = EncodeCp932(name).substr(0, 40);
  header.resize(40, '\0');
  header += sizeField.substr(0, 10);
  header.resize(50, '\0');
  return header;
}

std::string Serialize(const Entry& e) {
  const std::string payload = e.children.empty() ? e.payload : Serialize(e.children) + e.trailing;
  return Header(e.name, e.sizeField.value_or(std::to_string(payload.size() + 50))) + payload;
}

std::string Serialize(const std::vector<Entry>& entries) {
  std::string out;
  for (const Entry& e : entries) out += Serialize(e);
  return out;
}

static std::string Deflate(std::string_view data, int windowBits) {
  z_stream s{};
  if (deflateInit2(&s, 6, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("deflate");
  std::string out(deflateBound(&s, data.size()) + 32, '\0');
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  s.avail_in = static_cast<uInt>(data.size());
  s.next_out = reinterpret_cast<Bytef*>(out.data());
  s.avail_out = static_cast<uInt>(out.size());
  const int rc = deflate(&s, Z_FINISH);
  deflateEnd(&s);
  if (rc != Z_STREAM_END) throw std::runtime_error("deflate");
  out.resize(s.total_out);
  return out;
}

std::string Zlib(std::string_view data) { return Deflate(data, 15); }
std::string Gzip(std::string_view data) { return Deflate(data, 31); }
std::string RawDeflate(std::string_view data) { return Deflate(data, -15); }

void WriteFile(const fs::path& path, std::string_view bytes) {
  if (path.has_parent_path()) fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

void WriteSingleEntryFile(const fs::path& path, const std::string& name) {
  WriteFile(path, Serialize({Leaf(name, "payload of " + name)}));
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "cfv-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
  path_ = pattern;
}

TempDir::~TempDir() {
  // Tests may leave folders without permissions behind; give them back first.
  std::error_code ec;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  for (auto it = fs::recursive_directory_iterator(path_, fs::directory_options::skip_permission_denied, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec))
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::remove_all(path_, ec);
}

std::string MakeBmp(int width, int height) {
  const auto le32 = [](std::uint32_t v) {
    return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
  };
  const int rowBytes = (width * 3 + 3) & ~3;
  const auto imageSize = static_cast<std::uint32_t>(rowBytes * height);
  // File header, then a BITMAPINFOHEADER: one plane, 24 bits per pixel, no compression.
  std::string b = "BM" + le32(54 + imageSize) + le32(0) + le32(54) + le32(40) + le32(width) + le32(height) +
                  le32(1 | 24 << 16) + le32(0) + le32(imageSize) + std::string(16, '\0');
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)  // blue, green, red
      b += {char(x * 255 / std::max(1, width - 1)), char(y * 255 / std::max(1, height - 1)), '\x80'};
    b.resize(54 + static_cast<std::size_t>((y + 1) * rowBytes), '\0');
  }
  return b;
}

void ApplySteps(const fs::path& dir, const std::vector<std::string>& steps) {
  for (const std::string& step : steps) {
    const std::size_t at = std::min(step.find_first_of("=%!"), step.find("->"));
    const fs::path path = dir / step.substr(0, at);
    const std::string rest = at == std::string::npos ? "" : step.substr(at);
    const std::string op = rest.substr(0, rest.starts_with("->") || rest.starts_with("=>") ? 2 : 1);
    const std::string arg = rest.substr(op.size());
    if (op.empty() || op == "->") fs::create_directories(op.empty() ? path : path.parent_path());
    if (op == "->") fs::create_symlink(dir / arg, path);
    if (op == "=>") fs::create_hard_link(dir / arg, path);
    if (op == "=") WriteFile(path, arg);
    if (op == "%") fs::permissions(path, fs::perms(std::stoi(arg, nullptr, 8)));
    if (op == "!") fs::remove(path);
  }
}

}  // namespace cfv::test
