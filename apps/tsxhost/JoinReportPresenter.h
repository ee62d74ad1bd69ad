// After any join, the report in the host program: the junction (or the
// seam) outlined in the 3D view, and the report's summary and warning in a
// label of the status bar that stays until the next join or until the
// result leaves the scene.
#pragma once

#include <QObject>
#include <QPointer>

#include <vector>

#include "interface/tsxapi.h"
#include "session/JunctionReport.h"

class PluginModule;
class QLabel;
class QStatusBar;
class SceneDocument;
class SceneView;

class JoinReportPresenter : public QObject {
  Q_OBJECT

 public:
  // `plugin` may be null; its tool window, when open, gives the accuracy.
  JoinReportPresenter(SceneDocument* document, PluginModule* plugin, SceneView* view, QStatusBar* statusBar,
                      QObject* parent = nullptr);

  // Shows a report of a join that made `result` (the plug-in's joins are
  // read off the scene; the host's own joins call this).
  void present(const spl::JunctionReport& report, tsxSOBJ first, tsxSOBJ second, tsxSOBJ result);
  void clear();
  QString text() const;

 private:
  void sceneChanged();
  double pluginAccuracy() const;

  SceneDocument* document_;
  QPointer<PluginModule> plugin_;
  SceneView* view_;
  QLabel* label_;
  std::vector<tsxSOBJ> known_;
  tsxSOBJ shownResult_ = 0;
};
