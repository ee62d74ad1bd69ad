// glTF, PLY and STL read by the asset library into what the host will
// hold. Runs in the reader process (and in the library's own fuzz
// harness), never in the user's program.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "host/formats/AssetStream.h"

namespace tsxhost::detail {

// Which files besides the scene the library may open: regular files in the
// scene's folder or below it, or anywhere; `grant` hears the size of each.
// A scene of more faces than `maxFaces`, every mesh counted at each node
// that places it, is refused.
struct ResourceRules {
  bool anywhere = false;
  std::function<void(long long bytes)> grant;
  unsigned long long maxFaces = kDefaultMaxFaces;
};

// The file's objects, or a scene holding only the refusal (the library's,
// or of a resource the file refers to).
AssetScene ImportAsset(const std::string& path, FileFormat format, const ResourceRules& rules = {});
AssetScene ImportAssetBytes(const void* data, std::size_t size, FileFormat format);

}  // namespace tsxhost::detail
