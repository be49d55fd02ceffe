// The limits of an expansion. Most are fixed; the few that tests turn (through the setters
// in ls_compiler.h) stand together in one record.
#pragma once

#include <atomic>
#include <cstddef>

namespace brevic::internal {

struct Limits {
    // Macros that call each other many times can multiply the output without bound: a build
    // that grows past this fails instead of exhausting the machine's memory.
    size_t output = size_t(1) << 30;
    // The size of the pieces a large template is read and expanded in.
    size_t piece = size_t(1) << 18;
};
// Read when a build starts (and by the helper threads of that build); set only between
// builds.
inline Limits g_limits;

// With an output file, finished output goes to it whenever this much has gathered: the
// output buffer stays small enough for the cache, and a large page never needs memory of
// its own size.
// Set by CancelBuilds (also from signal handlers: it needs no lock); read at every
// placeholder, inline, as a call per placeholder would cost more than the read.
inline std::atomic<bool> g_cancelled{false};
static_assert(std::atomic<bool>::is_always_lock_free);

constexpr size_t kSpillSize = size_t(1) << 19;

// The twin gathers its output in memory: a piece that expands to more than this is left
// to the main compiler, which writes it out as it goes.
constexpr size_t kTwinOutputLimit = size_t(16) << 20;

} // namespace brevic::internal
