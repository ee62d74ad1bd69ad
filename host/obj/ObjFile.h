// Wavefront OBJ in and out for the stand-in host's scene.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tsxhost/Scene.h"

namespace tsxhost {

struct ObjResult {
  bool ok = false;
  std::string error;                  // "FILE:LINE: what is wrong"
  bool noMemory = false;              // the error is memory running out, not the file
  std::vector<std::string> warnings;  // e.g. a missing MTL file
  std::vector<tsxSOBJ> objects;       // added to the scene, in file order
  std::vector<std::string> libraries;  // the material library files read
  bool groupsAsObjects = false;        // no "o" line: each "g" group made an object
};

struct SaveResult {
  bool ok = false;
  std::string error;
  bool noMemory = false;  // the error is memory running out, not the file
  // What the format could not hold, each said once.
  std::vector<std::string> warnings;
};

// Finds the text of a material library named by an "mtllib" line: true
// with `text` and `folder` (relative texture paths start there), or false
// with the reason in `why`.
using MtlResolver = std::function<bool(const std::string& library, std::string* text,
                                       std::string* folder, std::string* why)>;

inline constexpr size_t kMtlSizeLimit = size_t{64} << 20;

struct ObjReadOptions {
  // The files a scene refers to (material libraries, glTF buffers) are
  // read from the scene's folder and below only, unless this is set.
  bool resourcesAnywhere = false;
  // glTF, PLY, STL: the most faces a file may hold, every mesh counted at
  // each node that places it (0: the default, 20 million).
  unsigned long long maxFaces = 0;
  // Replaces the file system for material libraries (e.g. in memory).
  MtlResolver mtlResolver;
  // Told now and then how far reading has got: `done` of `total` bytes.
  // Returning false stops the read, which fails with "FILE: reading
  // stopped" (kReadingStopped) and adds nothing.
  std::function<bool(int64_t done, int64_t total)> progress;
};

// The end of the error of a read stopped by its progress callback.
inline constexpr const char* kReadingStopped = "reading stopped";

// Reads an OBJ file and adds its objects to the scene; on error (memory
// failing included) nothing is added. Names already in the scene are an
// error too.
TSXHOST_API ObjResult LoadObj(const std::string& path, const ObjReadOptions& options = {});
// The same from text in memory (`name` stands for the file in messages;
// MTL files are looked up beside it).
TSXHOST_API ObjResult LoadObjText(const std::string& text, const std::string& name,
                                  const ObjReadOptions& options = {});

// Writes the objects (polyhedra only) with an MTL file beside `path`
// (same stem, ".mtl"). False with `error` set when a file cannot be written.
TSXHOST_API bool SaveObj(const std::string& path, const std::vector<tsxSOBJ>& objects, std::string* error,
                         const WriteProgress& progress = {});

// The texts SaveObj would write, in memory: the OBJ naming `mtlName` as its
// library, and the MTL (texture paths as they were read). False when memory
// fails.
TSXHOST_API bool ObjTexts(const std::vector<tsxSOBJ>& objects, const std::string& mtlName, std::string* obj,
                          std::string* mtl);

}  // namespace tsxhost
