// glTF 2.0 written from the scene's own arrays: a .glb, or a .gltf with its
// buffer in a .bin beside it. Not part of any public interface.
#pragma once

#include <string>
#include <vector>

#include "host/formats/SceneOut.h"

namespace tsxhost::detail {

// Writes the scene whole or not at all (with the `alongside` files, as
// WriteFilesSafely does); false with `error` naming the file. The meshes'
// UVs and normals are put into the format's convention in place.
bool WriteGltf(const std::string& path, bool binary, SceneOut& scene, std::string* error,
               const WriteProgress& progress = {}, const std::vector<AlongsideFile>& alongside = {});

}  // namespace tsxhost::detail
