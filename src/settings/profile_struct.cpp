#include "settings/profile_struct.h"

namespace cfv {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

void AppendHex(std::string& out, std::uint8_t b) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  out += kDigits[b >> 4];
  out += kDigits[b & 0xF];
}

}  // namespace

std::string EncodeProfileStruct(std::span<const std::uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size() * 2 + 2);
  unsigned sum = 0;
  for (std::uint8_t b : bytes) {
    AppendHex(out, b);
    sum += b;
  }
  AppendHex(out, static_cast<std::uint8_t>(sum & 0xFF));
  return out;
}

std::optional<std::vector<std::uint8_t>> DecodeProfileStruct(std::string_view text, std::size_t size) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  if (text.size() != size * 2 + 2) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  bytes.reserve(size + 1);
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int hi = HexValue(text[i]);
    const int lo = HexValue(text[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    bytes.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
  }
  const std::uint8_t checksum = bytes.back();
  bytes.pop_back();
  unsigned sum = 0;
  for (std::uint8_t b : bytes) sum += b;
  if ((sum & 0xFF) != checksum) return std::nullopt;
  return bytes;
}

}  // namespace cfv
