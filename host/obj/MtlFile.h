// Wavefront MTL material libraries.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/scene/Scene.h"

namespace tsxhost::detail {

// Reads the materials of MTL text by name, keeping every statement of each
// in order; `folder` is the MTL file's folder (relative texture paths are
// relative to it). A later material of a name replaces an earlier one.
void ParseMtlText(std::string_view text, const std::string& folder,
                  std::unordered_map<std::string, Material>* out);

// The text of an MTL file for these materials, to be written into
// `folder`: texture paths are rewritten relative to it (absolute where no
// relative path exists).
std::string MtlText(const std::vector<Material>& materials, const std::string& folder);

// Whether a statement's key names a texture map (map_Kd, bump, norm...).
bool IsTextureKey(std::string_view key);

// A float in the shortest text that reads back bit for bit.
std::string ShortestFloat(float f);

}  // namespace tsxhost::detail
