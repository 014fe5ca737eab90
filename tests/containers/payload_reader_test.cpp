// PayloadReader over a real custom file: every payload as the file holds it, in file order and out of it,
// whatever its blocks. MappedFile: a file cut short by another program while it is mapped is a failed read,
// not the end of the process.
#include "containers/payload_reader.h"

#include <gtest/gtest.h>

#include <cstring>

#include "containers/mapped_file.h"
#include "custom_file_builder.h"

namespace cfv {
namespace {

using namespace test;

TEST(PayloadReader, ReadsEveryPayloadInAnyOrder) {
  TempDir dir;
  std::vector<Entry> entries;
  std::vector<std::string> payloads;
  std::vector<std::uint32_t> offsets;
  std::uint32_t offset = 0;
  for (int i = 0; i < 60; ++i) {
    std::string payload(3000 + i * 7919 % 40000, static_cast<char>('a' + i % 26));
    payload[static_cast<std::size_t>(i) * 31 % payload.size()] = 'X';
    offsets.push_back(offset);
    offset += static_cast<std::uint32_t>(payload.size() + 50);
    payloads.push_back(payload);
    entries.push_back(Leaf("e" + std::to_string(i), payload));
  }
  // The last entry is cut off by the end of the file: its payload is what is there.
  offsets.push_back(offset);
  payloads.push_back("cut");
  WriteFile(dir / "f.god", Serialize(entries) + Header("cut", "1000") + "cut");
  PayloadReader reader;
  int error = 0;
  ASSERT_TRUE(reader.Open(dir / "f.god", error));
  std::vector<std::size_t> order;
  for (std::size_t i = 0; i < offsets.size(); ++i) order.push_back(i);                        // onward
  for (std::size_t i = offsets.size(); i-- > 0;) order.push_back(i);                          // backward
  for (std::size_t i = 0; i < offsets.size(); ++i) order.push_back(i * 17 % offsets.size());  // jumping
  for (const std::size_t i : order) {
    std::span<const unsigned char> payload;
    ASSERT_TRUE(reader.Payload(offsets[i], payload, error)) << i;
    EXPECT_TRUE(std::string(payload.begin(), payload.end()) == payloads[i]) << i;
  }
  // No header there (inside a payload, past the end), and a file that cannot be opened.
  std::span<const unsigned char> payload;
  EXPECT_FALSE(reader.Payload(offsets[1] + 60, payload, error));
  EXPECT_EQ(error, kNoEntryHeader);
  EXPECT_FALSE(reader.Payload(offset + 100000, payload, error));
  EXPECT_EQ(error, kNoEntryHeader);
  EXPECT_FALSE(reader.Open(dir / "missing.god", error));
  EXPECT_EQ(error, ENOENT);
}

TEST(MappedFile, ReadsTheFileAndSurvivesItBeingCutShort) {
  TempDir dir;
  const std::string bytes(3 * 65536, 'm');
  WriteFile(dir / "f.god", bytes);
  MappedFile mapped;
  int error = 0;
  EXPECT_FALSE(mapped.Open(dir / "missing.god", error));
  EXPECT_EQ(error, ENOENT);
  EXPECT_FALSE(mapped.Open(dir.path(), error));  // no regular file
  EXPECT_EQ(error, 0);
  ASSERT_TRUE(mapped.Open(dir / "f.god", error));
  const std::span<const unsigned char> view = mapped.bytes();
  std::string copy(view.size(), '\0');
  EXPECT_TRUE(ReadMapped([&] { std::memcpy(copy.data(), view.data(), view.size()); }));
  EXPECT_TRUE(copy == bytes);
  std::filesystem::resize_file(dir / "f.god", 100);
  int sum = 0;
  EXPECT_FALSE(ReadMapped([&] { sum += view[2 * 65536 + 1]; }));
  EXPECT_TRUE(ReadMapped([&] { sum += view[10]; }));  // the guard holds again, and the start is still there
  EXPECT_EQ(sum, 'm');
}

}  // namespace
}  // namespace cfv
