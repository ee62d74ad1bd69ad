// What a sealed join result must hold, checked on the mesh read back.
#pragma once

#include <string>

#include "host/scene/Scene.h"

namespace spl::testing {

// Empty when every edge is run exactly once each way (closed, manifold at
// its edges, consistently turned); else the first problem found.
std::string EdgeProblems(const tsxhost::Mesh& mesh);

// Empty when no two vertices share a position (bit for bit) and no two
// faces use the same set of vertices; else the first problem found.
std::string OverlapProblems(const tsxhost::Mesh& mesh);

// The number of parts whose faces are connected through shared vertices.
int ConnectedParts(const tsxhost::Mesh& mesh);

}  // namespace spl::testing
