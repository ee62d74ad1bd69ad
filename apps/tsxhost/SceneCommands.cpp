#include "apps/tsxhost/SceneCommands.h"

#include <utility>

namespace hostapp {

PresenceCommand::PresenceCommand(const QString& text, Kind kind, std::vector<tsxSOBJ> objects,
                                 bool alreadyDone, std::function<void()> changed)
    : QUndoCommand(text), kind_(kind), objects_(std::move(objects)), skipRedo_(alreadyDone),
      changed_(std::move(changed)) {}

void PresenceCommand::redo() {
  if (std::exchange(skipRedo_, false)) return;
  kind_ == Kind::Adds ? PutBack() : TakeOut();
  changed_();
}

void PresenceCommand::undo() {
  kind_ == Kind::Adds ? TakeOut() : PutBack();
  changed_();
}

void PresenceCommand::TakeOut() {
  // Last first, so that putting back in order restores the scene's order.
  held_.clear();
  for (auto it = objects_.rbegin(); it != objects_.rend(); ++it) {
    if (tsxhost::HeldObject held = tsxhost::TakeOut(*it)) held_.push_back(std::move(held));
  }
}

void PresenceCommand::PutBack() {
  for (auto it = held_.rbegin(); it != held_.rend(); ++it) tsxhost::PutBack(*it);
  held_.clear();
}

PlaceCommand::PlaceCommand(const QString& text, tsxSOBJ obj, const Placement& before,
                           const Placement& after, std::function<void()> changed)
    : QUndoCommand(text), obj_(obj), before_(before), after_(after),
      changed_(std::move(changed)) {}

void PlaceCommand::Apply(const Placement& placement) {
  if (!tsxhost::InScene(obj_)) return;
  tsxhost::SetTransform(obj_, placement.transform);
  tsxhost::SetAxesPosition(obj_, placement.axes);
  changed_();
}

Placement CurrentPlacement(tsxSOBJ obj) {
  Placement p{tsxhost::GetTransform(obj), {0, 0, 0}};
  tsxGNodeGetAxesPosition(obj, &p.axes);
  return p;
}

}  // namespace hostapp
