// glTF, PLY and STL through the asset library: the host-side halves that
// MeshFormats dispatches to. Not part of any public interface.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/formats/MeshFormats.h"
#include "host/scene/HostState.h"

namespace tsxhost::detail {

// Reads a glTF/PLY/STL file in the reader process; nothing enters the
// scene unless all of it could be read. The files a glTF scene refers to
// must lie in its folder or below unless the options allow them anywhere.
ObjResult LoadAsset(const std::string& path, FileFormat format, const ObjReadOptions& options);

// The host's half of reading: the objects of a reader's answer (any bytes
// at all) into the scene, or a refusal naming `file`. Exported for the
// fuzz harness and the tests.
TSXHOST_API ObjResult ReadAssetStream(std::string_view stream, const std::string& file);

// What the lone object of a one-object format (PLY, STL) shows of objects
// written to it together. Exported for the tests.
struct OneObjectShape {
  size_t parts = 0;    // pieces not sharing a vertex
  size_t doubled = 0;  // faces over the same corners as an earlier face
};
TSXHOST_API OneObjectShape ShapeOf(const FlatMesh& mesh);

// Writes the objects as a glTF/PLY/STL file.
SaveResult SaveAsset(const std::string& path, FileFormat format, const std::vector<tsxSOBJ>& objects,
                     const WriteProgress& progress = {}, const std::vector<AlongsideFile>& alongside = {});

}  // namespace tsxhost::detail
