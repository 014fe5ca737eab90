// The name field of an entry header as a writer makes it: a name the user
// typed (UTF-8) encoded as code page 932 and checked against every rule a
// stored name must keep, so that what is written reads back as that name.
//
// Untouched names are never re-encoded (code page 932 has characters with
// two codes): writers copy their name fields as bytes.
//
// Pure functions; any thread.
#pragma once

#include <string>
#include <string_view>

namespace cfv {

// Why a new name cannot be stored.
enum class NameProblem {
  kNone,
  kEmpty,        // no characters at all
  kNoCp932Form,  // a character has no code page 932 form that reads back as itself
  kTooLong,      // more than 40 bytes once encoded
  kControlByte,  // a byte the header rules forbid (controls other than TAB, LF, CR; NUL)
  kSeparator,    // a '/' or '\': names are path components
};

struct EncodedName {
  // The name field's bytes without the NUL padding (at most 40): what a
  // header's name field holds before its first NUL.
  std::string field;
  NameProblem problem = NameProblem::kNone;
};

// Encodes and checks a new entry name.
EncodedName EncodeEntryName(std::string_view utf8);

// The problem in English words, for the command line ("has no code page
// 932 form", ...), to follow the name it is about.
const char* NameProblemText(NameProblem problem);

}  // namespace cfv
