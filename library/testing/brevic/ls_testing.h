// Test knobs of the library. Not part of its interface: only the tests include this header.
#pragma once

#include "brevic/ls_files.h"

namespace brevic {

// Makes the next operation of one kind on `path` fail, once, on whichever thread it runs;
// null disarms. The path is the one the file layer is given: a page's target path for
// Write (the writer opening it), Temporary, Kill and Rename, a file's path for Read.
// Unlike InjectFault it keeps a full build on several threads, so that the side-by-side
// build and its rollback can be tested.
BREVIC_API void InjectFaultAt(FaultOp op, const char* path);

// The threads a full build uses: 0 (the default) one per core, at most 8; 1 builds one page
// after the other. Whatever the number, a build writes the same.
BREVIC_API void SetBuildThreads(unsigned threads);

} // namespace brevic
