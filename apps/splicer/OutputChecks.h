// What `splicer join` checks about the files it is to write before any
// join work starts, so that a run that cannot end well stops at once.
#pragma once

#include <string>
#include <vector>

namespace splicer {

// Whether the tool can write a file of this name's kind: empty when it can,
// else why not. The one place that knows the output formats by extension.
std::string UnwritableFormat(const std::string& path);

// Empty when `path`'s folder exists and can be written in; else the reason
// (strerror for a missing or closed folder).
std::string UnwritableFolder(const std::string& path);

// Whether two names lead to one file (an existing file reached by two
// names, links followed, or one name spelt two ways).
bool SameFile(const std::string& a, const std::string& b);

// The MTL file written beside an OBJ.
std::string MtlBeside(const std::string& objPath);

}  // namespace splicer
