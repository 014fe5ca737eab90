// A scratch file for fuzz targets: the core takes paths, so each input is
// written to one file that lives in memory (memfd) for the process's life
// and is reached through /proc/self/fd. Nothing is left on disk.
//
// Thread: one user (libFuzzer runs inputs one at a time).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace cfv::fuzz {

// Replaces the scratch file's contents with `size` bytes and returns its
// path. Aborts when the file cannot be made or written: a fuzz run without
// its input would test nothing.
const std::filesystem::path& WriteScratch(const std::uint8_t* data, std::size_t size);

}  // namespace cfv::fuzz
