// A join of many objects at once: every object that touches another is
// joined with it, each connected group into one new object named after its
// members. `splicer join` with several names or --all, the Python module's
// join_all and tsxhost's Edit > Join share it.
#pragma once

#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "engine/contact/ContactJoin.h"
#include "interface/tsxapi.h"

namespace splicer {

// Host names are cut to this many bytes.
inline constexpr std::size_t kMaxNameBytes = 255;

struct AssemblyGroup {
  std::string name;                  // the result's name in the scene
  std::vector<tsxSOBJ> members;      // in the order given
  std::vector<std::string> memberNames;
  spl::ContactGroup facts;           // contacts and counts, as the engine said
};

struct AssemblyOutcome {
  int32_t error = 0;                 // 0, or the engine's error code
  std::string what;                  // the refusal's text
  std::vector<AssemblyGroup> groups;
  std::vector<tsxSOBJ> untouched;    // in the order given
  std::vector<std::string> untouchedNames;
  double seconds = 0;
  bool Joined() const { return error == 0; }
  std::vector<tsxSOBJ> Results() const;
};

// Empty when `objects` can be joined as an assembly (two or more distinct
// polyhedra of the scene), else why not, naming the object.
std::string CheckAssembly(const std::vector<tsxSOBJ>& objects);

// Joins `objects` (CheckAssembly passed) at `accuracy` in one pass over all
// their contacts, reporting progress to `view` (null: nowhere) and seeing an
// abort through JoinState. The results enter the scene all together, named
// by GroupName; on an error or an abort nothing is added.
AssemblyOutcome JoinAssembly(const std::vector<tsxSOBJ>& objects, double accuracy, spl::JoinView* view = nullptr);

// "A+B+C": the members' names joined as a two-object join names its
// result, made unique against `taken` with ".2", ".3"... and kept within
// kMaxNameBytes (a long list ends "+... (N objects)"), never cutting a
// UTF-8 character.
std::string GroupName(const std::vector<std::string>& members, const std::function<bool(const std::string&)>& taken);

// `text` cut to at most `bytes`, never inside a UTF-8 character.
std::string CutUtf8(const std::string& text, std::size_t bytes);

// The report's `groups` (name, members, contacts and counts) and
// `untouched` fields.
nlohmann::json AssemblyFields(const AssemblyOutcome& outcome);

}  // namespace splicer
