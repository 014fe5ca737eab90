// The program's exit statuses. A normal close ends with 1 (the status the
// Windows program has always returned after its window closed); a main
// window that cannot be made ends with kExitNoMainWindow after a message on
// standard error, so scripts can tell the two apart.
#pragma once

namespace cfv {

inline constexpr int kExitNormalClose = 1;
inline constexpr int kExitNoMainWindow = 3;

}  // namespace cfv
