// `splicer info SCENE`: what a scene holds.
#include <cstdio>
#include <string>
#include <vector>

#include "apps/ExitStatus.h"
#include "apps/splicer/Commands.h"
#include "host/formats/MeshFormats.h"
#include "host/scene/Scene.h"
#include "interface/tsxapi.h"

namespace splicer {
namespace {

const char* TypeName(int32_t type) {
  switch (type & 0xFF) {
    case e_tsxPOLYHEDRON: return "polyhedron";
    case e_tsxLIGHT: return "light";
    case e_tsxCAMERA: return "camera";
    case e_tsxGROUP: return "group";
    default: return "other";
  }
}

struct InfoSettings {
  std::string scene;
  bool namesOnly = false;
  bool resourcesAnywhere = false;
  unsigned long long maxFaces = 0;  // 0: the reader's default
};

void PrintTable(const std::string& path, const tsxhost::ObjResult& loaded) {
  const std::vector<tsxSOBJ>& objects = loaded.objects;
  std::printf("%s: %zu object%s\n", path.c_str(), objects.size(), objects.size() == 1 ? "" : "s");
  if (loaded.groupsAsObjects) std::printf("(no \"o\" line: each \"g\" group was read as an object)\n");
  std::printf("%-20s %-11s %9s %9s %9s   %s\n", "name", "type", "vertices", "uvs", "faces", "axes position");
  for (tsxSOBJ obj : objects) {
    CtsxVector3f axes{};
    tsxGNodeGetAxesPosition(obj, &axes);
    std::printf("%-20s %-11s %9d %9d %9d   (%.9g, %.9g, %.9g)\n", tsxhost::ObjectName(obj).c_str(),
                TypeName(tsxSobjGetType(obj)), tsxPolyhGetNbrVxs(obj), tsxPolyhGetNbrUV(obj),
                tsxPolyhGetNbrFaces(obj), double(axes.x), double(axes.y), double(axes.z));
  }
}

int RunInfo(const InfoSettings& settings) {
  const std::string& path = settings.scene;
  tsxhost::ObjReadOptions options;
  options.resourcesAnywhere = settings.resourcesAnywhere;
  options.maxFaces = settings.maxFaces;
  const tsxhost::ObjResult loaded = tsxhost::LoadScene(path, options);
  for (const std::string& w : loaded.warnings) std::fprintf(stderr, "warning: %s\n", w.c_str());
  if (!loaded.ok) {
    std::fprintf(stderr, "error: %s\n", loaded.error.c_str());
    return exitstatus::kFile;
  }
  if (settings.namesOnly) {
    // One name a line, nothing else: for shell completion and scripts.
    for (tsxSOBJ obj : loaded.objects) std::printf("%s\n", tsxhost::ObjectName(obj).c_str());
  } else {
    PrintTable(path, loaded);
  }
  return exitstatus::kOk;
}

}  // namespace

void AddInfoCommand(CLI::App& app) {
  auto settings = std::make_shared<InfoSettings>();
  CLI::App* info = app.add_subcommand("info", "List the objects of a scene file with their counts and axes");
  info->add_option("scene", settings->scene, "scene to read (.obj, .gltf, .glb, .ply, .stl)")->required();
  info->add_flag("--names", settings->namesOnly, "print only the object names, one a line");
  info->add_flag("--resources-anywhere,--mtl-anywhere", settings->resourcesAnywhere,
                 "read the files a scene refers to (material libraries, glTF buffers) wherever they are");
  info->add_option("--max-faces", settings->maxFaces,
                   "glTF, PLY, STL: read files of up to this many faces, every mesh counted at each node that\n"
                   "places it (default 20000000)")
      ->check(CLI::PositiveNumber);
  info->callback([settings] {
    if (const int status = RunInfo(*settings); status != exitstatus::kOk) throw CLI::RuntimeError(status);
  });
}

}  // namespace splicer
