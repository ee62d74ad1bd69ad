// `splicer join` on an assembly: several objects named (or --all), from one
// scene file or several, every connected group joined into one object.
#pragma once

#include <string>
#include <vector>

#include "engine/common/JoinState.h"
#include "host/obj/ObjFile.h"

namespace splicer {

struct AssemblySettings {
  std::vector<std::string> files;
  std::vector<std::string> names;  // empty with --all
  bool all = false;
  std::string output;
  std::string report;
  double accuracy = spl::kDefaultAccuracy;
  bool wholeScene = false;
  tsxhost::ObjReadOptions reading;
};

// Runs it; returns the exit status.
int RunAssemblyCommand(const AssemblySettings& settings);

}  // namespace splicer
