#include "apps/tsxhost/RenderCommand.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>

#include "apps/ExitStatus.h"
#include "apps/tsxhost/Camera.h"
#include "apps/tsxhost/Rasterizer.h"
#include "apps/tsxhost/SceneGeometry.h"
#include "host/formats/MeshFormats.h"
#include "host/obj/SafeFile.h"
#include "host/scene/Scene.h"

namespace hostapp {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void NoteInterrupt(int) { g_interrupted = 1; }

// While alive, Ctrl-C is noted for the run to stop at its next look
// instead of ending the program.
class InterruptNoted {
 public:
  InterruptNoted() : previous_(std::signal(SIGINT, NoteInterrupt)) { g_interrupted = 0; }
  ~InterruptNoted() { std::signal(SIGINT, previous_ == SIG_ERR ? SIG_DFL : previous_); }
  InterruptNoted(const InterruptNoted&) = delete;
  InterruptNoted& operator=(const InterruptNoted&) = delete;

 private:
  void (*previous_)(int);
};

// How far the run has got, on one line of a terminal's stderr, at most ten
// times a second; nothing when stderr is not a terminal.
class ProgressLine {
 public:
  ProgressLine() : shown_(isatty(STDERR_FILENO) == 1) {}
  ~ProgressLine() { Clear(); }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // False once Ctrl-C is pressed.
  bool Show(const std::string& what, int64_t done, int64_t total) {
    if (g_interrupted) return false;
    if (!shown_) return true;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < std::chrono::milliseconds(100)) return true;
    last_ = now;
    const int percent = total > 0 ? static_cast<int>(100 * done / total) : 0;
    std::fprintf(stderr, "\r\033[K%s %d%%", what.c_str(), percent);
    std::fflush(stderr);
    drawn_ = true;
    return true;
  }
  void Clear() {
    if (!drawn_) return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    drawn_ = false;
  }

 private:
  bool shown_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point last_{};
};

int Interrupted(ProgressLine& line, const std::string& when) {
  line.Clear();
  std::fprintf(stderr, "error: interrupted (Ctrl-C) %s; nothing written\n", when.c_str());
  return exitstatus::kFailed;
}

}  // namespace

int RunRender(const HostOptions& o) {
  const InterruptNoted interrupt;
  ProgressLine line;
  const std::string scenePath = QFile::encodeName(o.render).toStdString();
  tsxhost::ObjReadOptions read;
  read.resourcesAnywhere = o.resourcesAnywhere;
  const std::string reading = "reading " + scenePath;
  read.progress = [&](int64_t done, int64_t total) { return line.Show(reading, done, total); };
  const tsxhost::ObjResult r = tsxhost::LoadScene(scenePath, read);
  if (g_interrupted) return Interrupted(line, "while reading " + scenePath);
  line.Clear();
  if (!r.ok) {
    std::fprintf(stderr, "error: %s\n", r.error.c_str());
    return exitstatus::kFile;
  }
  for (const std::string& w : r.warnings) std::fprintf(stderr, "warning: %s\n", w.c_str());
  const SceneGeometry scene = BuildSceneGeometry(tsxhost::SceneObjects(), [&](size_t done, size_t total) {
    return line.Show("preparing the picture", static_cast<int64_t>(done), static_cast<int64_t>(total));
  });
  if (g_interrupted) return Interrupted(line, "while preparing the picture");
  RenderSettings settings;
  settings.width = o.size.width();
  settings.height = o.size.height();
  if (!o.select.isEmpty()) {
    const tsxSOBJ obj = tsxhost::FindObject(o.select.toStdString());
    if (!obj) {
      line.Clear();
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
  const Frame frame = RenderScene(scene, camera, settings, {}, [&](int64_t done, int64_t total) {
    return line.Show("drawing", done, total);
  });
  if (g_interrupted) return Interrupted(line, "while drawing");
  line.Clear();
  // Whole or not at all: an old picture stays as it was when this fails.
  QByteArray png;
  QBuffer buffer(&png);
  std::string error;
  const std::string outPath = QFile::encodeName(o.out).toStdString();
  if (!buffer.open(QIODevice::WriteOnly) || !frame.image.save(&buffer, "PNG")) {
    error = outPath + ": cannot make the picture";
  } else if (tsxhost::WriteFilesSafely({{outPath, std::string_view(png.constData(), static_cast<size_t>(png.size()))}},
                                       &error)) {
    return exitstatus::kOk;
  }
  std::fprintf(stderr, "error: cannot write %s (%s)\n", qPrintable(o.out), error.c_str());
  return exitstatus::kFailed;
}

}  // namespace hostapp
