// Scene files in every format the stand-in host reads and writes, chosen by
// the file's extension: Wavefront OBJ through the host's own exact reader
// and writer, glTF 2.0 (.gltf, .glb), PLY and STL through the asset
// library.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tsxhost/ObjFile.h"
#include "tsxhost/Scene.h"

namespace tsxhost {

enum class FileFormat { Unknown, Obj, Gltf, Glb, Ply, Stl };

// The format of a path by its extension, case-blind; Unknown otherwise.
TSXHOST_API FileFormat FormatOfPath(const std::string& path);

// ".obj, .gltf, .glb, .ply or .stl", for messages.
TSXHOST_API std::string KnownExtensions();

// Reads a scene file of any known format and adds its objects to the scene;
// on error nothing is added and `error` names the file.
TSXHOST_API ObjResult LoadScene(const std::string& path, const ObjReadOptions& options = {});

// Writes the objects (polyhedra only) in the format of the path's
// extension. PLY and STL hold one object: several are written as one.
// `progress` is told how far writing has got and may stop it (see
// WriteFilesSafely): then nothing is written. The `alongside` files are
// written in the same set: all are replaced or none.
TSXHOST_API SaveResult SaveScene(const std::string& path, const std::vector<tsxSOBJ>& objects,
                                 const WriteProgress& progress = {},
                                 const std::vector<AlongsideFile>& alongside = {});

}  // namespace tsxhost
