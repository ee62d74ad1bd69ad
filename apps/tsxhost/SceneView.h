// The 3D view: draws the document's geometry with the software renderer,
// orbits (left drag), pans (middle or right drag, or shift + left drag),
// zooms (wheel), picks (left click), frames all (F, Home) and shows or
// hides the edges (E). Y is up unless the user stands the scene z up; the
// choice belongs to the scene open, never to the next one.
#pragma once

#include <QPoint>
#include <QWidget>

#include <cstddef>
#include <memory>
#include <vector>

#include "apps/tsxhost/Camera.h"
#include "apps/tsxhost/Rasterizer.h"
#include "apps/tsxhost/ViewRenderer.h"
#include "interface/tsxapi.h"
#include "session/JunctionReport.h"

namespace hostapp {

class SceneDocument;

class SceneView : public QWidget {
  Q_OBJECT

 public:
  explicit SceneView(QWidget* parent = nullptr);

  // Scenes with more triangles than `backgroundAbove` are drawn on a
  // thread of their own (a paint shows the last picture meanwhile); above
  // `draftAbove`, a draft of about `draftTriangles` comes first.
  struct RenderLimits {
    size_t backgroundAbove = 20000;
    size_t draftAbove = 200000;
    size_t draftTriangles = 100000;
  };
  void SetRenderLimits(const RenderLimits& limits);

  void SetDocument(SceneDocument* document);
  void FrameAll();
  // Frames these objects' bounding sphere; nothing when none is drawn.
  void FrameObjects(const std::vector<tsxSOBJ>& objects);
  // The object under a widget position, 0 for none (from the last picture).
  tsxSOBJ ObjectAt(const QPoint& pos) const;
  const Camera& ViewCamera() const { return camera_; }
  // Lines drawn over the picture: what the last join welded.
  void SetOutline(std::vector<spl::OutlineSegment> outline);
  const std::vector<spl::OutlineSegment>& Outline() const { return outline_; }
  bool EdgesShown() const { return edges_; }
  void SetEdgesShown(bool shown);
  bool ZUp() const { return camera_.zUp; }
  void SetZUp(bool zUp);
  QSize sizeHint() const override { return {800, 600}; }

 signals:
  void Picked(tsxSOBJ obj);
  void PickedWithCtrl(tsxSOBJ obj);  // a Ctrl-click: add to the selection or take out
  void EdgesShownChanged(bool shown);
  void ZUpChanged(bool zUp);
  void FrameShown(bool final);  // a new picture is on screen; false: a draft

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void SceneChanged();
  void Redraw();
  void ShowFrame(const Frame& frame, const std::shared_ptr<const SceneGeometry>& geometry,
                 bool final, double ms);

  SceneDocument* document_ = nullptr;
  Camera camera_;
  Frame frame_;
  std::shared_ptr<const SceneGeometry> frameGeometry_;  // what frame_ shows
  QSize requested_;  // the size of the picture last asked for
  RenderLimits limits_;
  std::unique_ptr<ViewRenderer> renderer_;  // made for the first big scene
  bool edges_ = true;
  bool stale_ = true;  // the picture no longer shows scene and camera
  bool framed_ = false;
  bool frameDue_ = false;
  std::vector<tsxSOBJ> frameWhat_;  // empty: everything
  bool dragging_ = false;
  bool moved_ = false;
  bool panning_ = false;  // this drag pans rather than orbits
  Qt::MouseButton button_ = Qt::NoButton;
  QPoint last_;
  double lastRenderMs_ = 0;
  std::vector<spl::OutlineSegment> outline_;
};

}  // namespace hostapp
