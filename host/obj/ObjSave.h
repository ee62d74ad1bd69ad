// Writing OBJ for SaveScene, which needs to know memory running out from a
// file that cannot be written.
#pragma once

#include <string>
#include <vector>

#include "host/obj/ObjFile.h"

namespace tsxhost::detail {

SaveResult SaveObjScene(const std::string& path, const std::vector<tsxSOBJ>& objects, const WriteProgress& progress,
                        const std::vector<AlongsideFile>& alongside = {});

}  // namespace tsxhost::detail
