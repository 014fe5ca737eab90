#include "containers/verify.h"

#include <zlib.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "containers/custom_file.h"
#include "containers/entry_header.h"
#include "containers/extract.h"
#include "containers/loader.h"

namespace cfv {
namespace {

constexpr std::uint64_t kSignedOffsetLimit = std::uint64_t{1} << 31;
// A failed stream that had already produced this much was meant as one.
constexpr std::size_t kMeantAsStream = 1024;

// zlib's verdict on a payload whose fast inflate failed: why, when the
// failure is one readers should not pass over silently; empty otherwise.
std::string StreamFailure(const unsigned char* payload, std::size_t length) {
  struct Free {
    void operator()(unsigned char* p) const { std::free(p); }
  };
  thread_local std::unique_ptr<unsigned char, Free> scratch(
      static_cast<unsigned char*>(std::malloc(kInflateLimit)));
  if (!scratch) return {};
  z_stream stream{};
  stream.next_in = const_cast<Bytef*>(payload);
  stream.avail_in = static_cast<uInt>(length);
  stream.next_out = scratch.get();
  stream.avail_out = static_cast<uInt>(kInflateLimit);
  if (inflateInit2(&stream, 47) != Z_OK) return {};
  const int rc = inflate(&stream, Z_FINISH);
  const std::string message = stream.msg != nullptr ? stream.msg : "";
  const std::size_t produced = stream.total_out;
  const bool full = stream.avail_out == 0;
  inflateEnd(&stream);
  if (rc == Z_STREAM_END) return {};
  if (rc == Z_DATA_ERROR && (message == "incorrect data check" || message == "incorrect length check"))
    return "a compressed stream that fails its trailer check (" + message +
           "); readers take its stored bytes";
  if (full) return "a compressed stream that inflates to more than 64 MiB; readers take its stored bytes";
  if (produced >= kMeantAsStream)
    return "a compressed stream that fails after " + std::to_string(produced) +
           " bytes of output; readers take its stored bytes";
  return {};
}

class Walk {
 public:
  Walk(CustomFile& file, bool streams, VerifyReport& report, std::vector<std::string>* names)
      : file_(file), streams_(streams), report_(report), names_(names) {}

  // The list of entries in [start, end) at nesting `level` (1 at the top),
  // inside the branch at `path` ("" for the file). False once a read failed.
  bool List(std::uint64_t start, std::uint64_t end, unsigned level, const std::string& path) {
    for (std::uint64_t at = start; at < end;) {
      unsigned char header[kEntryHeaderSize];
      if (!Read(at, header, sizeof header)) return false;
      const std::uint64_t size = HeaderSizeValue(header);
      const std::string entryPath = Join(path, header);
      if (!IsUsableEntryHeader(header)) {
        if (IsEntryHeader(header))
          Add(FileProblem::Kind::kSize, at, entryPath,
              "an entry header whose size " + std::to_string(size) + " is below the 50 bytes of the header");
        else
          Add(FileProblem::Kind::kLeftover, at, path,
              std::to_string(end - at) + " bytes at the end of " + Where(path) + " that are no entry");
        return true;
      }
      if (names_ != nullptr) names_->push_back(HeaderNameField(header));
      if (at >= kSignedOffsetLimit)
        Add(FileProblem::Kind::kOffset, at, entryPath, "an entry header at or past 2 GiB");
      if (at + size > end)
        Add(FileProblem::Kind::kOverrun, at, entryPath,
            "an entry that runs " + std::to_string(at + size - end) + " bytes past the end of " +
                Where(path));
      if (!Payload(at, size, level, entryPath)) return false;
      at += size;
    }
    return true;
  }

 private:
  // The payload of the entry at `at`: a list of entries, or data.
  bool Payload(std::uint64_t at, std::uint64_t size, unsigned level, const std::string& path) {
    const std::uint64_t length = size - kEntryHeaderSize;
    if (length == 0) return true;
    // As the loader reads it: 50 bytes from the payload's start, running on
    // past a short payload.
    unsigned char candidate[kEntryHeaderSize];
    if (!Read(at + kEntryHeaderSize, candidate, sizeof candidate)) return false;
    if (IsUsableEntryHeader(candidate)) {
      if (level < kMaxNestingDepth) return List(at + kEntryHeaderSize, at + size, level + 1, path);
      Add(FileProblem::Kind::kDepth, at, path,
          "an entry at nesting level " + std::to_string(level) +
              " whose payload starts with an entry header: readers take it as data, not as a branch");
    }
    if (!streams_ || length < 2 || (candidate[0] != 0x1F && (candidate[0] & 0x0F) != 8)) return true;
    const std::uint64_t present =
        file_.Length() > at + kEntryHeaderSize ? file_.Length() - at - kEntryHeaderSize : 0;
    const std::size_t stored = static_cast<std::size_t>(std::min(length, present));
    thread_local std::vector<unsigned char> payload;
    payload.resize(stored);
    if (!Read(at + kEntryHeaderSize, payload.data(), stored)) return false;
    thread_local std::unique_ptr<unsigned char[]> out(new unsigned char[kInflateLimit]);
    if (InflatePayload(out.get(), kInflateLimit, payload.data(), stored) != 0) return true;
    if (std::string why = StreamFailure(payload.data(), stored); !why.empty())
      Add(FileProblem::Kind::kStream, at, path, why);
    return true;
  }

  bool Read(std::uint64_t at, unsigned char* out, std::size_t n) {
    if (at > 0xFFFFFFFFu) {
      std::memset(out, 0, n);
      return true;
    }
    file_.MoveTo(static_cast<std::uint32_t>(at));
    const bool ok = n <= 64 * 1024 ? file_.ReadZeroed(out, n) : file_.ReadDirect(out, n);
    if (!ok) report_.readError = file_.ReadError() != 0 ? file_.ReadError() : EIO;
    return ok;
  }

  static std::string Join(const std::string& path, const unsigned char* header) {
    std::string joined = path;
    if (!joined.empty()) joined.push_back('/');
    for (const char c : HeaderName(header)) joined.push_back(c == '\\' ? '/' : c);
    return joined;
  }

  static std::string Where(const std::string& path) { return path.empty() ? "the file" : "its branch"; }

  void Add(FileProblem::Kind kind, std::uint64_t at, const std::string& path, std::string text) {
    report_.problems.push_back({kind, at, path, std::move(text)});
  }

  CustomFile& file_;
  bool streams_;
  VerifyReport& report_;
  std::vector<std::string>* names_;
};

}  // namespace

const char* ProblemKindName(FileProblem::Kind kind) {
  static constexpr const char* kNames[] = {"leftover", "overrun", "size", "offset", "depth", "stream"};
  return kNames[static_cast<int>(kind)];
}

bool IsStructural(FileProblem::Kind kind) { return kind != FileProblem::Kind::kStream; }

VerifyReport VerifyCustomFile(CustomFile& file, bool streams, std::vector<std::string>* nameFields) {
  VerifyReport report;
  unsigned char first[kEntryHeaderSize];
  file.MoveTo(0);
  if (!file.ReadZeroed(first, sizeof first)) {
    report.readError = file.ReadError() != 0 ? file.ReadError() : EIO;
    return report;
  }
  report.customFile = IsUsableEntryHeader(first);
  if (report.customFile) Walk(file, streams, report, nameFields).List(0, file.Length(), 1, "");
  return report;
}

}  // namespace cfv
