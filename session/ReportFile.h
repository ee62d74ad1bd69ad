// `splicer join --report`: the JSON file written on every exit.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "session/ErrorKind.h"

namespace splicer {

// Writes the report whole or not at all; false (with an "error:" line on
// stderr) when it cannot be written.
bool WriteReport(const std::string& path, const nlohmann::json& report);

// The report's text as WriteReport writes it, for a report written in one
// set with the output.
std::string ReportText(const nlohmann::json& report);

// The report of a run that stopped before the join: `kind` says which
// failure, `message` is what stderr said.
nlohmann::json FailureReport(ErrorKind kind, const std::string& message, int exitStatus);

// The value of --report in a command line CLI11 could not parse, so that
// its usage error is reported too; empty when there is none.
std::string ReportPathIn(int argc, const char* const* argv);

}  // namespace splicer
