// `splicer join`'s account of a join: the summary, warning and hint lines
// on the terminal and the report's fields in the JSON file.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "session/JunctionReport.h"

namespace splicer {

// The report's `junction`, `seam` and `hint` fields (null when they do not
// apply).
nlohmann::json ReportFields(const spl::JunctionReport& report);

// The report's `seam` field: faces dropped from the first and the second
// object, vertices welded, and what is left of the seam.
nlohmann::json SeamFields(int64_t droppedFirst, int64_t droppedSecond, int64_t welded, const spl::SeamLeft& left);

// After a join that succeeded: the summary line on stdout, e.g. "joined Left
// and Right at faces 5 and 4 (4 corners, largest gap 0): 12 vertices, 10
// faces -> out/boxes-joined.obj", and a "warning:" line on stderr when the
// seam is incomplete. After "06": a "hint:" line on stderr.
void PrintReportLines(const spl::JunctionReport& report, const std::string& first, const std::string& second,
                      tsxSOBJ result, const std::string& output);

}  // namespace splicer
