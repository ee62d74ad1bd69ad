#include "session/ReportFile.h"

#include <cstdio>
#include <string_view>

#include "host/obj/SafeFile.h"

namespace splicer {

std::string ReportText(const nlohmann::json& report) {
  // Names come from files: bytes that are not UTF-8 are replaced, not fatal.
  return report.dump(1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

bool WriteReport(const std::string& path, const nlohmann::json& report) {
  const std::string text = ReportText(report);
  std::string error;
  if (tsxhost::WriteFilesSafely({{path, text}}, &error)) return true;
  std::fprintf(stderr, "error: cannot write the report: %s\n", error.c_str());
  return false;
}

nlohmann::json FailureReport(ErrorKind kind, const std::string& message, int exitStatus) {
  return {{"error", ErrorWord(kind)}, {"error_message", message}, {"exit_status", exitStatus}, {"join_ran", false}};
}

std::string ReportPathIn(int argc, const char* const* argv) {
  // Only after the "join" word: other subcommands have no report.
  bool join = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "join") join = true;
    if (!join) continue;
    if (arg == "--report" && i + 1 < argc) return argv[i + 1];
    if (arg.starts_with("--report=")) return std::string(arg.substr(9));
  }
  return {};
}

}  // namespace splicer
