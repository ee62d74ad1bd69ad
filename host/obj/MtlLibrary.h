// Material libraries from the file system, with the limits that keep a
// hostile scene from reading anything it likes.
#pragma once

#include <string>

#include "host/obj/ObjFile.h"

namespace tsxhost {

// Reads "mtllib" names relative to the scene's folder: regular files of at
// most kMtlSizeLimit bytes, in that folder or below it unless `anywhere`.
MtlResolver FileMtlResolver(const std::string& scenePath, bool anywhere);

}  // namespace tsxhost
