// Draws the view's pictures on a thread of its own, so that a big scene
// never holds up the window. A new request stops the picture being drawn;
// a big scene gets a quick draft from a subset of its triangles first.
// Pictures come back through FrameReady on the object's own thread, and
// only those of the latest request.
#pragma once

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "apps/tsxhost/Camera.h"
#include "apps/tsxhost/Rasterizer.h"
#include "apps/tsxhost/SceneGeometry.h"

namespace hostapp {

struct RenderJob {
  std::shared_ptr<const SceneGeometry> geometry;  // never changed while shared
  Camera camera;
  RenderSettings settings;
  std::vector<int> alsoSelected;
  // Scenes with more triangles than this get a draft of about
  // `draftTriangles` at half size first.
  size_t draftAbove = 200000;
  size_t draftTriangles = 100000;
};

class ViewRenderer : public QObject {
  Q_OBJECT

 public:
  explicit ViewRenderer(QObject* parent = nullptr);
  // Stops the picture being drawn and waits for the thread.
  ~ViewRenderer() override;
  ViewRenderer(const ViewRenderer&) = delete;
  ViewRenderer& operator=(const ViewRenderer&) = delete;

  // Returns at once; whatever was asked before is dropped.
  void Request(RenderJob job);
  // Drops what was asked (the view drew a picture itself meanwhile).
  void Cancel();

 signals:
  // `final`: false for a draft; `ms`: how long the drawing took.
  void FrameReady(const hostapp::Frame& frame,
                  const std::shared_ptr<const hostapp::SceneGeometry>& geometry, bool final,
                  double ms);

 private:
  void Run();
  void Post(uint64_t generation, Frame frame, std::shared_ptr<const SceneGeometry> geometry,
            bool final, double ms);

  std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<RenderJob> next_;     // guarded by mutex_
  std::atomic<uint64_t> generation_{0};  // of the latest request
  std::atomic<bool> stop_{false};
  std::thread thread_;  // last: started once the rest is in place
};

}  // namespace hostapp
