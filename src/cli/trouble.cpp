#include <cstring>

#include "cli/commands.h"
#include "compare/input_files.h"

namespace cfv::cli {

void ReportTrouble(std::FILE* err, const ReadTrouble& trouble) {
  const std::string path = EscapeField(trouble.path);
  switch (trouble.kind) {
    case ReadTrouble::Kind::kUnreadable:
      std::fprintf(err, "tazor-cfv: %s: %s\n", path.c_str(),
                   trouble.error != 0 ? std::strerror(trouble.error) : "not a regular file");
      break;
    case ReadTrouble::Kind::kNotCustomFile:
      std::fprintf(err, "tazor-cfv: %s: not a custom file\n", path.c_str());
      break;
    case ReadTrouble::Kind::kEntryUnreadable:
      std::fprintf(err, "tazor-cfv: %s: the entry at offset %u: %s\n", path.c_str(), trouble.offset,
                   std::strerror(trouble.error));
      break;
    case ReadTrouble::Kind::kChanged:
      std::fprintf(err, "tazor-cfv: %s: changed while it was read; the rest of it is left out\n",
                   path.c_str());
      break;
    case ReadTrouble::Kind::kFileAndFolder:
      std::fprintf(err,
                   "tazor-cfv: %s: not a folder, and the other is one (compare two files or two folders)\n",
                   path.c_str());
      break;
  }
}

}  // namespace cfv::cli
