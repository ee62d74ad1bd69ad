// The host program's "Seam Join…" command: joins two objects of the scene
// along their whole seam with the engine's seam join, beside the plug-in,
// and shows the join's report. A dialog picks the first object (the
// selection), the second and the accuracy; a progress dialog can abort.
#pragma once

class JoinReportPresenter;
class PluginModule;
class SceneDocument;

#include "interface/tsxapi.h"

class QMenu;
class QWidget;

namespace hostapp {

// Asks for the objects and the accuracy, then joins. Returns whether a new
// object was added.
bool RunSeamJoinCommand(QWidget* parent, SceneDocument* document, JoinReportPresenter* reports, double* accuracy);

// The join itself: picks `first` and `second` as the plug-in's buttons do,
// runs the seam join with the engine's messages in message boxes and its
// progress in a dialog (Cancel aborts), and presents the report.
bool SeamJoinObjects(QWidget* parent, SceneDocument* document, JoinReportPresenter* reports, tsxSOBJ first,
                     tsxSOBJ second, double accuracy);

// Adds "Seam Join…" to `menu`; refused while the plug-in runs a join.
// `accuracy` is the host's accuracy setting: the dialog starts from it and
// keeps what was chosen.
void AddSeamJoinCommand(QWidget* window, QMenu* menu, SceneDocument* document, PluginModule* plugin,
                        JoinReportPresenter* reports, double* accuracy);

}  // namespace hostapp
