// The local paths of a drag-and-drop payload: what a drop on the main
// window hands to the load. Only local file URLs count; anything else
// (remote URLs, plain text) is left out.
#pragma once

#include <filesystem>
#include <vector>

class QMimeData;

namespace cfv {

std::vector<std::filesystem::path> LocalPathsOf(const QMimeData& mime);

}  // namespace cfv
