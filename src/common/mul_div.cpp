#include "common/mul_div.h"

#include <cstdint>
#include <limits>

namespace cfv {

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const std::int64_t product = static_cast<std::int64_t>(a) * b;
  const bool negative = (product < 0) != (c < 0);
  const std::int64_t absProduct = product < 0 ? -product : product;
  const std::int64_t absC = c < 0 ? -static_cast<std::int64_t>(c) : c;
  std::int64_t result = (absProduct + absC / 2) / absC;
  if (negative) result = -result;
  if (result > std::numeric_limits<int>::max() || result < std::numeric_limits<int>::min()) return -1;
  return static_cast<int>(result);
}

}  // namespace cfv
