// Boxes for assembly tests: axis-aligned, every face divided n x n (quads,
// or each quad as two triangles), vertices shared, faces turned outwards.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "host/scene/Scene.h"
#include "interface/tsxapi.h"

namespace assemblytest {

struct BoxSpec {
  std::array<float, 3> lo{0, 0, 0};
  std::array<float, 3> hi{1, 1, 1};
  int divisions = 1;
  bool triangles = false;
};

tsxhost::Mesh BoxMesh(const BoxSpec& box);
tsxSOBJ AddBox(const std::string& name, const BoxSpec& box);

// Enclosed volume and surface area of an object, in double.
struct Measures {
  double volume = 0;
  double area = 0;
};
Measures Measure(tsxSOBJ obj);

// Whether every edge has exactly one partner running the other way.
bool Sealed(tsxSOBJ obj);

}  // namespace assemblytest
