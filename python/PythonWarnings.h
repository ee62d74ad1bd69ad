// The module's warnings as Python warnings: every one goes through Warn
// (and splicer._types.warn), so that how they look and their category are
// chosen in one place.
#pragma once

#include <string>

namespace splicer::python {

enum class WarningKind {
  General,  // UserWarning
  Seam,     // splicer.SeamWarning: part of the seam left unjoined or unsealed
};

// Issues `text` as a warning; throws pybind11::error_already_set when the
// warning filter turns it into an exception.
void Warn(const std::string& text, WarningKind kind = WarningKind::General);

// The join's warnings, by the name they had first.
inline void WarnAboutJoin(const std::string& text, WarningKind kind = WarningKind::General) { Warn(text, kind); }

}  // namespace splicer::python
