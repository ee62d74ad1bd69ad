// The material transfer: every face of the merged result takes the
// material of the source face it came from.
#pragma once

#include "JoinState.h"

namespace spl {

// Paints result faces 0 to nA-2 with the materials of the first object's
// faces without JunctionFaceA, then result faces nA-1 on with those of the
// second object's faces without JunctionFaceB, through one working
// material. A source material the host cannot hand out is replaced by a
// copy of the host's active material. On an abort the result object is
// deleted (it never reaches the scene). The working material is destroyed
// only on hosts of version 410 or more.
void TransferMaterials(HostObject result, HostObject first, HostObject second);

}  // namespace spl
