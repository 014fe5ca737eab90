#include "containers/entry_name.h"

#include <optional>

#include "containers/cp932.h"
#include "containers/entry_header.h"

namespace cfv {

EncodedName EncodeEntryName(std::string_view utf8) {
  EncodedName name;
  if (utf8.empty()) {
    name.problem = NameProblem::kEmpty;
    return name;
  }
  // Separators are looked for in the characters, not the encoded bytes: a
  // second byte 0x5C (as in ソ) is no backslash.
  if (utf8.find_first_of("/\\") != std::string_view::npos) {
    name.problem = NameProblem::kSeparator;
    return name;
  }
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') {
      name.problem = NameProblem::kControlByte;
      return name;
    }
  }
  std::optional<std::string> encoded = EncodeCp932Checked(utf8);
  if (!encoded) {
    name.problem = NameProblem::kNoCp932Form;
    return name;
  }
  if (encoded->size() > kNameFieldSize) {
    name.problem = NameProblem::kTooLong;
    return name;
  }
  name.field = std::move(*encoded);
  return name;
}

const char* NameProblemText(NameProblem problem) {
  switch (problem) {
    case NameProblem::kNone:
      return "is usable";
    case NameProblem::kEmpty:
      return "is empty";
    case NameProblem::kNoCp932Form:
      return "has a character with no code page 932 form (the game's encoding)";
    case NameProblem::kTooLong:
      return "takes more than 40 bytes in code page 932";
    case NameProblem::kControlByte:
      return "holds a control character an entry name may not hold";
    case NameProblem::kSeparator:
      return "holds a / or \\, which separate the names of a path";
  }
  return "";
}

}  // namespace cfv
