#include "host/obj/ObjStatements.h"

#include <algorithm>
#include <array>

#include "host/obj/TextLines.h"

namespace tsxhost {

bool IsObjStatement(std::string_view key) {
  static constexpr std::array<std::string_view, 37> kKeys{
      "v",      "vt",     "vn",       "vp",       "f",         "l",       "p",        "o",
      "g",      "s",      "mg",       "usemtl",   "mtllib",    "cstype",  "deg",      "bmat",
      "step",   "curv",   "curv2",    "surf",     "parm",      "trim",    "hole",     "scrv",
      "sp",     "end",    "con",      "lod",      "usemap",    "maplib",  "shadow_obj", "trace_obj",
      "ctech",  "stech",  "bevel",    "c_interp", "d_interp"};
  return std::find(kKeys.begin(), kKeys.end(), key) != kKeys.end();
}

void StatementTally::Add(std::string_view key, long line) {
  for (Kind& kind : kinds_) {
    if (kind.key == key) {
      ++kind.count;
      return;
    }
  }
  if (kinds_.size() == kKindsShown) {
    ++others_;
    return;
  }
  kinds_.push_back({std::string(key), 1, line});
}

std::vector<std::string> StatementTally::Warnings() const {
  std::vector<std::string> out;
  for (const Kind& kind : kinds_) {
    out.push_back(std::to_string(kind.count) + " '" + detail::ForDisplay(kind.key, 40) + "' statement" +
                  (kind.count == 1 ? "" : "s") + " skipped (first on line " + std::to_string(kind.firstLine) + ")");
  }
  if (others_ > 0) out.push_back(std::to_string(others_) + " statements of other unknown kinds skipped");
  return out;
}

}  // namespace tsxhost
