#include "compare/data_search.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>

#include "containers/cp932.h"
#include "containers/cp932_table.h"
#include "containers/entry_pattern.h"
#include "containers/extract.h"
#include "containers/payload_reader.h"
#include "preview/classify.h"

namespace cfv {
namespace {

unsigned char AsciiLower(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The first place of `needle` (m >= 1 bytes) in haystack[0, n), or null:
// memmem, twice as fast over long data. Sixteen places at a time are
// tested for the needle's first and last bytes together, which rarely both
// match where the needle is not; only those places are compared whole.
const unsigned char* FindBytes(const unsigned char* haystack, std::size_t n, const unsigned char* needle,
                               std::size_t m) {
  std::size_t i = 0;
#ifdef __SSE2__
  if (m >= 2) {
    const __m128i first = _mm_set1_epi8(static_cast<char>(needle[0]));
    const __m128i last = _mm_set1_epi8(static_cast<char>(needle[m - 1]));
    for (; i + m - 1 + 16 <= n; i += 16) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(haystack + i));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(haystack + i + m - 1));
      auto mask = static_cast<unsigned>(
          _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last))));
      for (; mask != 0; mask &= mask - 1) {
        const unsigned char* at = haystack + i + static_cast<unsigned>(__builtin_ctz(mask));
        if (std::memcmp(at + 1, needle + 1, m - 2) == 0) return at;
      }
    }
  }
#endif
  return static_cast<const unsigned char*>(::memmem(haystack + i, n - i, needle, m));
}

// Whether a character starts at `p` of the text data[0, size). `boundary`
// is a character start at or before `p`, and becomes one at or just after
// it: the next candidate's walk starts there, so the checks of all the
// candidates in an entry walk its bytes about once.
bool StartsCharacter(const Cp932Characters& chars, const unsigned char* data, std::size_t size, std::size_t p,
                     std::size_t& boundary) {
  // A byte that is the second byte of no character starts one: the walk
  // may start just before the run of bytes that might be second bytes.
  std::size_t s = p;
  while (s > boundary && chars.MayTrail(data[s - 1])) --s;
  std::size_t i = s > boundary ? s - 1 : boundary;
  while (i < p) i += chars.Length(data + i, size - i);
  boundary = i;
  return i == p;
}

}  // namespace

DataPattern::DataPattern(std::string_view pattern, bool hex, bool ignoreCase)
    : hex_(hex), ignoreCase_(ignoreCase) {
  if (hex) {
    if (ignoreCase) {
      error_ = Error::kIgnoreCaseWithHex;
      return;
    }
    int high = -1;  // the first digit of a byte, waiting for its second
    for (const char c : pattern) {
      const bool blank = c == ' ' || c == '\t';
      const int digit = HexDigit(c);
      if ((blank && high >= 0) || (!blank && digit < 0)) {
        error_ = Error::kNotHex;
        return;
      }
      if (blank) continue;
      if (high < 0) {
        high = digit;
      } else {
        bytes_.push_back(static_cast<char>(high << 4 | digit));
        high = -1;
      }
    }
    if (high >= 0) {
      error_ = Error::kNotHex;
    } else if (bytes_.empty()) {
      error_ = Error::kEmpty;
    }
    return;
  }
  if (pattern.empty()) {
    error_ = Error::kEmpty;
    return;
  }
  std::optional<std::string> encoded = EncodeCp932Checked(pattern);
  if (!encoded) {
    error_ = Error::kNoCp932Form;
    return;
  }
  bytes_ = std::move(*encoded);
  endsInCr_ = bytes_.back() == '\r';
  if (!ignoreCase) return;
  exact_ = bytes_;
  folds_.assign(bytes_.size(), false);
  const Cp932Characters& chars = Cp932Characters::ForThread();
  const auto* p = reinterpret_cast<const unsigned char*>(exact_.data());
  for (std::size_t i = 0; i < exact_.size();) {
    const std::size_t length = chars.Length(p + i, exact_.size() - i);
    folds_[i] = length == 1;
    i += length;
  }
  // Candidates are found in data with every ASCII letter lower-cased, then
  // checked against the data as it is.
  for (char& c : bytes_) c = static_cast<char>(AsciiLower(static_cast<unsigned char>(c)));
}

bool DataPattern::SameIgnoringCase(const unsigned char* at) const {
  for (std::size_t k = 0; k < exact_.size(); ++k) {
    const auto want = static_cast<unsigned char>(exact_[k]);
    if (folds_[k] ? AsciiLower(at[k]) != AsciiLower(want) : at[k] != want) return false;
  }
  return true;
}

void DataPattern::Scan(const unsigned char* data, std::size_t size,
                       const std::function<SearchStep(const DataMatch&)>& found) const {
  if (error_ != Error::kNone) return;
  if (!hex_) return ScanText(data, size, found);
  const std::size_t m = bytes_.size();
  for (std::size_t pos = 0;;) {
    const unsigned char* hit = FindBytes(data + pos, size - pos, Needle(), m);
    if (hit == nullptr) return;
    DataMatch match;
    match.offset = static_cast<std::size_t>(hit - data);
    const SearchStep step = found(match);
    if (step == SearchStep::kNextEntry) return;
    pos = match.offset + 1;
  }
}

