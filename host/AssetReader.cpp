// glTF, PLY and STL in. The asset library reads the file in the reader
// process (splicer-asset-reader), never in the user's program: fuzzing
// found files on which the library crashes, and one damaged file must not
// take the modelling program, the command line or a Python session down
// with it. The process runs under limits on memory, processor time and
// wall time; whatever way it ends other than with a whole, sound answer,
// the file is refused and nothing enters the scene.
#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <set>

#include "AssetFiles.h"
#include "AssetImport.h"
#include "AssetStream.h"
#include "ChildProcess.h"
#include "TextLines.h"

namespace tsxhost::detail {
namespace {

constexpr const char* kReaderName = "splicer-asset-reader";
constexpr double kReaderSeconds = 600;

// The reader beside the library in the build tree, or where the install
// puts it relative to the library; SPLICER_ASSET_READER names another.
std::string ReaderProgram() {
  if (const char* path = std::getenv("SPLICER_ASSET_READER"); path && *path) return path;
  static const char anchor = 0;
  Dl_info info{};
  if (dladdr(&anchor, &info) && info.dli_fname) {
    std::error_code ec;
    const auto folder = std::filesystem::absolute(info.dli_fname, ec).parent_path();
    for (const auto& candidate : {folder / SPLICER_READER_FROM_LIBDIR / kReaderName, folder / kReaderName}) {
      if (std::filesystem::is_regular_file(candidate, ec)) return candidate.string();
    }
  }
  return kReaderName;
}

double ReaderSeconds() {
  const char* text = std::getenv("SPLICER_ASSET_READER_SECONDS");
  const double seconds = text ? std::strtod(text, nullptr) : 0;
  return std::isfinite(seconds) && seconds > 0 ? seconds : kReaderSeconds;
}

// The reader may use as much memory as the machine has, and no more.
unsigned long long MemoryMib() {
  const long pages = sysconf(_SC_PHYS_PAGES), size = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || size <= 0) return 0;
  return (static_cast<unsigned long long>(pages) * static_cast<unsigned long long>(size)) >> 20;
}

std::string Seconds(double s) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", s);
  return text;
}

// Why the reader's answer cannot be used, or empty when it can.
std::string Failure(const ChildOutcome& run, const std::string& program, double seconds) {
  using Ending = ChildOutcome::Ending;
  switch (run.ending) {
    case Ending::NotStarted: return "the reader program " + program + " could not be started: " + run.why;
    case Ending::TimedOut: return "the reader took longer than " + Seconds(seconds) + " s";
    case Ending::OutputTooLong: return "the reader's answer is too long";
    case Ending::Signalled:
      if (run.status == SIGXCPU) return "the reader used more than " + Seconds(std::ceil(seconds)) + " s of processor time";
      return "the reader stopped on signal " + std::to_string(run.status);
    case Ending::Exited:
      if (run.status != 0) return "the reader stopped with status " + std::to_string(run.status);
      return {};
  }
  return {};
}

std::string UniqueName(std::string name, std::set<std::string>& names, std::vector<std::string>& warnings,
                       const std::string& file) {
  std::string unique = name;
  for (int n = 2; names.count(unique); ++n) unique = name + "." + std::to_string(n);
  if (unique != name) warnings.push_back(file + ": a second object named '" + name + "' is read as '" + unique + "'");
  names.insert(unique);
  return unique;
}

// Names as the OBJ reader would keep them: cleaned, cut, made unique within
// the file; PLY and STL objects (no name) after the file.
void NameObjects(AssetScene& scene, const std::string& file, std::vector<std::string>& warnings) {
  std::set<std::string> names;
  const std::string stem = std::filesystem::path(file).stem().string();
  for (AssetObject& object : scene.objects) {
    std::string name = CleanName(object.name);
    if (name.empty()) name = CleanName(stem);
    if (name.empty()) name = "object";
    object.name = UniqueName(name, names, warnings, file);
    for (Material& material : object.mesh.materials) {
      material.name = CleanName(material.name);
      if (material.name.empty()) material.name = Material{}.name;
      material.diffuseMap = ForDisplay(material.diffuseMap, kAssetTextLimit);
    }
  }
}

ObjResult AddAssets(AssetScene scene, const std::string& file) {
  ObjResult result;
  for (const std::string& warning : scene.warnings) result.warnings.push_back(file + ": " + ForDisplay(warning));
  NameObjects(scene, file, result.warnings);
  for (const AssetObject& object : scene.objects) {
    if (tsxhost::FindObject(object.name)) {
      result.error = file + ": a second object named '" + object.name + "'";
      result.warnings.clear();
      return result;
    }
  }
  // Every object built first, then all of them enter the scene together.
  std::vector<std::unique_ptr<Object>> built;
  for (const AssetObject& object : scene.objects) {
    built.push_back(BuildFlatPolyhedron(object.name, object.mesh, BoundingBoxCentre(object.mesh.vertices)));
    if (!built.back()) throw std::bad_alloc();
  }
  result.objects = AddToSceneAll(std::move(built));
  result.ok = true;
  return result;
}

ObjResult Refused(const std::string& file, const std::string& why) {
  ObjResult result;
  result.error = file + ": " + why;
  return result;
}

}  // namespace

ObjResult ReadAssetStream(std::string_view stream, const std::string& file) {
  try {
    AssetScene scene;
    std::string why;
    if (!DecodeAssetScene(stream, &scene, &why)) {
      return Refused(file, "the file could not be read (the reader's answer is malformed: " + why + ")");
    }
    if (!scene.refusal.empty()) return Refused(file, ForDisplay(scene.refusal));
    return AddAssets(std::move(scene), file);
  } catch (const std::bad_alloc&) {
    return Refused(file, "not enough memory");
  }
}

ObjResult LoadAsset(const std::string& path, FileFormat format) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return Refused(path, "cannot read the file");
  const std::string program = ReaderProgram();
  const double seconds = ReaderSeconds();
  const unsigned long long memory = MemoryMib();
  const auto cpu = static_cast<unsigned long long>(std::ceil(seconds));
  const ChildOutcome run = RunChild(program, {FormatWord(format), path, std::to_string(memory), std::to_string(cpu)},
                                    seconds, memory > 0 ? static_cast<size_t>(memory << 20) : SIZE_MAX);
  if (std::string why = Failure(run, program, seconds); !why.empty()) {
    return Refused(path, "the file could not be read (" + why + ")");
  }
  return ReadAssetStream(run.output, path);
}

}  // namespace tsxhost::detail
