// The manifest of an export (export --manifest): what became of every entry
// of one custom file, so that pack can make the custom file again from its
// export folder and, given the original, copy every unchanged entry raw.
//
// manifest.json, in the custom file's export folder, is one JSON object,
// one entry object a line:
//   version      1 (kManifestVersion); a reader refuses any other
//   size         the custom file's size in bytes
//   xxh128       XXH3-128 of its bytes, 32 hex digits (as xxh128sum prints it)
//   entries      every entry in file order (pre-order), each with
//     path         its path in the tree (EntryPathOf), for people to read
//     name_hex     the name field's bytes before the NUL padding, in hex
//     offset       its header's offset in the custom file
//     depth        1 for the file's own entries, 2 for the entries of those...
//     branch       true when it holds entries
//     compression  none, zlib or gzip (a branch: none)
//     folder       a branch only: the folder that holds its entries (null
//                  when its name leaves the export folder)
//     file         the exported file, or null when none was written
//     reason       with a null file: why (a skipped branch, a failure...)
//     length       with a file: how many bytes were written
//     xxh128       with a file: XXH3-128 of those bytes
// Paths are relative to the export folder, components joined by '/'.
//
// Pure functions, apart from HashFile; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "containers/extract.h"

namespace cfv {

inline constexpr std::uint64_t kManifestVersion = 1;
inline constexpr const char* kManifestName = "manifest.json";

// An XXH3-128 hash.
struct Hash128 {
  std::uint64_t high = 0;
  std::uint64_t low = 0;
  bool operator==(const Hash128&) const = default;
};

Hash128 HashBytes(const void* data, std::size_t length);
// Hashes the regular file open as `fd` from its start to its end (read with
// pread); `*length` gets its size. False on a read error, errno set.
bool HashFile(int fd, Hash128& hash, std::uint64_t* length = nullptr);
// 32 lower-case hex digits, high half first (xxh128sum's form).
std::string HashHex(const Hash128& hash);

struct ManifestEntry {
  std::string path;
  std::string nameField;  // the name field's bytes (name_hex decoded)
  std::uint64_t offset = 0;
  unsigned depth = 1;
  bool branch = false;
  Compression compression = Compression::kNone;
  std::string folder;               // a branch's folder; empty for none
  std::optional<std::string> file;  // the exported file
  std::string reason;               // why there is no file
  std::uint64_t length = 0;         // with a file
  Hash128 hash;                     // with a file
};

struct Manifest {
  std::uint64_t size = 0;
  Hash128 hash;
  std::vector<ManifestEntry> entries;
};

// The manifest as manifest.json holds it.
std::string ManifestJson(const Manifest& manifest);

// Reads manifest.json's text. False, with `error` in English words, for
// anything but a manifest of this version whose entries form a tree, whose
// names an entry header can hold and whose paths stay inside the export
// folder.
bool ParseManifest(std::string_view json, Manifest& manifest, std::string& error);

}  // namespace cfv
