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

// What a record carries after the plug-in's fields: nothing (a face with no
// normals, smoothing group or group, as most faces read from a file are:
// 16 bytes less per face), the host's FaceExtra, or the extra with room for
// a normal at each corner.
enum class Extra { None, Plain, Normals };

// The extra a face needs for these.
inline Extra ExtraFor(bool normals, uint32_t smoothing, uint32_t group) {
  return normals ? Extra::Normals : smoothing != 0 || group != 0 ? Extra::Plain : Extra::None;
}

// Bytes a record with these corner counts takes in a chunk, tag included.
size_t FaceBytes(int32_t corners, const int32_t* holeCorners, int32_t holes, Extra extra = Extra::Plain);
size_t FaceBytes(const CtsxFace& face);

// Makes the next `bytes` of records come from one chunk (one allocation
// for a whole polyhedron's faces). False when memory is exhausted.
bool ReserveFaces(size_t bytes);

// A zeroed record with `corners` corners, each {0, -1, -1, -1}, and holes of
// the given corner counts, ending in the face's FaceExtra unless `extra` is
// None; null when memory is exhausted or a count does not fit.
CtsxFace* NewFace(int32_t corners, const std::vector<int32_t>& holeCorners, Extra extra = Extra::Plain);
// A record equal to `face`, with corners and holes of its own.
CtsxFace* CloneFace(const CtsxFace& face);
// Releases a record from NewFace or CloneFace (null or anything else:
// nothing).
void FreeFace(CtsxFace* face);

}  // namespace tsxhost::detail
