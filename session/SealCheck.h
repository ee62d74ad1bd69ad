// Whether a polyhedron is sealed: every edge run by exactly two faces, once
// each way (closed, manifold at its edges, turned consistently), and no two
// of the vertices its faces use at one position. A join of two sealed
// objects that does not give a sealed one has left walls, gaps or doubled
// corners behind.
#pragma once

#include <cstdint>
#include <optional>

#include "engine/common/WorldObject.h"
#include "interface/tsxapi.h"

namespace spl {

struct SealFacts {
  int64_t faces = 0;            // with valid corners
  int64_t openEdges = 0;        // run by one face only
  int64_t overusedEdges = 0;    // run by more than two faces, twice one way, or from a corner to itself
  int64_t sharedPositions = 0;  // used vertices at the position of a lower-numbered used vertex
  // A corner of the first problem found, in world space.
  std::optional<CtsxVector3f> firstAt;
  bool Sealed() const { return faces > 0 && openEdges == 0 && overusedEdges == 0 && sharedPositions == 0; }
};

// Reads only the faces with valid corners; an object without faces is not
// sealed (it encloses nothing). Throws std::bad_alloc only.
SealFacts CheckSeal(const WorldObject& obj);
SealFacts CheckSeal(HostObject obj);

}  // namespace spl
