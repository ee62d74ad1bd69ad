// Face records carved from large chunks instead of one allocation each.
// A record is one piece: the CtsxFace, its corners, its hole pointers, the
// hole records and their corners, preceded by a tag naming its chunk. A
// chunk is released when the last record in it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "interface/tsxapi.h"

namespace tsxhost::detail {

// Bytes a record with these corner counts takes in a chunk, tag included
// (`normals`: with room for a normal at each corner).
size_t FaceBytes(int32_t corners, const int32_t* holeCorners, int32_t holes, bool normals = false);
size_t FaceBytes(const CtsxFace& face);

// Makes the next `bytes` of records come from one chunk (one allocation
// for a whole polyhedron's faces). False when memory is exhausted.
bool ReserveFaces(size_t bytes);

// A zeroed record with `corners` corners, each {0, -1, -1, -1}, and holes of
// the given corner counts, ending in the face's FaceExtra (with room for a
// normal at each corner when `normals`); null when memory is exhausted or a
// count does not fit.
CtsxFace* NewFace(int32_t corners, const std::vector<int32_t>& holeCorners, bool normals = false);
// A record equal to `face`, with corners and holes of its own.
CtsxFace* CloneFace(const CtsxFace& face);
// Releases a record from NewFace or CloneFace (null or anything else:
// nothing).
void FreeFace(CtsxFace* face);

}  // namespace tsxhost::detail
