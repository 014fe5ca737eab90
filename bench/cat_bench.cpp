// cfv-bench-cat: `tazor-cfv cat FILE OFFSET` for every entry of a corpus, in
// one process: the code the command runs once its arguments are read
// (cfv::cli::RunCat), entry after entry, without starting a process for
// each, which would measure process start-up and not the cat.
//
//   cfv-bench-cat FILES_FOLDER ENTRIES_TSV
//
// ENTRIES_TSV as for cfv-ref-inflate, the baseline; the data goes to
// standard output.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "cli/commands.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: cfv-bench-cat FILES_FOLDER ENTRIES_TSV\n");
    return 2;
  }
  const std::string root = std::string(argv[1]) + "/";
  std::ifstream list(argv[2]);
  if (!list) {
    std::fprintf(stderr, "cfv-bench-cat: cannot read %s\n", argv[2]);
    return 2;
  }
  std::string line;
  int failures = 0;
  while (std::getline(list, line)) {
    const std::size_t t1 = line.find('\t');
    if (t1 == std::string::npos) continue;
    const auto offset = static_cast<std::uint32_t>(std::strtoul(line.c_str() + t1 + 1, nullptr, 10));
    if (cfv::cli::RunCat(root + line.substr(0, t1), offset, stdout, stderr) != 0) ++failures;
  }
  if (failures != 0) std::fprintf(stderr, "cfv-bench-cat: %d entries failed\n", failures);
  return failures == 0 ? 0 : 1;
}
