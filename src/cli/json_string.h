// The JSON string writer of the core (common/json_string.h), as the
// command's own json:: names.
#pragma once

#include "common/json_string.h"

namespace cfv::cli {
namespace json = ::cfv::json;
}  // namespace cfv::cli
