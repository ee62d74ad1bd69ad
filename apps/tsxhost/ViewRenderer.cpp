#include "apps/tsxhost/ViewRenderer.h"

#include <QElapsedTimer>

#include <algorithm>
#include <exception>
#include <utility>

namespace hostapp {

ViewRenderer::ViewRenderer(QObject* parent) : QObject(parent), thread_([this] { Run(); }) {}

ViewRenderer::~ViewRenderer() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void ViewRenderer::Request(RenderJob job) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    next_ = std::move(job);
    ++generation_;
  }
  wake_.notify_one();
}

void ViewRenderer::Cancel() {
  const std::lock_guard<std::mutex> lock(mutex_);
  next_.reset();
  ++generation_;
}

void ViewRenderer::Post(uint64_t generation, Frame frame,
                        std::shared_ptr<const SceneGeometry> geometry, bool final, double ms) {
  // Runs on this object's thread; a request made since wins.
  QMetaObject::invokeMethod(
      this,
      [this, generation, frame = std::move(frame), geometry = std::move(geometry), final, ms] {
        if (generation == generation_) emit FrameReady(frame, geometry, final, ms);
      },
      Qt::QueuedConnection);
}

void ViewRenderer::Run() {
  for (;;) {
    RenderJob job;
    uint64_t generation = 0;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return stop_ || next_.has_value(); });
      if (stop_) return;
      job = std::move(*next_);
      next_.reset();
      generation = generation_;
    }
    const auto current = [this, generation] { return !stop_ && generation_ == generation; };
    const RenderProgress goOn = [&current](int64_t, int64_t) { return current(); };
    try {
      const size_t triangles = job.geometry->triangles.size();
      if (triangles > job.draftAbove) {
        RenderSettings draft = job.settings;
        draft.width = std::max(1, draft.width / 2);
        draft.height = std::max(1, draft.height / 2);
        draft.edges = false;
        draft.triangleStride = int(triangles / std::max<size_t>(1, job.draftTriangles)) + 1;
        QElapsedTimer timer;
        timer.start();
        Frame frame = RenderScene(*job.geometry, job.camera, draft, job.alsoSelected, goOn);
        if (!current()) continue;
        Post(generation, std::move(frame), job.geometry, false, double(timer.nsecsElapsed()) / 1e6);
      }
      QElapsedTimer timer;
      timer.start();
      Frame frame = RenderScene(*job.geometry, job.camera, job.settings, job.alsoSelected, goOn);
      if (!current()) continue;
      Post(generation, std::move(frame), job.geometry, true, double(timer.nsecsElapsed()) / 1e6);
    } catch (const std::exception&) {
      // Out of memory for this picture: the last one stays on screen.
    }
  }
}

}  // namespace hostapp
