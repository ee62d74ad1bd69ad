// What the host keeps of a face beyond the plug-in's interface (per-corner
// normals, smoothing group, group) for the faces a contact join made anew:
// the engine cannot see it, so it says where each corner of such a face
// lies on its source face, and this gives the face its source's data.
#pragma once

#include <vector>

#include "engine/contact/ContactJoin.h"

namespace splicer {

// For the contact join of `objects`: a request's `finish` that gives each
// face made anew its source face's smoothing group and group, and each
// corner the normal blended from the source's corners as it lies on the
// face (a corner kept keeps its normal bit for bit; a new point's is
// normalised, and it has none unless every corner it comes from has one).
// False when memory runs out.
bool GiveRebuiltFaces(const std::vector<tsxSOBJ>& objects, const spl::ContactGroup& group);

}  // namespace splicer
