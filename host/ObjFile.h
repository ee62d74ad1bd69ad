// Wavefront OBJ in and out for the stand-in host's scene.
#pragma once

#include <string>
#include <vector>

#include "Scene.h"

namespace tsxhost {

struct ObjResult {
  bool ok = false;
  std::string error;                  // "FILE:LINE: what is wrong"
  std::vector<std::string> warnings;  // e.g. a missing MTL file
  std::vector<tsxSOBJ> objects;       // added to the scene, in file order
};

// Reads an OBJ file and adds its objects to the scene; on error nothing is
// added. Names already in the scene are an error too.
TSXHOST_API ObjResult LoadObj(const std::string& path);
// The same from text in memory (`name` stands for the file in messages;
// MTL files are looked up beside it).
TSXHOST_API ObjResult LoadObjText(const std::string& text,
                                  const std::string& name);

// Writes the objects (polyhedra only) with an MTL file beside `path`
// (same stem, ".mtl"). False with `error` set when a file cannot be written.
TSXHOST_API bool SaveObj(const std::string& path,
                         const std::vector<tsxSOBJ>& objects,
                         std::string* error);

}  // namespace tsxhost
