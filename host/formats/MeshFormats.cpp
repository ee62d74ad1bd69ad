#include "host/formats/MeshFormats.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <new>

#include "host/formats/AssetFiles.h"
#include "host/formats/ChildProcess.h"
#include "host/obj/ObjSave.h"

namespace tsxhost {

FileFormat FormatOfPath(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (ext == ".obj") return FileFormat::Obj;
  if (ext == ".gltf") return FileFormat::Gltf;
  if (ext == ".glb") return FileFormat::Glb;
  if (ext == ".ply") return FileFormat::Ply;
  if (ext == ".stl") return FileFormat::Stl;
  return FileFormat::Unknown;
}

std::string KnownExtensions() { return ".obj, .gltf, .glb, .ply or .stl"; }

namespace {
std::string UnknownFormat(const std::string& path) {
  return path + ": unknown file type; the known ones are " + KnownExtensions();
}
}  // namespace

ObjResult LoadScene(const std::string& path, const ObjReadOptions& options) {
  const FileFormat format = FormatOfPath(path);
  if (format == FileFormat::Obj) return LoadObj(path, options);
  if (format != FileFormat::Unknown) return detail::LoadAsset(path, format, options);
  ObjResult result;
  result.error = UnknownFormat(path);
  return result;
}

SaveResult SaveScene(const std::string& path, const std::vector<tsxSOBJ>& objects, const WriteProgress& progress,
                     const std::vector<AlongsideFile>& alongside) {
  SaveResult result;
  try {
    const FileFormat format = FormatOfPath(path);
    if (format == FileFormat::Obj) return detail::SaveObjScene(path, objects, progress, alongside);
    if (format != FileFormat::Unknown) return detail::SaveAsset(path, format, objects, progress, alongside);
    result.error = UnknownFormat(path);
  } catch (const std::bad_alloc&) {
    // Memory ran out before or after the format's own writer could say so.
    result.error = path + ": not enough memory";
    result.noMemory = true;
  }
  return result;
}

}  // namespace tsxhost
