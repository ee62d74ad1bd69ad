#include "apps/tsxhost/SceneView.h"

#include <unordered_set>

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include "apps/tsxhost/OutlineOverlay.h"
#include <algorithm>

#include "apps/tsxhost/SceneDocument.h"

namespace hostapp {

namespace {
constexpr int kClickSlop = 3;      // pixels a click may move and stay a click
constexpr double kSlowFrameMs = 40;  // slower than this: drag at half size
}  // namespace

SceneView::SceneView(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setMinimumSize(200, 150);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void SceneView::SetEdgesShown(bool shown) {
  if (shown == edges_) return;
  edges_ = shown;
  emit EdgesShownChanged(shown);
  Redraw();
}

void SceneView::SetZUp(bool zUp) {
  if (zUp == camera_.zUp) return;
  camera_.zUp = zUp;
  emit ZUpChanged(zUp);
  FrameAll();
}

void SceneView::SetDocument(SceneDocument* document) {
  document_ = document;
  connect(document_, &SceneDocument::SceneChanged, this, &SceneView::SceneChanged);
  connect(document_, &SceneDocument::SelectionChanged, this, &SceneView::Redraw);
  SceneChanged();
}

void SceneView::SceneChanged() {
  // The first scene with content is framed; later changes keep the view.
  if (!framed_ && document_ && !document_->Geometry().empty()) {
    framed_ = true;
    FrameAll();
    return;
  }
  Redraw();
}

void SceneView::FrameAll() { FrameObjects({}); }

void SceneView::FrameObjects(const std::vector<tsxSOBJ>& objects) {
  // Done at the next paint, when the view has its final size.
  const auto drawn = [this](tsxSOBJ o) { return document_->Geometry().IndexOf(o) >= 0; };
  if (!document_ || (!objects.empty() && std::none_of(objects.begin(), objects.end(), drawn)))
    return;
  frameWhat_ = objects;
  frameDue_ = true;
  Redraw();
}

void SceneView::Redraw() {
  stale_ = true;
  update();
}

tsxSOBJ SceneView::ObjectAt(const QPoint& pos) const {
  if (!document_ || frame_.image.isNull() || !frameGeometry_) return 0;
  // The picture may be a draft, or of another size until the next arrives.
  const int x = int(int64_t(pos.x()) * frame_.image.width() / std::max(1, width()));
  const int y = int(int64_t(pos.y()) * frame_.image.height() / std::max(1, height()));
  const int i = frame_.ObjectAtPixel(x, y);
  const auto& objects = frameGeometry_->objects;
  if (i < 0 || size_t(i) >= objects.size()) return 0;
  // An object the picture shows that has left the scene since is no pick.
  return document_->Geometry().IndexOf(objects[size_t(i)]) >= 0 ? objects[size_t(i)] : 0;
}

void SceneView::SetRenderLimits(const RenderLimits& limits) {
  limits_ = limits;
  Redraw();
}

void SceneView::ShowFrame(const Frame& frame, const std::shared_ptr<const SceneGeometry>& geometry,
                          bool final, double ms) {
  frame_ = frame;
  frameGeometry_ = geometry;
  if (final && frame.image.width() == std::max(1, width())) lastRenderMs_ = ms;
  emit FrameShown(final);
}

void SceneView::paintEvent(QPaintEvent*) {
  if (frameDue_ && document_ && !document_->Geometry().empty()) {
    const Sphere s = BoundingSphere(document_->Geometry(), frameWhat_);
    camera_.FrameSphere(s.centre, s.radius, float(width()) / float(std::max(1, height())));
  }
  frameDue_ = false;
  const int scale = dragging_ && moved_ && lastRenderMs_ > kSlowFrameMs ? 2 : 1;
  const QSize want(std::max(1, width() / scale), std::max(1, height() / scale));
  if (stale_ || requested_ != want) {
    stale_ = false;
    requested_ = want;
    static const auto kNothing = std::make_shared<const SceneGeometry>();
    RenderJob job;
    job.geometry = document_ ? document_->SharedGeometry() : kNothing;
    job.camera = camera_;
    job.settings.width = want.width();
    job.settings.height = want.height();
    const SceneGeometry& g = *job.geometry;
    job.settings.selected = document_ ? g.IndexOf(document_->Selection()) : -1;
    if (document_ && document_->SelectedObjects().size() > 1) {
      const std::unordered_set<tsxSOBJ> chosen(document_->SelectedObjects().begin(),
                                               document_->SelectedObjects().end());
      for (size_t i = 0; i < g.objects.size(); ++i) {
        if (chosen.count(g.objects[i])) job.alsoSelected.push_back(int(i));
      }
    }
    job.settings.edges = edges_;
    job.draftAbove = limits_.draftAbove;
    job.draftTriangles = limits_.draftTriangles;
    if (g.triangles.size() > limits_.backgroundAbove) {
      if (!renderer_) {
        renderer_ = std::make_unique<ViewRenderer>();
        connect(renderer_.get(), &ViewRenderer::FrameReady, this, [this](const Frame& frame, const std::shared_ptr<const SceneGeometry>& geometry,
                       bool final, double ms) {
          ShowFrame(frame, geometry, final, ms);
          update();
        });
      }
      renderer_->Request(std::move(job));
    } else {
      // Quick enough to draw here; a big picture still coming is dropped.
      if (renderer_) renderer_->Cancel();
      QElapsedTimer timer;
      timer.start();
      const Frame frame = RenderScene(g, camera_, job.settings, job.alsoSelected);
      ShowFrame(frame, job.geometry, true, double(timer.nsecsElapsed()) / 1e6);
    }
  }
  QPainter painter(this);
  if (frame_.image.isNull())
    painter.fillRect(rect(), QColor(66, 72, 84));
  else
    painter.drawImage(rect(), frame_.image);  // scaled while a new size is drawn
  DrawOutline(painter, camera_, size(), outline_);
}

void SceneView::SetOutline(std::vector<spl::OutlineSegment> outline) {
  outline_ = std::move(outline);
  update();
}

void SceneView::mousePressEvent(QMouseEvent* event) {
  dragging_ = true;
  moved_ = false;
  button_ = event->button();
  panning_ = button_ == Qt::MiddleButton || button_ == Qt::RightButton ||
             (event->modifiers() & Qt::ShiftModifier);
  last_ = event->position().toPoint();
}

void SceneView::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return;
  const QPoint pos = event->position().toPoint();
  const QPoint d = pos - last_;
  if (!moved_ && d.manhattanLength() <= kClickSlop) return;
  moved_ = true;
  last_ = pos;
  if (panning_)
    camera_.Pan(float(d.x()), float(d.y()), height());
  else
    camera_.Orbit(float(d.x()), float(d.y()));
  Redraw();
}

void SceneView::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = dragging_ && !moved_ && button_ == Qt::LeftButton;
  const bool wasMoving = moved_;
  dragging_ = false;
  moved_ = false;
  if (click && (event->modifiers() & Qt::ControlModifier)) {
    emit PickedWithCtrl(ObjectAt(event->position().toPoint()));
  } else if (click) {
    emit Picked(ObjectAt(event->position().toPoint()));
  }
  if (wasMoving) Redraw();  // the full-size picture
}

void SceneView::wheelEvent(QWheelEvent* event) {
  camera_.Zoom(float(event->angleDelta().y()) / 120.0f);
  Redraw();
}

void SceneView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F || event->key() == Qt::Key_Home) {
    FrameAll();
    return;
  }
  if (event->key() == Qt::Key_E) {
    SetEdgesShown(!edges_);
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace hostapp
