// The material transfer: every face of the merged result takes the
// material of the source face it came from.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "engine/common/JoinState.h"
#include "engine/common/Progress.h"

namespace spl {

// Paints result faces 0 to nA-2 with the materials of the first object's
// faces without JunctionFaceA, then result faces nA-1 on with those of the
// second object's faces without JunctionFaceB, through one working
// material. A source material the host cannot hand out is replaced by a
// copy of the host's active material. On an abort the result object is
// deleted (it never reaches the scene). The working material is destroyed
// only on hosts of version 410 or more.
void TransferMaterials(JoinProgress& progress, HostObject result, HostObject first, HostObject second);

// The same for a result that left out the first object's faces `skipA` and
// the second object's faces `skipB` (each rising, no repeats): the second
// run starts at result face nA - skipA.size(). A negative entry skips
// nothing (but still counts in that start).
void TransferMaterialsSkipping(JoinProgress& progress, HostObject result, HostObject first, HostObject second,
                               std::span<const int32_t> skipA, std::span<const int32_t> skipB);

// One source object's faces painted onto the result's from `firstResultFace`
// on, the faces in `skip` (rising) left out.
// A source face listed in `repeats` (rising by face) became `count` result
// faces in a row, each painted with its material.
struct FaceRepeat {
  int32_t face = 0;
  int32_t count = 1;
};
struct MaterialRun {
  HostObject source = 0;
  std::span<const int32_t> skip;
  int32_t firstResultFace = 0;
  std::span<const FaceRepeat> repeats = {};
};

// Paints the runs in turn, each announced with `text`, through one working
// material. False when an abort stopped it; the result is left to the
// caller.
bool TransferMaterialRuns(JoinProgress& progress, HostObject result, std::span<const MaterialRun> runs,
                          std::string_view text);

}  // namespace spl
