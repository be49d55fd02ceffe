// What the parts of the file layer share.
#pragma once

#include "brevic/ls_files.h"

#include <cstddef>

namespace brevic::internal {

// True when this call of the given kind is the one armed to fail.
bool Faulted(FaultOp op);
// Turns every CR LF of d[0..n) into "\n" in place; returns the new length.
size_t FromTextMode(char* d, size_t n);
// Writes all n bytes, going on after interruptions; false on an error.
bool WriteAll(int fd, const char* p, size_t n);

} // namespace brevic::internal
