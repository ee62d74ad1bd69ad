// The join's warnings as Python warnings: every one goes through here, so
// that its category is chosen in one place.
#pragma once

#include <string>

namespace splicer::python {

// Issues `text` as a warning of the join; throws pybind11::error_already_set
// when the warning filter turns it into an exception.
void WarnAboutJoin(const std::string& text);

}  // namespace splicer::python
