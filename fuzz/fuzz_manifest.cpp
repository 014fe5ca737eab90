// Fuzz target: manifest.json as pack reads it, whatever a hand may have
// made of it. Reading never fails other than with a message; what it
// accepts is written back as the same manifest, which reads again as itself.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "export/manifest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  cfv::Manifest manifest;
  std::string error;
  if (!cfv::ParseManifest(std::string_view(reinterpret_cast<const char*>(data), size), manifest, error)) {
    if (error.empty()) std::abort();
    return 0;
  }
  const std::string written = cfv::ManifestJson(manifest);
  cfv::Manifest again;
  if (!cfv::ParseManifest(written, again, error) || cfv::ManifestJson(again) != written) {
    std::fprintf(stderr, "broken promise: an accepted manifest does not read back as itself: %s\n",
                 error.c_str());
    std::abort();
  }
  return 0;
}
