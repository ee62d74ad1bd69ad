#include "apps/tsxhost/RenderCommand.h"

#include <QFile>

#include <cstdio>

#include "apps/ExitStatus.h"
#include "apps/tsxhost/Camera.h"
#include "apps/tsxhost/Rasterizer.h"
#include "apps/tsxhost/SceneGeometry.h"
#include "host/formats/MeshFormats.h"
#include "host/scene/Scene.h"

namespace hostapp {

int RunRender(const HostOptions& o) {
  tsxhost::ObjReadOptions read;
  read.resourcesAnywhere = o.resourcesAnywhere;
  const tsxhost::ObjResult r = tsxhost::LoadScene(QFile::encodeName(o.render).toStdString(), read);
  if (!r.ok) {
    std::fprintf(stderr, "error: %s\n", r.error.c_str());
    return exitstatus::kFile;
  }
  for (const std::string& w : r.warnings) std::fprintf(stderr, "warning: %s\n", w.c_str());
  const SceneGeometry scene = BuildSceneGeometry(tsxhost::SceneObjects());
  RenderSettings settings;
  settings.width = o.size.width();
  settings.height = o.size.height();
  if (!o.select.isEmpty()) {
    const tsxSOBJ obj = tsxhost::FindObject(o.select.toStdString());
    if (!obj) {
      std::fprintf(stderr, "error: no object named '%s'\n", qPrintable(o.select));
      return exitstatus::kFile;
    }
    settings.selected = scene.IndexOf(obj);
  }
  settings.edges = o.edges;
  Camera camera;
  camera.zUp = o.zUp;
  if (!scene.empty()) {
    const Sphere s = BoundingSphere(scene, {});
    camera.FrameSphere(s.centre, s.radius, float(settings.width) / float(settings.height));
  }
  const Frame frame = RenderScene(scene, camera, settings);
  if (!frame.image.save(o.out, "PNG")) {
    std::fprintf(stderr, "error: cannot write %s\n", qPrintable(o.out));
    return exitstatus::kFailed;
  }
  return exitstatus::kOk;
}

}  // namespace hostapp
