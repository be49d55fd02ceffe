// Test knobs of the library. Not part of its interface: only the tests include this header.
#pragma once

#include "brevic/ls_types.h"

#include <cstddef>

namespace brevic {

// Test seam: makes the Nth call (counted from 1, from the moment of arming) of one kind of
// file operation fail. 0 disarms. Read, Write and Rename count every read, write (each
// file opened for writing) and rename of the layer above; Temporary counts the creation of
// temporary files and fails it as a folder that forbids creating files does; Kill counts
// Commits and stops that one as a killed program would: nothing is renamed and the
// temporary file stays where it is.
enum class FaultOp { Read, Write, Rename, Temporary, Kill };
BREVIC_API void InjectFault(FaultOp op, int nth);
BREVIC_API void ClearFaults();
// True while a fault is armed: work that counts on calls coming in order then keeps to one
// thread.
BREVIC_API bool FaultsArmed();

// Makes the next operation of one kind on `path` fail, once, on whichever thread it runs;
// null disarms. The path is the one the file layer is given: a page's target path for
// Write (the writer opening it), Temporary, Kill and Rename, a file's path for Read.
// Unlike InjectFault it keeps a full build on several threads, so that the side-by-side
// build and its rollback can be tested.
BREVIC_API void InjectFaultAt(FaultOp op, const char* path);

// The threads a full build uses: 0 (the default) one per core, at most 8; 1 builds one page
// after the other. Whatever the number, a build writes the same.
BREVIC_API void SetBuildThreads(unsigned threads);

// The largest output a build may produce before it fails with LS_BUILD_FAILED (1 GiB).
BREVIC_API void SetOutputLimit(size_t bytes);
// The size of the pieces a large template is read and expanded in (256 KiB); for tests.
BREVIC_API void SetPieceSize(size_t bytes);

} // namespace brevic
