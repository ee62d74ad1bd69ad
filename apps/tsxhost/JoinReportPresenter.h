// After any join, the report in the host program: the junction (or the
// seam) outlined in the 3D view, and the report's summary and warning in a
// label of the status bar that stays until the next join or until the
// result leaves the scene (shortened to the window's width, the whole text
// in its tooltip and on standard error, the program's log).
#pragma once

#include <QObject>
#include <QPointer>

#include <vector>

#include "interface/tsxapi.h"
#include "session/JunctionReport.h"

class QStatusBar;

namespace hostapp {

class ElidedLabel;
class SceneDocument;
class SceneView;

class JoinReportPresenter : public QObject {
  Q_OBJECT

 public:
  // The plug-in's joins are read at `accuracy`, the host's own accuracy
  // setting (null: the default): what the plug-in's window was set to stays
  // inside the module.
  JoinReportPresenter(SceneDocument* document, const double* accuracy, SceneView* view, QStatusBar* statusBar,
                      QObject* parent = nullptr);

  // Shows a report of a join that made `result` (the plug-in's joins are
  // read off the scene; the host's own joins call this).
  void Present(const spl::JunctionReport& report, tsxSOBJ first, tsxSOBJ second, tsxSOBJ result);
  // After a join that found no junction: the hint `splicer join` prints,
  // with the window's words for the accuracy and the contact join.
  void PresentFailure(const spl::JunctionReport& report, tsxSOBJ first, tsxSOBJ second);
  void Clear();
  QString Text() const;

 private:
  void SceneChanged();

  SceneDocument* document_;
  const double* accuracy_;
  SceneView* view_;
  ElidedLabel* label_;
  std::vector<tsxSOBJ> known_;
  tsxSOBJ shownResult_ = 0;
};

}  // namespace hostapp
