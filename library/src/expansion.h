// What the expansion of a text and the expansion of a template read in pieces share.
#pragma once

#include <cstddef>

namespace brevic::internal {

// With an output file, finished output goes to it whenever this much has gathered: the
// output buffer stays small enough for the cache, and a large page never needs memory of
// its own size.
constexpr size_t kSpillSize = size_t(1) << 19;

} // namespace brevic::internal
