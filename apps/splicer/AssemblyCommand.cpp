#include "apps/splicer/AssemblyCommand.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <unordered_map>

#include "apps/ExitStatus.h"
#include "session/AccuracyCheck.h"
#include "session/AssemblyJoin.h"
#include "session/ErrorKind.h"
#include "apps/splicer/InputFiles.h"
#include "host/formats/MeshFormats.h"
#include "session/OutputChecks.h"
#include "session/ReportFile.h"
#include "host/scene/Scene.h"
#include "apps/splicer/TerminalView.h"

namespace splicer {
namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

constexpr size_t kUntouchedListed = 20;

// One run: what the report collects on the way, written on every exit.
class AssemblyRun {
 public:
  explicit AssemblyRun(const AssemblySettings& s) : s_(s) {
    report_ = {{"error", 0}, {"error_message", ""}, {"join_ran", false}, {"accuracy", s.accuracy},
               {"groups", nlohmann::json::array()}, {"untouched", nlohmann::json::array()}};
  }

  int Run();

 private:
  // A failure before, during or after the join: its line on stderr, its
  // kind (or the join's code) in the report.
  int Fail(int status, ErrorKind kind, const std::string& message, bool reportable = true) {
    std::fprintf(stderr, "error: %s\n", message.c_str());
    report_["error"] = ErrorWord(kind);
    report_["error_message"] = message;
    return Finish(status, reportable);
  }
  int Finish(int status, bool reportable = true) {
    report_["exit_status"] = status;
    report_["seconds"]["total"] = Since(begin_);
    const bool reported = s_.report.empty() || !reportable || WriteReport(s_.report, report_);
    return reported || status != exitstatus::kOk ? status : exitstatus::kFile;
  }
  int CheckPlan();
  int CheckOutputs();
  std::vector<tsxSOBJ> Written(const AssemblyOutcome& outcome) const;
  void Tell(const AssemblyOutcome& outcome) const;