void DataPattern::ScanText(const unsigned char* data, std::size_t size,
                           const std::function<SearchStep(const DataMatch&)>& found) const {
  const std::size_t m = bytes_.size();
  // A match never crosses a line end.
  if (bytes_.find('\n') != std::string::npos) return;
  const unsigned char* haystack = data;
  if (ignoreCase_) {
    thread_local std::vector<unsigned char> folded;
    folded.resize(size);
    std::transform(data, data + size, folded.begin(), AsciiLower);
    haystack = folded.data();
  }
  const Cp932Characters& chars = Cp932Characters::ForThread();
  std::size_t boundary = 0;  // a character start at or before the next candidate
  std::size_t line = 1;      // the number of the line that holds `counted`
  std::size_t counted = 0;   // line feeds before it are counted
  std::size_t lineStart = 0;
  // `pos` never passes `size`; FindBytes finds nothing in fewer than m bytes.
  for (std::size_t pos = 0;;) {
    const unsigned char* hit = FindBytes(haystack + pos, size - pos, Needle(), m);
    if (hit == nullptr) return;
    const auto p = static_cast<std::size_t>(hit - haystack);
    pos = p + 1;
    if (ignoreCase_ && !SameIgnoringCase(data + p)) continue;
    if (!StartsCharacter(chars, data, size, p, boundary)) continue;
    const auto* feed = static_cast<const unsigned char*>(std::memchr(data + p, '\n', size - p));
    std::size_t end = feed != nullptr ? static_cast<std::size_t>(feed - data) : size;
    // The CR of a CR LF belongs to the line end.
    if (endsInCr_ && feed != nullptr && end > p && data[end - 1] == '\r' && p + m == end) continue;
    while (const void* lf = std::memchr(data + counted, '\n', p - counted)) {
      ++line;
      counted = lineStart = static_cast<std::size_t>(static_cast<const unsigned char*>(lf) - data) + 1;
    }
    counted = p;
    if (feed != nullptr && end > lineStart && data[end - 1] == '\r') --end;
    const SearchStep step = found({p, line, lineStart, end});
    if (step == SearchStep::kNext) {
      pos = boundary = p + m;
    } else if (step == SearchStep::kNextLine && feed != nullptr) {
      pos = boundary = static_cast<std::size_t>(feed - data) + 1;
    } else {
      return;
    }
  }
}

namespace {

struct FreeBytes {
  void operator()(unsigned char* p) const { std::free(p); }
};

class Searcher final : public InputObserver {
 public:
  Searcher(const DataPattern& pattern, SearchObserver& observer) : pattern_(pattern), observer_(observer) {}

  void FileLoaded(EntryTree&& tree) override {
    const ItemId root = tree.FirstRoot();
    const std::string file(tree.Text(root));
    int error = 0;
    if (!reader_.Open(file, error)) {
      // Gone or changed since it was loaded.
      observer_.Trouble({ReadTrouble::Kind::kUnreadable, file, 0, error});
      return;
    }
    bool fileDone = false;
    tree.ForEachPreOrder(root, [&](ItemId id, unsigned depth) {
      if (depth == 0 || tree.HasChildren(id) || fileDone) return;
      std::span<const unsigned char> payload;
      if (!reader_.Payload(tree.Data(id), payload, error)) {
        // No header where the tree has one: the file changed since it was loaded.
        observer_.Trouble(
            {error == kNoEntryHeader ? ReadTrouble::Kind::kChanged : ReadTrouble::Kind::kEntryUnreadable,
             file, tree.Data(id), error});
        fileDone = true;
        return;
      }
      if (!scratch_) scratch_.reset(static_cast<unsigned char*>(std::malloc(kInflateLimit)));
      if (!scratch_) {
        observer_.Trouble({ReadTrouble::Kind::kEntryUnreadable, file, tree.Data(id), ENOMEM});
        fileDone = true;
        return;
      }
      const DataView data = PayloadData(payload.data(), payload.size(), scratch_.get());
      SearchEntry(tree, id, file, data);
    });
  }

  void Trouble(const ReadTrouble& trouble) override { observer_.Trouble(trouble); }

 private:
  void SearchEntry(const EntryTree& tree, ItemId id, std::string_view file, const DataView& data) {
    SearchedEntry entry;
    entry.file = file;
    entry.data = data.bytes;
    entry.size = data.size;
    std::string path;
    std::size_t matches = 0;
    pattern_.Scan(data.bytes, data.size, [&](const DataMatch& match) {
      if (matches++ == 0) {
        // Told only of entries that match: most are not.
        path = EntryPathOf(tree, id);
        entry.path = path;
        unsigned char head[8] = {};
        std::memcpy(head, data.bytes, std::min(data.size, sizeof head - 4));
        entry.binary = ClassifyPreview(head, data.size, tree.Text(id)).kind != PreviewKind::kText;
      }
      return observer_.Match(entry, match);
    });
    if (matches != 0) observer_.EntryDone(entry, matches);
  }

  const DataPattern& pattern_;
  SearchObserver& observer_;
  PayloadReader reader_;
  std::unique_ptr<unsigned char, FreeBytes> scratch_;
};

}  // namespace

void SearchCustomFiles(const std::vector<std::filesystem::path>& paths, const DataPattern& pattern,
                       SearchObserver& observer) {
  Searcher searcher(pattern, observer);
  for (const std::filesystem::path& path : paths) LoadInputs({path}, searcher);
}

}  // namespace cfv
