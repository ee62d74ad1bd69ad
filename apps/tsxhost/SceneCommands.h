// The undoable scene edits of the host: objects coming into the scene
// (opened, or a plug-in's result), objects deleted, and placements. Each
// command changes the host's scene and then lets the document catch up.
#pragma once

#include <QUndoCommand>

#include <functional>
#include <vector>

#include "host/scene/Scene.h"
#include "interface/tsxapi.h"

namespace hostapp {

// Objects that are in the scene after redo and out of it after undo (or
// the other way round for a delete). Taken-out objects are held whole, so
// redo brings back the same handles with the same arrays; dropping the
// command frees whatever it still holds.
class PresenceCommand : public QUndoCommand {
 public:
  enum class Kind { Adds, Deletes };
  // `alreadyDone`: the change has happened (a file was read, the plug-in
  // added its object); the first redo only records it.
  PresenceCommand(const QString& text, Kind kind, std::vector<tsxSOBJ> objects,
                  bool alreadyDone, std::function<void()> changed);

  void redo() override;
  void undo() override;

 private:
  void TakeOut();
  void PutBack();

  Kind kind_;
  std::vector<tsxSOBJ> objects_;
  std::vector<tsxhost::HeldObject> held_;
  bool skipRedo_;
  std::function<void()> changed_;
};

// An object's vertex transform and axes before and after a placement.
struct Placement {
  CtsxTxmx3f transform;
  CtsxVector3f axes;
};

class PlaceCommand : public QUndoCommand {
 public:
  PlaceCommand(const QString& text, tsxSOBJ obj, const Placement& before, const Placement& after,
               std::function<void()> changed);

  void redo() override { Apply(after_); }
  void undo() override { Apply(before_); }

 private:
  void Apply(const Placement& placement);

  tsxSOBJ obj_;
  Placement before_, after_;
  std::function<void()> changed_;
};

// The placement an object has now.
Placement CurrentPlacement(tsxSOBJ obj);

}  // namespace hostapp
