#include "export/manifest.h"

#include <sys/stat.h>
#include <unistd.h>
#include <xxhash.h>

#include <cerrno>
#include <memory>
#include <utility>

#include "common/json_string.h"
#include "containers/entry_header.h"
#include "containers/payload_encoding.h"

namespace cfv {
namespace {

constexpr char kHex[] = "0123456789abcdef";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// `hex` as bytes; nothing when it is not pairs of hex digits.
std::optional<std::string> FromHex(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string bytes;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int high = HexDigit(hex[i]), low = HexDigit(hex[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes.push_back(static_cast<char>(high << 4 | low));
  }
  return bytes;
}

std::string ToHex(std::string_view bytes) {
  std::string hex;
  for (const char c : bytes) {
    hex.push_back(kHex[static_cast<unsigned char>(c) >> 4]);
    hex.push_back(kHex[static_cast<unsigned char>(c) & 15]);
  }
  return hex;
}

// A JSON value, as far as a manifest needs one: numbers are whole and not
// negative.
struct Json {
  enum class Type { kNull, kBool, kNumber, kString, kArray, kObject };
  Type type = Type::kNull;
  bool boolean = false;
  std::uint64_t number = 0;
  std::string text;
  std::vector<Json> items;        // an array's, or an object's member values
  std::vector<std::string> keys;  // an object's member names

  const Json* Find(std::string_view key) const {
    for (std::size_t i = 0; i < keys.size(); ++i)
      if (keys[i] == key) return &items[i];
    return nullptr;
  }
};

// A strict reader of JSON text (RFC 8259), nesting no deeper than a
// manifest does.
class JsonReader {
 public:
  explicit JsonReader(std::string_view text) : text_(text) {}

  bool Document(Json& value) {
    if (!Value(value, 0)) return false;
    Blanks();
    return at_ == text_.size() || Fail("text after the end of the JSON value");
  }
  const std::string& Error() const { return error_; }

 private:
  // As deep as a manifest goes: the members of an entry of the entries of
  // the document. Deeper input is refused before it can exhaust the stack.
  static constexpr int kMaxNesting = 3;

  bool Fail(std::string what) {
    if (error_.empty()) error_ = what + " at byte " + std::to_string(at_);
    return false;
  }
  void Blanks() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r'))
      ++at_;
  }
  bool Literal(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return Fail("not JSON");
    at_ += word.size();
    return true;
  }

  bool Value(Json& value, int nesting) {
    Blanks();
    if (at_ >= text_.size()) return Fail("the text ends where a value should be");
    if (nesting > kMaxNesting) return Fail("values nested too deep");
    const char c = text_[at_];
    if (c == '{') return Object(value, nesting);
    if (c == '[') return Array(value, nesting);
    if (c == '"') return value.type = Json::Type::kString, String(value.text);
    if (c == 'n') return value.type = Json::Type::kNull, Literal("null");
    if (c == 't') return value.type = Json::Type::kBool, value.boolean = true, Literal("true");
    if (c == 'f') return value.type = Json::Type::kBool, Literal("false");
    if (c >= '0' && c <= '9') return Number(value);
    return Fail("not JSON, or a number that is negative or not whole");
  }

  bool Number(Json& value) {
    value.type = Json::Type::kNumber;
    const std::size_t start = at_;
    for (; at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9'; ++at_) {
      const auto digit = static_cast<std::uint64_t>(text_[at_] - '0');
      if (value.number > (UINT64_MAX - digit) / 10) return Fail("a number too large");
      value.number = value.number * 10 + digit;
    }
    if (at_ - start > 1 && text_[start] == '0') return Fail("a number with a leading zero");
    if (at_ < text_.size() && (text_[at_] == '.' || text_[at_] == 'e' || text_[at_] == 'E'))
      return Fail("a number that is not whole");
    return true;
  }

  // Four hex digits of a \u escape.
  bool Unit(unsigned& unit) {
    unit = 0;
    const std::string_view digits = text_.substr(at_, 4);
    for (const char c : digits) {
      if (HexDigit(c) < 0) return Fail("a bad unicode escape");
      unit = unit << 4 | static_cast<unsigned>(HexDigit(c));
    }
    at_ += digits.size();
    return digits.size() == 4 || Fail("a bad unicode escape");
  }

  bool String(std::string& out) {
    ++at_;  // the opening quote
    for (;;) {
      if (at_ >= text_.size()) return Fail("a string that does not end");
      const auto c = static_cast<unsigned char>(text_[at_++]);
      if (c == '"') return true;
      if (c < 0x20) return Fail("a control character in a string");
      if (c != '\\') {
        out.push_back(static_cast<char>(c));
        continue;
      }
      if (at_ >= text_.size()) return Fail("a string that does not end");
      const char e = text_[at_++];
      static constexpr std::string_view kEscapes = "\"\\/bfnrt", kMeanings = "\"\\/\b\f\n\r\t";
      if (const auto k = kEscapes.find(e); k != std::string_view::npos) {
        out.push_back(kMeanings[k]);
        continue;
      }
      if (e != 'u') return Fail("a bad escape in a string");
      unsigned code;
      if (!Unit(code)) return false;
      if (code >= 0xD800 && code < 0xDC00) {
        unsigned low;
        if (!Literal("\\u") || !Unit(low) || low < 0xDC00 || low > 0xDFFF) return Fail("a lone surrogate");
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
      } else if (code >= 0xDC00 && code < 0xE000) {
        return Fail("a lone surrogate");
      }
      AppendUtf8(out, code);
    }
  }

  static void AppendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
      out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
      out.push_back(static_cast<char>(0xC0 | code >> 6));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | code >> 12));
      out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | code >> 18));
      out.push_back(static_cast<char>(0x80 | (code >> 12 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }

  // The items of an array or the members of an object, up to `close`.
  template <typename Item>
  bool List(char close, Item&& item) {
    ++at_;
    Blanks();
    if (at_ < text_.size() && text_[at_] == close) return ++at_, true;
    for (;;) {
      if (!item()) return false;
      Blanks();
      if (at_ < text_.size() && text_[at_] == close) return ++at_, true;
      if (at_ >= text_.size() || text_[at_] != ',') return Fail(std::string("expected , or ") + close);
      ++at_;
    }
  }

  bool Array(Json& value, int nesting) {
    value.type = Json::Type::kArray;
    return List(']', [&] { return Value(value.items.emplace_back(), nesting + 1); });
  }

  bool Object(Json& value, int nesting) {
    value.type = Json::Type::kObject;
    return List('}', [&] {
      Blanks();
      if (at_ >= text_.size() || text_[at_] != '"') return Fail("expected a member name");
      if (!String(value.keys.emplace_back())) return false;
      Blanks();
      if (at_ >= text_.size() || text_[at_] != ':') return Fail("expected :");
      ++at_;
      return Value(value.items.emplace_back(), nesting + 1);
    });
  }

  std::string_view text_;
  std::size_t at_ = 0;
  std::string error_;
};

// Whether `path` is a path inside the export folder: components joined by
// '/', none of them empty, "." or "..".
bool InsideExportFolder(std::string_view path) {
  if (path.empty()) return false;
  for (std::size_t start = 0;;) {
    const std::size_t end = path.find('/', start);
    const std::string_view part = path.substr(start, end == std::string_view::npos ? end : end - start);
    if (part.empty() || part == "." || part == "..") return false;
    if (end == std::string_view::npos) return true;
    start = end + 1;
  }
}

std::optional<Hash128> HashFromHex(std::string_view hex) {
  const std::optional<std::string> bytes = hex.size() == 32 ? FromHex(hex) : std::nullopt;
  if (!bytes) return std::nullopt;
  Hash128 hash;
  for (int i = 0; i < 8; ++i) {
    hash.high = hash.high << 8 | static_cast<unsigned char>((*bytes)[i]);
    hash.low = hash.low << 8 | static_cast<unsigned char>((*bytes)[8 + i]);
  }
  return hash;
}

// Reads the members of one object of the manifest, naming what is wrong.
class Fields {
 public:
  Fields(const Json& object, std::string where, std::string& error)
      : object_(object), where_(std::move(where)), error_(error) {}

  const Json* Get(const char* key, Json::Type type, bool nullable = false) {
    const Json* value = object_.Find(key);
    if (value != nullptr && (value->type == type || (nullable && value->type == Json::Type::kNull)))
      return value;
    Problem(std::string(value == nullptr ? "has no " : "has a bad ") + key);
    return nullptr;
  }
  bool Number(const char* key, std::uint64_t& out, std::uint64_t limit = UINT64_MAX) {
    const Json* value = Get(key, Json::Type::kNumber);
    if (value != nullptr && value->number > limit) return Problem(std::string("has a bad ") + key);
    if (value != nullptr) out = value->number;
    return value != nullptr;
  }
  bool Hash(const char* key, Hash128& out) {
    const Json* value = Get(key, Json::Type::kString);
    const std::optional<Hash128> hash = value != nullptr ? HashFromHex(value->text) : std::nullopt;
    if (value != nullptr && !hash) return Problem(std::string("has a bad ") + key);
    if (hash) out = *hash;
    return hash.has_value();
  }
  bool Problem(const std::string& text) {
    if (error_.empty()) error_ = where_ + " " + text;
    return false;
  }

 private:
  const Json& object_;
  std::string where_;
  std::string& error_;
};

bool ReadEntry(const Json& object, std::size_t index, unsigned previousDepth, bool previousBranch,
               ManifestEntry& entry, std::string& error) {
  const Json* path = object.Find("path");
  if (path != nullptr && path->type == Json::Type::kString) entry.path = path->text;
  Fields fields(object, "entry " + std::to_string(index + 1) + " (" + entry.path + ")", error);
  if (object.type != Json::Type::kObject) return fields.Problem("is not an object");
  if (fields.Get("path", Json::Type::kString) == nullptr) return false;
  std::uint64_t depth = 0;
  const Json* name = fields.Get("name_hex", Json::Type::kString);
  const Json* branch = fields.Get("branch", Json::Type::kBool);
  const Json* compression = fields.Get("compression", Json::Type::kString);
  const Json* file = fields.Get("file", Json::Type::kString, true);
  if (!fields.Number("offset", entry.offset, UINT32_MAX) || !fields.Number("depth", depth, 64) ||
      name == nullptr || branch == nullptr || compression == nullptr || file == nullptr)
    return false;
  entry.depth = static_cast<unsigned>(depth);
  entry.branch = branch->boolean;
  if (depth == 0 || depth > previousDepth + 1 || (depth == previousDepth + 1 && !previousBranch))
    return fields.Problem("has a depth that does not follow from the entries before it");
  // The name must be one an entry header can hold, as the loader reads it.
  const std::optional<std::string> field = FromHex(name->text);
  unsigned char header[kEntryHeaderSize];
  if (field && field->size() <= kNameFieldSize && field->find('\0') == std::string::npos)
    EncodeEntryHeader(*field, kEntryHeaderSize, header);
  if (!field || field->size() > kNameFieldSize || field->find('\0') != std::string::npos ||
      !IsUsableEntryHeader(header))
    return fields.Problem("has a name_hex (" + name->text +
                          ") that is no name an entry can have: hex digits of at most 40 bytes, no NUL, "
                          "no control character");
  entry.nameField = *field;
  bool known = false;
  for (const Compression kind : {Compression::kNone, Compression::kZlib, Compression::kGzip})
    if (compression->text == CompressionName(kind)) entry.compression = kind, known = true;
  if (!known) return fields.Problem("has a bad compression (" + compression->text + ")");
  if (entry.branch) {
    const Json* folder = fields.Get("folder", Json::Type::kString, true);
    if (folder == nullptr) return false;
    if (folder->type == Json::Type::kString && !InsideExportFolder(folder->text))
      return fields.Problem("has a folder outside the export folder");
    entry.folder = folder->text;
  }
  if (file->type == Json::Type::kNull) {
    if (const Json* reason = object.Find("reason"); reason != nullptr && reason->type == Json::Type::kString)
      entry.reason = reason->text;
    return true;
  }
  if (!InsideExportFolder(file->text)) return fields.Problem("has a file outside the export folder");
  entry.file = file->text;
  return fields.Number("length", entry.length) && fields.Hash("xxh128", entry.hash);
}

}  // namespace

