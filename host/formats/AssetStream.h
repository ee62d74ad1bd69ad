// What the reader process sends back: the objects of a glTF, PLY or STL
// file as the host will hold them, as a compact binary stream. The asset
// library reads the file in a process of its own, so that a damaged file
// cannot take the user's program down with it; this stream is all that
// comes back, and its decoder takes nothing in it on trust. Both ends are
// the same build on the same machine: numbers are in the machine's order.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/formats/MeshFormats.h"
#include "host/scene/HostState.h"

namespace tsxhost::detail {

struct AssetObject {
  std::string name;  // as the file has it, perhaps empty
  FlatMesh mesh;     // no smoothing groups, no groups
};

struct AssetScene {
  std::string refusal;  // the library's reason for not reading the file
  std::vector<std::string> warnings;
  std::vector<AssetObject> objects;
};

inline constexpr uint32_t kAssetStreamVersion = 1;
// The longest text the stream may carry (names, paths, messages).
inline constexpr uint32_t kAssetTextLimit = 65536;
// The most faces a scene file may hold once instanced meshes are counted at
// every node that uses them, unless the user allows more.
inline constexpr unsigned long long kDefaultMaxFaces = 20'000'000;

std::string EncodeAssetScene(const AssetScene& scene);

// False with `why` unless `bytes` is one whole stream of this version whose
// counts all fit in it and whose indices all name elements that exist.
bool DecodeAssetScene(std::string_view bytes, AssetScene* scene, std::string* why);

// "gltf", "glb", "ply", "stl": the reader process's first argument.
const char* FormatWord(FileFormat format);
FileFormat FormatOfWord(const std::string& word);

}  // namespace tsxhost::detail
