// Fault injection and call counting for tests of code that uses tsxapi.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "host/scene/Scene.h"

namespace tsxhost::testing {

// The n-th tsxMalloc from now (1 = the next one) returns null; 0 disarms.
TSXHOST_API void FailNthAllocation(int n);
// The n-th of the host's own blocks from now (arrays and face records it
// makes for itself, as when a file is read) cannot be had; 0 disarms.
TSXHOST_API void FailNthHostAllocation(int n);
// The n-th tsxFaceCopy from now returns `code` and makes nothing.
TSXHOST_API void FailNthFaceCopy(int n, int32_t code);
// The next tsxGNodeCopy fails (the result handle stays as it was).
TSXHOST_API void FailNextObjectCopy();
// tsxPolyhGetMaterial answers 0 for this polyhedron's material `index`
// (index -1: every index).
TSXHOST_API void MakeMaterialUnavailable(tsxSOBJ obj, int index);
// How often operation `name` (e.g. "tsxFaceCopy") was called since the
// last reset; ResetCallCounts zeroes them all.
TSXHOST_API long CallCount(const std::string& name);
TSXHOST_API void ResetCallCounts();
// Blocks from tsxMalloc and face records from tsxFaceCopy not yet freed or
// taken over by the host.
TSXHOST_API long OutstandingAllocations();
// Blocks the host holds from the system: arrays, tsxMalloc's blocks and the
// chunks that face records are carved from (not one per face).
TSXHOST_API long LiveHostBlocks();
// Called at the start of every tsxapi operation with its name (null: none);
// lets tests record the order of host calls.
using CallHook = void (*)(const char* name, void* user);
TSXHOST_API void SetCallHook(CallHook hook, void* user);
// SaveObj formats the vertex (face) lines of objects with at least this
// many vertices (faces) on two threads (0: never; the default is 65536).
TSXHOST_API void SetParallelFormatting(size_t fromVertices);
// SaveObj hands the file on in pieces of about `pieceBytes` and formats
// at most `chunkItems` lines per thread between two (defaults 16 MiB and
// 524288).
TSXHOST_API void SetWritePieces(size_t pieceBytes, size_t chunkItems);
// LoadObj and LoadObjText read a text longer than `chunkBytes` in chunks of
// about that size, read ahead on two threads (0: never, one line after
// another; the default is 1 MiB). Returns the setting it replaces.
TSXHOST_API size_t SetChunkedReading(size_t chunkBytes);

}  // namespace tsxhost::testing
