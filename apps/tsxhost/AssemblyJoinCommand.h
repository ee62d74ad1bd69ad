// The host program's Edit > Join: every selected object that touches
// another is joined with it, each connected group into one new object, as
// one undoable step; and Edit > Select All, to select every object.
#pragma once

#include <QString>

#include <vector>

#include "session/AssemblyJoin.h"
#include "interface/tsxapi.h"

class QMenu;
class QWidget;

namespace hostapp {

class PluginModule;
class SceneDocument;

// Joins `objects` at `accuracy` with the engine's messages in message boxes
// and its progress in a dialog (Cancel aborts). On success the new objects
// are one step of the document's history and become the selection; on an
// error or an abort the scene is as it was and `why` (when not null) says
// what went wrong unless a message box has said it already.
splicer::AssemblyOutcome JoinObjects(QWidget* parent, SceneDocument* document, const std::vector<tsxSOBJ>& objects,
                                     double accuracy, QString* why = nullptr);

// What the status bar says after a join: the groups made and the objects
// that touched nothing.
QString JoinSummary(const splicer::AssemblyOutcome& outcome);

// Adds "Select All" and "Join…" to `menu`; Join is refused while the
// plug-in runs a join. Join's dialog starts from `accuracy`, the host's
// accuracy setting, and keeps what was chosen.
void AddAssemblyJoinCommands(QWidget* window, QMenu* menu, SceneDocument* document, PluginModule* plugin,
                             double* accuracy);

}  // namespace hostapp