Hash128 HashBytes(const void* data, std::size_t length) {
  const XXH128_hash_t hash = XXH3_128bits(data, length);
  return {hash.high64, hash.low64};
}

bool HashFile(int fd, Hash128& hash, std::uint64_t* length) {
  struct Free {
    void operator()(XXH3_state_t* state) const { XXH3_freeState(state); }
  };
  const std::unique_ptr<XXH3_state_t, Free> state(XXH3_createState());
  if (!state || XXH3_128bits_reset(state.get()) != XXH_OK) {
    errno = ENOMEM;
    return false;
  }
  // One buffer for every file, small enough to stay in the cache between
  // the read and the hash: pack hashes thousands of files.
  constexpr std::size_t kChunk = 256 << 10;
  thread_local const std::unique_ptr<unsigned char[]> buffer(new unsigned char[kChunk]);
  std::uint64_t at = 0;
  for (;;) {
    const ssize_t got = ::pread(fd, buffer.get(), kChunk, static_cast<off_t>(at));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) break;
    XXH3_128bits_update(state.get(), buffer.get(), static_cast<std::size_t>(got));
    at += static_cast<std::uint64_t>(got);
  }
  const XXH128_hash_t digest = XXH3_128bits_digest(state.get());
  hash = {digest.high64, digest.low64};
  if (length != nullptr) *length = at;
  return true;
}

