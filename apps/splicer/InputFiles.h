// The scene files `splicer join` reads: one scene, or several files of any
// format whose objects are joined together.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "host/obj/ObjFile.h"
#include "interface/tsxapi.h"

namespace splicer {

struct InputFile {
  std::string path;
  std::vector<tsxSOBJ> objects;         // in file order
  std::vector<std::string> namesInFile;  // as the file named them
};

struct LoadedInputs {
  bool ok = false;
  std::string error;  // "FILE: what is wrong"
  bool noMemory = false;  // the error is memory running out
  std::vector<std::string> warnings;
  std::vector<InputFile> files;
  std::vector<std::string> libraries;  // the material library files read
  std::vector<tsxSOBJ> Objects() const;
};

// Reads every file into the scene. With several files an object alone in
// its file is named after the file's stem, and a name that another file's
// object already has is made unique with ".2", ".3"... (with a warning). On
// an error the files read so far stay in the scene.
// `read` reads one file (LoadScene by default).
using ReadFile = std::function<tsxhost::ObjResult(const std::string& path, const tsxhost::ObjReadOptions& options)>;
LoadedInputs LoadInputs(const std::vector<std::string>& paths, const tsxhost::ObjReadOptions& options,
                        const ReadFile& read = {});

// Finds the objects by name: a name of the scene, or FILE:OBJECT with FILE
// as given, or its file name or stem, and OBJECT as the file names it.
// Empty `error` on success; else `error` names the first unknown name and
// lists what there is.
struct Picked {
  std::vector<tsxSOBJ> objects;
  std::string error;
};
Picked FindInputs(const LoadedInputs& inputs, const std::vector<std::string>& names);

}  // namespace splicer
