// Objects taken out of the scene and put back whole, for the host's undo.
#include <algorithm>

#include "host/scene/HostState.h"

namespace tsxhost {

void detail::ObjectDeleter::operator()(Object* obj) const { delete obj; }

HeldObject TakeOut(tsxSOBJ obj) {
  detail::State& s = detail::TheState();
  const auto it = s.objects.find(obj);
  const auto at = std::find(s.sceneOrder.begin(), s.sceneOrder.end(), obj);
  if (it == s.objects.end() || at == s.sceneOrder.end()) return {};
  HeldObject held;
  held.id = obj;
  held.scenePosition = static_cast<size_t>(at - s.sceneOrder.begin());
  held.object.reset(it->second.release());
  held.object->inScene = false;
  s.objects.erase(it);
  s.sceneOrder.erase(at);
  if (s.selection == obj) s.selection = 0;
  return held;
}

tsxSOBJ PutBack(HeldObject& held) {
  detail::State& s = detail::TheState();
  if (!held || s.objects.count(held.id) != 0) return 0;
  detail::Object* obj = held.object.release();
  obj->inScene = true;
  s.objects.emplace(held.id, std::unique_ptr<detail::Object>(obj));
  const size_t at = std::min(held.scenePosition, s.sceneOrder.size());
  s.sceneOrder.insert(s.sceneOrder.begin() + static_cast<std::ptrdiff_t>(at), held.id);
  return held.id;
}

}  // namespace tsxhost