std::string HashHex(const Hash128& hash) {
  std::string hex;
  for (const std::uint64_t half : {hash.high, hash.low})
    for (int shift = 60; shift >= 0; shift -= 4) hex.push_back(kHex[half >> shift & 15]);
  return hex;
}

std::string ManifestJson(const Manifest& manifest) {
  std::string out = "{\"version\": " + std::to_string(kManifestVersion) +
                    ", \"size\": " + std::to_string(manifest.size) + ", \"xxh128\": \"" +
                    HashHex(manifest.hash) + "\", \"entries\": [";
  const char* separator = "\n";
  for (const ManifestEntry& entry : manifest.entries) {
    out += separator;
    separator = ",\n";
    out += "{\"path\": ";
    json::AppendJsonString(out, entry.path);
    out += ", \"name_hex\": \"" + ToHex(entry.nameField) + "\", \"offset\": " + std::to_string(entry.offset) +
           ", \"depth\": " + std::to_string(entry.depth) +
           ", \"branch\": " + (entry.branch ? "true" : "false") + ", \"compression\": \"" +
           CompressionName(entry.compression) + "\"";
    if (entry.branch) {
      out += ", \"folder\": ";
      if (entry.folder.empty())
        out += "null";
      else
        json::AppendJsonString(out, entry.folder);
    }
    out += ", \"file\": ";
    if (!entry.file) {
      out += "null, \"reason\": ";
      json::AppendJsonString(out, entry.reason);
    } else {
      json::AppendJsonString(out, *entry.file);
      out +=
          ", \"length\": " + std::to_string(entry.length) + ", \"xxh128\": \"" + HashHex(entry.hash) + "\"";
    }
    out += "}";
  }
  out += "\n]}\n";
  return out;
}

