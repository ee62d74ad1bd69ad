// The seam search of a seam join: which faces of the two objects lie on
// each other and which vertices weld (the rules are stated in SeamJoin.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/common/Progress.h"
#include "engine/seam/JoinedSeam.h"
#include "interface/tsxapi.h"

namespace spl {

// One object as the seam search reads it: its vertices taken to world
// space and its host faces, both only read.
struct SeamSide {
  const CtsxVector3f* world = nullptr;
  int32_t vertexCount = 0;
  CtsxFace* const* faces = nullptr;
  int32_t faceCount = 0;
};

// Fills `seam` with the faces of `first` and `second` that lie on the other
// object's surface at `accuracy` thousandths and with the vertices that
// weld. Reports progress with "Searching seam..."; returns false, with
// LastError set and `seam` empty, when an abort or an exhausted allocator
// stopped it. An empty seam (nothing lies on anything) is not an error here.
bool FindSeam(JoinProgress& progress, const SeamSide& first, const SeamSide& second, int32_t accuracy,
              JoinedSeam* seam);

// Above this many candidates near a point, the search finds its nearest in
// a k-d tree rather than by trying them all.
inline constexpr std::size_t kDenseCandidates = 64;

// The vertex pairs FindSeam starts from: for each vertex of `second`, the
// vertex of `first` it pairs with, or -1. `denseAbove` chooses where the
// k-d tree takes over; every choice gives the same pairs.
bool FindPartners(JoinProgress& progress, const SeamSide& first, const SeamSide& second, int32_t accuracy,
                  std::vector<int32_t>* partners, std::size_t denseAbove = kDenseCandidates);

// Progress steps FindSeam reports in all.
int64_t SeamSearchSteps(const SeamSide& first, const SeamSide& second);

}  // namespace spl
