// `splicer info SCENE`: what a scene holds.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "apps/ExitStatus.h"
#include "apps/splicer/Commands.h"
#include "host/formats/MeshFormats.h"
#include "host/scene/Scene.h"
#include "interface/tsxapi.h"
#include "apps/splicer/TerminalView.h"

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

// Columns on a terminal: UTF-8 continuation bytes take no column.
size_t Columns(const std::string& text) {
  size_t columns = 0;
  for (const char c : text) columns += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return columns;
}

std::string PaddedRight(const std::string& text, size_t width) {
  return text + std::string(width - std::min(width, Columns(text)), ' ');
}

std::string PaddedLeft(const std::string& text, size_t width) {
  return std::string(width - std::min(width, Columns(text)), ' ') + text;
}

void PrintTable(const std::string& path, const tsxhost::ObjResult& loaded) {
  const std::vector<tsxSOBJ>& objects = loaded.objects;
  std::printf("%s: %zu object%s\n", path.c_str(), objects.size(), objects.size() == 1 ? "" : "s");
  if (loaded.groupsAsObjects) std::printf("(no \"o\" line: each \"g\" group was read as an object)\n");
  // Every column as wide as its widest cell.
  std::vector<std::vector<std::string>> rows{{"name", "type", "vertices", "uvs", "faces", "axes position"}};
  for (tsxSOBJ obj : objects) {
    CtsxVector3f axes{};
    tsxGNodeGetAxesPosition(obj, &axes);
    char position[128];
    std::snprintf(position, sizeof position, "(%.9g, %.9g, %.9g)", double(axes.x), double(axes.y), double(axes.z));
    rows.push_back({tsxhost::ObjectName(obj), TypeName(tsxSobjGetType(obj)), std::to_string(tsxPolyhGetNbrVxs(obj)),
                    std::to_string(tsxPolyhGetNbrUV(obj)), std::to_string(tsxPolyhGetNbrFaces(obj)), position});
  }
  std::vector<size_t> widths(rows[0].size(), 0);
  for (const auto& row : rows) {
    for (size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], Columns(row[c]));
  }
  for (const auto& row : rows) {
    const std::string line = PaddedRight(row[0], widths[0]) + "  " + PaddedRight(row[1], widths[1]) + "  " +
                             PaddedLeft(row[2], widths[2]) + "  " + PaddedLeft(row[3], widths[3]) + "  " +
                             PaddedLeft(row[4], widths[4]) + "   " + row[5];
    std::printf("%s\n", line.c_str());
  }
}

int RunInfo(const InfoSettings& settings) {
  const std::string& path = settings.scene;
  tsxhost::ObjReadOptions options;
  options.resourcesAnywhere = settings.resourcesAnywhere;
  options.maxFaces = settings.maxFaces;
  TerminalView view(isatty(STDERR_FILENO) == 1);
  InterruptAsAbort interrupt;
  const tsxhost::ObjResult loaded = LoadWithProgress(view, path, options);
  if (Interrupted()) {
    std::fprintf(stderr, "error: interrupted (Ctrl-C) while reading %s\n", path.c_str());
    return exitstatus::kFailed;
  }
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