  const AssemblySettings& s_;
  nlohmann::json report_;
  Clock::time_point begin_ = Clock::now();
  WritePlan plan_;  // every file read and written, compared before any work
};

int AssemblyRun::CheckPlan() {
  const WritePlan::Clash clash = plan_.FirstClash();
  if (clash.message.empty()) return exitstatus::kOk;
  return Fail(exitstatus::kUsage, ErrorKind::Usage, clash.message, !clash.involvesReport);
}

int AssemblyRun::CheckOutputs() {
  if (auto why = spl::AccuracyRefusal(s_.accuracy, "--accuracy")) return Fail(exitstatus::kUsage, ErrorKind::Usage, *why);
  // A file given twice would be read twice: two writes of one file clash.
  WritePlan given;
  for (const std::string& file : s_.files) given.Writes(file, "the scene file");
  if (const WritePlan::Clash twice = given.FirstClash(); !twice.message.empty()) {
    return Fail(exitstatus::kUsage, ErrorKind::Usage, twice.message);
  }
  if (std::string why = UnwritableFormat(s_.output); !why.empty()) return Fail(exitstatus::kUsage, ErrorKind::Usage, why);
  for (const std::string& file : s_.files) {
    plan_.Reads(file, "a scene file");
    for (const std::string& resource : GltfResources(file)) plan_.Reads(resource, "a file a scene refers to");
  }
  // With --scene every object read is written back.
  plan_.Writes(s_.output, "the output", s_.wholeScene);
  for (const std::string& companion : CompanionsOf(s_.output)) {
    plan_.Writes(companion, "the output's " + std::string(companion.ends_with(".mtl") ? "MTL" : "buffer"),
                 s_.wholeScene);
  }
  if (!s_.report.empty()) plan_.Writes(s_.report, "the report");
  if (const int status = CheckPlan()) return status;
  for (const std::string* path : {&s_.report, &s_.output}) {
    if (path->empty()) continue;
    std::error_code ec;
    std::string why = std::filesystem::is_directory(*path, ec) ? "cannot write \"" + *path + "\": it is a folder"
                                                               : UnwritableFolder(*path);
    if (!why.empty()) return Fail(exitstatus::kFile, ErrorKind::File, why, path != &s_.report);
  }
  return exitstatus::kOk;
}

// The new objects, each where its first member stood, and the objects that
// touch nothing, where they stood.
std::vector<tsxSOBJ> AssemblyRun::Written(const AssemblyOutcome& outcome) const {
  if (s_.wholeScene) return tsxhost::SceneObjects();
  std::unordered_map<tsxSOBJ, tsxSOBJ> standsFor;
  for (const AssemblyGroup& group : outcome.groups) standsFor[group.members.front()] = group.facts.result;
  for (tsxSOBJ obj : outcome.untouched) standsFor[obj] = obj;
  std::vector<tsxSOBJ> written;
  for (tsxSOBJ obj : tsxhost::SceneObjects()) {
    if (auto it = standsFor.find(obj); it != standsFor.end()) written.push_back(it->second);
  }
  return written;
}

void AssemblyRun::Tell(const AssemblyOutcome& outcome) const {
  for (const AssemblyGroup& group : outcome.groups) {
    const spl::ContactGroup& f = group.facts;
    std::printf("joined %zu objects into \"%s\" at %lld contacts: %lld vertices, %lld faces\n", group.members.size(),
                group.name.c_str(), static_cast<long long>(f.contacts), static_cast<long long>(f.vertices),
                static_cast<long long>(f.faces));
  }
  std::fflush(stdout);
  const std::vector<std::string>& lone = outcome.untouchedNames;
  if (lone.empty()) return;
  std::string list;
  for (size_t i = 0; i < lone.size() && i < kUntouchedListed; ++i) list += (i ? ", \"" : "\"") + lone[i] + "\"";
  if (lone.size() > kUntouchedListed) list += " and " + std::to_string(lone.size() - kUntouchedListed) + " more";
  std::fprintf(stderr, "warning: %zu %s nothing and %s written unchanged: %s\n", lone.size(),
               lone.size() == 1 ? "object touches" : "objects touch", lone.size() == 1 ? "is" : "are", list.c_str());
}

int AssemblyRun::Run() {
  TerminalView view(isatty(STDERR_FILENO) == 1);
  // From here on Ctrl-C stops the run at the next point it is looked at.
  InterruptAsAbort interrupt;
  if (const int status = CheckOutputs()) return status;

  const Clock::time_point reading = Clock::now();
  std::string stoppedIn;
  const LoadedInputs inputs =
      LoadInputs(s_.files, s_.reading, [&](const std::string& path, const tsxhost::ObjReadOptions& options) {
        if (Interrupted()) return tsxhost::ObjResult{};
        tsxhost::ObjResult loaded = LoadWithProgress(view, path, options);
        if (Interrupted()) stoppedIn = path;
        return loaded;
      });
  if (Interrupted()) {
    return Fail(exitstatus::kFailed, ErrorKind::Interrupted,
                InterruptionMessage(stoppedIn.empty() ? "while reading" : "while reading " + stoppedIn));
  }
  for (const std::string& w : inputs.warnings) std::fprintf(stderr, "warning: %s\n", w.c_str());
  if (!inputs.ok) {
    return Fail(exitstatus::kFile, FileErrorKind(inputs.noMemory), inputs.error);
  }
  report_["seconds"]["read"] = Since(reading);
  nlohmann::json files = nlohmann::json::array();
  for (const InputFile& file : inputs.files) {
    nlohmann::json names = nlohmann::json::array();
    for (tsxSOBJ obj : file.objects) names.push_back(tsxhost::ObjectName(obj));
    files.push_back({{"file", file.path}, {"objects", names}});
  }
  report_["inputs"] = files;
  // The material libraries are known once read.
  for (const std::string& library : inputs.libraries) plan_.Reads(library, "a material library of a scene");
  if (const int status = CheckPlan()) return status;

  std::vector<tsxSOBJ> objects;
  if (s_.all) {
    for (tsxSOBJ obj : inputs.Objects()) {
      if ((tsxSobjGetType(obj) & 0xFF) == e_tsxPOLYHEDRON) objects.push_back(obj);
    }
  } else {
    Picked picked = FindInputs(inputs, s_.names);
    if (!picked.error.empty()) return Fail(exitstatus::kUsage, ErrorKind::Usage, picked.error);
    objects = std::move(picked.objects);
  }
  if (std::string why = CheckAssembly(objects); !why.empty()) return Fail(exitstatus::kUsage, ErrorKind::Usage, why);

  if (auto warning = spl::AccuracyWarning(s_.accuracy, "--accuracy")) {
    std::fprintf(stderr, "warning: %s\n", warning->c_str());
  }
  const AssemblyOutcome outcome = JoinAssembly(objects, s_.accuracy, &view);
  view.ClearBar();
  report_["join_ran"] = true;
  report_["seconds"]["join"] = outcome.seconds;
  report_.update(AssemblyFields(outcome));
  if (!outcome.Joined()) {
    // The engine's own message has been shown unless it is the refusal's.
    report_["error"] = outcome.error;
    report_["error_message"] = outcome.what;
    if (outcome.what != view.LastMessage()) std::fprintf(stderr, "error: %s\n", outcome.what.c_str());
    return Finish(exitstatus::kFailed);
  }

  const Clock::time_point writing = Clock::now();
  // The report of success is written with the output, both or neither;
  // its write time is all but its own.
  std::vector<tsxhost::AlongsideFile> alongside;
  if (!s_.report.empty()) {
    alongside.push_back({s_.report, [this, writing] {
                           report_["seconds"]["write"] = Since(writing);
                           report_["seconds"]["total"] = Since(begin_);
                           report_["exit_status"] = exitstatus::kOk;
                           return ReportText(report_);
                         }});
  }
  std::string interrupted;
  const tsxhost::SaveResult saved = SaveWithProgress(view, s_.output, Written(outcome), &interrupted, alongside);
  if (!interrupted.empty()) return Fail(exitstatus::kFailed, ErrorKind::Interrupted, interrupted);
  for (const std::string& w : saved.warnings) std::fprintf(stderr, "warning: %s\n", w.c_str());
  if (!saved.ok) {
    return Fail(exitstatus::kFile, FileErrorKind(saved.noMemory), saved.error);
  }
  Tell(outcome);
  std::printf("-> %s\n", s_.output.c_str());
  return exitstatus::kOk;
}

}  // namespace

int RunAssemblyCommand(const AssemblySettings& settings) { return AssemblyRun(settings).Run(); }

}  // namespace splicer
