// What a seam join took out of its two sources: shared by the seam join,
// which fills it, and the report and the host program, which read it.
#pragma once

#include <cstdint>
#include <vector>

namespace spl {

struct JoinedSeam {
  std::vector<int32_t> droppedFacesA;    // faces of the first object left out of the result, rising
  std::vector<int32_t> droppedFacesB;    // likewise for the second object
  std::vector<int32_t> weldedVerticesB;  // second-object vertices merged onto a first-object vertex, rising
  std::vector<int32_t> weldedOntoA;      // parallel to weldedVerticesB: the first-object vertex each went onto
};

}  // namespace spl
