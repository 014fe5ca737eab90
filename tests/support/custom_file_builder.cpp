#include "custom_file_builder.h"

#include <zlib.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "containers/cp932.h"

namespace cfv::test {

Entry Leaf(std::string name, std::string payload) {
  Entry e;
  e.name = std::move(name);
  e.payload = std::move(payload);
  return e;
}

Entry Branch(std::string name, std::vector<Entry> children) {
  Entry e;
  e.name = std::move(name);
  e.children = std::move(children);
  return e;
}

std::string Header(std::string_view name, std::string_view sizeField) {
  std::string header(50, '\0');
  const std::string encoded = EncodeCp932(name);
  header.replace(0, std::min<std::size_t>(encoded.size(), 40), encoded.substr(0, 40));
  header.replace(40, std::min<std::size_t>(sizeField.size(), 10), sizeField.substr(0, 10));
  return header;
}

std::string Serialize(const Entry& entry) {
  std::string payload = entry.children.empty() ? entry.payload : Serialize(entry.children) + entry.trailing;
  std::string header;
  const std::string size = entry.sizeField ? *entry.sizeField : std::to_string(payload.size() + 50);
  if (entry.rawName) {
    header = Header("", size);
    header.replace(0, 40, entry.rawName->substr(0, 40));
  } else {
    header = Header(entry.name, size);
  }
  return header + payload;
}

std::string Serialize(const std::vector<Entry>& entries) {
  std::string out;
  for (const Entry& e : entries) out += Serialize(e);
  return out;
}

namespace {

std::string Deflate(std::string_view data, int windowBits) {
  z_stream s{};
  if (deflateInit2(&s, 6, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("deflateInit2");
  }
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

}  // namespace

std::string Zlib(std::string_view data) { return Deflate(data, 15); }
std::string Gzip(std::string_view data) { return Deflate(data, 31); }
std::string RawDeflate(std::string_view data) { return Deflate(data, -15); }

void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

void WriteSingleEntryFile(const std::filesystem::path& path, const std::string& name) {
  WriteFile(path, Serialize({Leaf(name, "payload of " + name)}));
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "cfv-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Tests may leave folders without permissions behind; give them back first.
  for (auto it = std::filesystem::recursive_directory_iterator(
           path_, std::filesystem::directory_options::skip_permission_denied, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec)) {
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ec);
    }
  }
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                               ec);
  std::filesystem::remove_all(path_, ec);
}

std::string MakeBmp(int width, int height) {
  const int rowBytes = (width * 3 + 3) & ~3;
  const std::uint32_t imageSize = static_cast<std::uint32_t>(rowBytes * height);
  const std::uint32_t fileSize = 54 + imageSize;
  std::string b(fileSize, '\0');
  auto put16 = [&](std::size_t at, std::uint32_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
  };
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    put16(at, v & 0xFFFF);
    put16(at + 2, v >> 16);
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, fileSize);
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(width));
  put32(22, static_cast<std::uint32_t>(height));
  put16(26, 1);
  put16(28, 24);
  put32(34, imageSize);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::size_t at = 54 + static_cast<std::size_t>(y * rowBytes + x * 3);
      b[at] = static_cast<char>((x * 255) / std::max(1, width - 1));       // blue
      b[at + 1] = static_cast<char>((y * 255) / std::max(1, height - 1));  // green
      b[at + 2] = static_cast<char>(0x80);                                 // red
    }
  }
  return b;
}

void ApplySteps(const std::filesystem::path& dir, const std::vector<std::string>& steps) {
  for (const std::string& step : steps) {
    const std::size_t at = std::min(step.find_first_of("=%!"), step.find("->"));
    if (at == std::string::npos) {
      std::filesystem::create_directories(dir / step);
      continue;
    }
    const std::filesystem::path path = dir / step.substr(0, at);
    const std::string rest = step.substr(at);
    if (rest.starts_with("->")) {
      std::filesystem::create_directories(path.parent_path());
      std::filesystem::create_symlink(dir / rest.substr(2), path);
    } else if (rest.starts_with("=>")) {
      std::filesystem::create_hard_link(dir / rest.substr(2), path);
    } else if (rest[0] == '=') {
      WriteFile(path, rest.substr(1));
    } else if (rest[0] == '%') {
      std::filesystem::permissions(path, std::filesystem::perms(std::stoi(rest.substr(1), nullptr, 8)));
    } else {
      std::filesystem::remove(path);
    }
  }
}

}  // namespace cfv::test