bool ParseManifest(std::string_view text, Manifest& manifest, std::string& error) {
  error.clear();
  manifest = Manifest();
  Json document;
  JsonReader reader(text);
  if (!reader.Document(document)) {
    error = "not a manifest: " + reader.Error();
    return false;
  }
  Fields fields(document, "the manifest", error);
  if (document.type != Json::Type::kObject) return fields.Problem("is not a JSON object");
  const Json* version = document.Find("version");
  if (version == nullptr || version->type != Json::Type::kNumber)
    return fields.Problem("has no version: it is not one that export --manifest wrote");
  if (version->number != kManifestVersion)
    return fields.Problem("is of version " + std::to_string(version->number) +
                          "; this tazor-cfv reads version " + std::to_string(kManifestVersion) +
                          " (export again with this tazor-cfv)");
  const Json* entries = fields.Get("entries", Json::Type::kArray);
  if (!fields.Number("size", manifest.size) || !fields.Hash("xxh128", manifest.hash) || entries == nullptr)
    return false;
  if (entries->items.empty()) return fields.Problem("has no entries");
  unsigned depth = 0;
  bool branch = true;
  for (std::size_t i = 0; i < entries->items.size(); ++i) {
    ManifestEntry& entry = manifest.entries.emplace_back();
    if (!ReadEntry(entries->items[i], i, depth, branch, entry, error)) return false;
    depth = entry.depth;
    branch = entry.branch;
  }
  return true;
}

}  // namespace cfv
