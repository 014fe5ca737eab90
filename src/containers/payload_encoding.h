// A leaf's payload as a writer makes it, and the format's traps for it.
//
// Nothing flags how an entry is stored: a payload reads back as a branch
// when its first 50 bytes form an entry header, as inflated data when it is
// a complete zlib or gzip stream whose output fits in 64 MiB, and as the
// stored bytes otherwise. So new data, stored or compressed, may read back
// as something else; CheckLeafPayload tells when, for the payload on its own
// (a payload shorter than a header depends on the bytes after it too: the
// writer's check of the whole file sees that).
//
// Pure functions; any thread.
#pragma once

#include <string>
#include <string_view>

#include "containers/extract.h"

namespace cfv {

// The payload that stores `data` with `compression`: the data itself, a
// zlib stream (level 6), or a gzip stream (level 6, modification time 0,
// operating system 3): the same data always gives the same bytes.
std::string EncodePayload(std::string_view data, Compression compression);

// Why a leaf's payload would not read back as its data.
enum class LeafTrap {
  kNone,
  kReadsAsBranch,  // the payload begins with 50 bytes that form an entry header
  kReadsInflated,  // stored data that is itself a complete zlib or gzip stream
  kReadsStored,    // compressed data that reads back as stored: empty, or over 64 MiB inflated
};

// Whether `payload`, as a leaf's payload, reads back as `data` with
// `compression`.
LeafTrap CheckLeafPayload(std::string_view payload, std::string_view data, Compression compression);

// The trap in English words, for the command line.
const char* LeafTrapText(LeafTrap trap);

// "none", "zlib" or "gzip".
const char* CompressionName(Compression compression);

}  // namespace cfv
