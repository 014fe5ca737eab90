// cfv-ref-extract: the cost of extracting compressed entries and nothing
// else, the baseline the export is measured against.
//
//   cfv-ref-extract FILES_FOLDER ENTRIES_TSV
//
// ENTRIES_TSV (written by make-corpus) gives one entry per line: custom file,
// header offset, entry size, output path, the paths relative to FILES_FOLDER.
// For each entry the program reads the payload, inflates it with zlib in one
// call (or takes it as stored when it does not inflate) and writes it to the
// output path. It walks no tree, checks no header, asks nothing, keeps each
// custom file open across its entries and creates each output folder once:
// the physical work of an export, as cheaply as it can be done.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kHeader = 50;
constexpr std::size_t kOutCapacity = 64u * 1024 * 1024;

bool ReadAll(int fd, unsigned char* out, std::size_t n, off_t at) {
  std::size_t got = 0;
  while (got < n) {
    const ssize_t r = ::pread(fd, out + got, n - got, at + static_cast<off_t>(got));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    got += static_cast<std::size_t>(r);
  }
  return true;
}

bool WriteAll(int fd, const unsigned char* data, std::size_t n) {
  std::size_t put = 0;
  while (put < n) {
    const ssize_t w = ::write(fd, data + put, n - put);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    put += static_cast<std::size_t>(w);
  }
  return true;
}

std::size_t Inflate(unsigned char* out, std::size_t capacity, unsigned char* in, std::size_t n) {
  z_stream s{};
  s.next_in = in;
  s.avail_in = static_cast<uInt>(n);
  s.next_out = out;
  s.avail_out = static_cast<uInt>(capacity);
  if (inflateInit2(&s, 47) != Z_OK) return 0;
  const int rc = inflate(&s, Z_FINISH);
  const std::size_t total = s.total_out;
  inflateEnd(&s);
  return rc == Z_STREAM_END ? total : 0;
}

void MakeFolders(const std::string& path) {
  for (std::size_t i = 1; i < path.size(); ++i) {
    if (path[i] == '/') ::mkdir(path.substr(0, i).c_str(), 0777);
  }
  ::mkdir(path.c_str(), 0777);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: cfv-ref-extract FILES_FOLDER ENTRIES_TSV\n");
    return 2;
  }
  const std::string root = std::string(argv[1]) + "/";
  std::ifstream list(argv[2]);
  if (!list) {
    std::fprintf(stderr, "cfv-ref-extract: cannot read %s\n", argv[2]);
    return 2;
  }
  auto* out = static_cast<unsigned char*>(std::malloc(kOutCapacity));
  std::vector<unsigned char> payload;
  std::string openName, lastFolder, line;
  int in = -1;
  int failures = 0;
  while (std::getline(list, line)) {
    const std::size_t t1 = line.find('\t');
    const std::size_t t2 = line.find('\t', t1 + 1);
    const std::size_t t3 = line.find('\t', t2 + 1);
    if (t3 == std::string::npos) continue;
    const std::string file = line.substr(0, t1);
    const off_t offset = std::strtoll(line.c_str() + t1 + 1, nullptr, 10);
    const std::size_t size = std::strtoull(line.c_str() + t2 + 1, nullptr, 10);
    const std::string target = root + line.substr(t3 + 1);
    if (file != openName) {
      if (in >= 0) ::close(in);
      in = ::open((root + file).c_str(), O_RDONLY | O_CLOEXEC);
      openName = file;
    }
    const std::size_t n = size - kHeader;
    payload.resize(n);
    if (in < 0 || !ReadAll(in, payload.data(), n, offset + static_cast<off_t>(kHeader))) {
      ++failures;
      continue;
    }
    std::size_t length = Inflate(out, kOutCapacity, payload.data(), n);
    const unsigned char* data = out;
    if (length == 0) {
      data = payload.data();
      length = n;
    }
    const std::string folder = target.substr(0, target.rfind('/'));
    if (folder != lastFolder) {
      MakeFolders(folder);
      lastFolder = folder;
    }
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0 || !WriteAll(fd, data, length)) ++failures;
    if (fd >= 0) ::close(fd);
  }
  if (in >= 0) ::close(in);
  std::free(out);
  if (failures != 0) std::fprintf(stderr, "cfv-ref-extract: %d entries failed\n", failures);
  return failures == 0 ? 0 : 1;
}
