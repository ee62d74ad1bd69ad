// The report of a join as short lines for people: a summary of what was
// joined, a warning when the seam is incomplete, and the hint after "06".
// Callers add their own prefixes ("warning: ", "hint: ") and the result's
// counts.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "session/JunctionReport.h"

namespace spl {

// A length with at most four significant digits: "0", "0.0088", "1.5e-05".
std::string FormatLength(double length);
// An accuracy of whole thousandths as a decimal: "0.009", "0.01", "2".
std::string FormatThousandths(int32_t thousandths);

// "joined Left and Right at faces 5 and 4 (4 corners, largest gap 0)", or
// for a seam join "joined head and body along a seam (265 and 265 faces
// dropped, 269 vertices welded)"; empty when nothing was joined.
std::string SummaryText(const JunctionReport& report, std::string_view first, std::string_view second);

// When the seam is incomplete: "the seam is incomplete: 125 more face pairs
// touch, 178 vertex pairs coincide unwelded; <seamPointer>". The pointer
// names the tool's way to a seam join. After a seam join only the faces
// that still touch are named, without the pointer.
std::optional<std::string> WarningText(const JunctionReport& report, std::string_view seamPointer);

// When the largest distance of two welded corners is more than half the
// accuracy: "the largest gap (0.0088) is more than half the accuracy
// (0.01): corners that do not lie on each other may have been welded".
std::optional<std::string> GapWarningText(const JunctionReport& report);

// When the result is not sealed: "the result is not sealed: 4 open edges,
// 2 vertices at the position of another (the first at 1, 0.5, 0)".
std::optional<std::string> SealText(const JunctionReport& report);

// The warnings of a join that succeeded, in the order shown: the seam (with
// `seamPointer`), then the gap.
std::vector<std::string> WarningLines(const JunctionReport& report, std::string_view seamPointer);

// After "06", what the hint says. An accuracy to try: "faces 12 and 40 (3
// corners) come nearest, at most 0.0088 apart: try <accuracyOption>0.009"
// (the option with its separator, "--accuracy "), and why a larger accuracy
// fails when one of their edges is shorter than it. Faces on each other:
// "the objects touch face to face (faces 5 and 0 lie on each other, 12 face
// pairs in all) where no single face pair joins: <contactPointer>". Else
// that the objects do not touch face to face, with the nearest faces.
std::optional<std::string> HintText(const JunctionReport& report, std::string_view accuracyOption,
                                    std::string_view contactPointer);

}  // namespace spl
