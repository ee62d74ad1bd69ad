#include "session/AssemblyJoin.h"

#include <chrono>
#include <unordered_set>

#include "engine/actions/WindowActions.h"
#include "engine/common/Errors.h"
#include "engine/common/JoinState.h"
#include "host/scene/Scene.h"
#include "session/RebuiltFaces.h"

namespace splicer {
namespace {

std::string GroupBase(const std::vector<std::string>& members, std::size_t budget) {
  std::string all;
  for (const std::string& name : members) {
    if (!all.empty()) all += '+';
    all += name;
    if (all.size() > budget) break;
  }
  if (all.size() <= budget) return all;
  // As many whole names as fit, then how many there are in all.
  const std::string tail = "+... (" + std::to_string(members.size()) + " objects)";
  std::string head;
  for (const std::string& name : members) {
    if (head.size() + (head.empty() ? 0 : 1) + name.size() + tail.size() > budget) break;
    if (!head.empty()) head += '+';
    head += name;
  }
  if (head.empty()) head = CutUtf8(members.front(), budget - tail.size());
  return head + tail;
}

}  // namespace

std::string CutUtf8(const std::string& text, std::size_t bytes) {
  if (text.size() <= bytes) return text;
  std::size_t end = bytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

std::vector<tsxSOBJ> AssemblyOutcome::Results() const {
  std::vector<tsxSOBJ> results;
  for (const AssemblyGroup& group : groups) results.push_back(group.facts.result);
  return results;
}

std::string GroupName(const std::vector<std::string>& members, const std::function<bool(const std::string&)>& taken) {
  if (members.empty()) return {};
  const std::string base = GroupBase(members, kMaxNameBytes);
  if (!taken(base)) return base;
  for (int n = 2;; ++n) {
    const std::string suffix = "." + std::to_string(n);
    const std::string name = CutUtf8(base, kMaxNameBytes - suffix.size()) + suffix;
    if (!taken(name)) return name;
  }
}

std::string CheckAssembly(const std::vector<tsxSOBJ>& objects) {
  if (objects.size() < 2) return "an assembly join needs two objects or more";
  std::unordered_set<tsxSOBJ> seen;
  for (tsxSOBJ obj : objects) {
    if (!tsxhost::InScene(obj)) return "an object to join is not in the scene";
    const std::string name = "\"" + tsxhost::ObjectName(obj) + "\"";
    if ((tsxSobjGetType(obj) & 0xFF) != e_tsxPOLYHEDRON) return name + " is not a polyhedron";
    if (!seen.insert(obj).second) return name + " is given twice";
  }
  return {};
}

AssemblyOutcome JoinAssembly(const std::vector<tsxSOBJ>& objects, double accuracy, spl::JoinView* view) {
  const auto begin = std::chrono::steady_clock::now();
  AssemblyOutcome outcome;
  if (spl::JoinInProgress()) {  // as PickAndJoin: the running join's state stays its own
    outcome.error = spl::kCannotMakeResult;
    outcome.what = "another join is still running";
    return outcome;
  }
  std::vector<std::string> names;
  names.reserve(objects.size());
  for (tsxSOBJ obj : objects) names.push_back(tsxhost::ObjectName(obj));

  spl::JoinState.LastError = 0;
  spl::JoinState.AbortRequested = false;
  spl::ContactJoinRequest request;
  request.objects = objects;
  request.inputs = spl::ContactInputsAt(accuracy);
  request.finish = [&request](const spl::ContactGroup& group) { return GiveRebuiltFaces(request.objects, group); };
  spl::JoinProgress progress{view, {}};
  spl::ContactJoinResult joined;
  spl::RunAsJoin([&] { joined = spl::RunContactJoin(request, progress); });
  outcome.error = joined.error;
  outcome.what = std::move(joined.what);
  if (outcome.error == 0) {
    std::unordered_set<tsxSOBJ> results;
    for (const spl::ContactGroup& group : joined.groups) results.insert(group.result);
    // Names are made unique against the scene's other objects and each
    // other, whatever the engine named the results meanwhile.
    std::unordered_set<std::string> taken;
    for (tsxSOBJ obj : tsxhost::SceneObjects()) {
      if (!results.count(obj)) taken.insert(tsxhost::ObjectName(obj));
    }
    for (spl::ContactGroup& facts : joined.groups) {
      AssemblyGroup group;
      for (size_t m : facts.members) {
        group.members.push_back(objects[m]);
        group.memberNames.push_back(names[m]);
      }
      group.name = GroupName(group.memberNames, [&taken](const std::string& s) { return taken.count(s) > 0; });
      taken.insert(group.name);
      tsxhost::SetObjectName(facts.result, group.name);
      group.facts = std::move(facts);
      outcome.groups.push_back(std::move(group));
    }
    for (size_t u : joined.untouched) {
      outcome.untouched.push_back(objects[u]);
      outcome.untouchedNames.push_back(names[u]);
    }
  }
  outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  return outcome;
}

nlohmann::json AssemblyFields(const AssemblyOutcome& outcome) {
  nlohmann::json groups = nlohmann::json::array();
  for (const AssemblyGroup& group : outcome.groups) {
    const spl::ContactGroup& f = group.facts;
    groups.push_back({{"name", group.name},
                      {"members", group.memberNames},
                      {"contacts", f.contacts},
                      {"dropped_faces", f.droppedFaces},
                      {"welded_vertices", f.weldedVertices},
                      {"new_points", f.newPoints},
                      {"split_faces", f.splitFaces},
                      {"vertices", f.vertices},
                      {"faces", f.faces},
                      {"volume", f.volume},
                      {"area", f.area},
                      {"closed_inputs", f.closedInputs},
                      {"open_edges_before", f.openEdgesBefore},
                      {"open_edges_after", f.openEdgesAfter},
                      {"open_edges_after_at", f.openEdgesAfterAt},
                      {"largest_weld", f.largestWeld}});
  }
  return {{"groups", groups}, {"untouched", outcome.untouchedNames}};
}

}  // namespace splicer
