// glTF, PLY and STL read by the asset library into what the host will
// hold. Runs in the reader process (and in the library's own fuzz
// harness), never in the user's program.
#pragma once

#include <cstddef>
#include <string>

#include "AssetStream.h"

namespace tsxhost::detail {

// The file's objects, or a scene holding only the library's refusal.
AssetScene ImportAsset(const std::string& path, FileFormat format);
AssetScene ImportAssetBytes(const void* data, std::size_t size, FileFormat format);

}  // namespace tsxhost::detail
