// The JSON string writer (common/json_string.h) under the names the
// commands that print JSON Lines (list, verify, diff, grep) use.
#pragma once

#include "common/json_string.h"

namespace cfv::cli {
using json::AppendJsonString;
using json::CopyText;
using json::WriteJsonString;
}  // namespace cfv::cli
