// Wavefront MTL material libraries.
#pragma once

#include <string>
#include <unordered_map>

#include "Scene.h"

namespace tsxhost::detail {

// Reads the materials of an MTL file by name; false when it cannot be read.
bool ReadMtlFile(const std::string& path, std::unordered_map<std::string, Material>* out);

// The text of an MTL file for these materials.
std::string MtlText(const std::vector<Material>& materials);

}  // namespace tsxhost::detail
