// `splicer join SCENE FIRST SECOND -o RESULT`: the join of the tool window,
// run from the command line on a scene file.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "apps/ExitStatus.h"
#include "apps/splicer/AssemblyCommand.h"
#include "apps/splicer/Commands.h"
#include "apps/splicer/TerminalView.h"
#include "engine/common/Errors.h"
#include "engine/common/JoinState.h"
#include "host/formats/MeshFormats.h"
#include "host/obj/ObjFile.h"
#include "host/scene/Scene.h"
#include "session/AccuracyCheck.h"
#include "session/JoinReport.h"
#include "session/JoinSession.h"
#include "session/JunctionReport.h"
#include "session/OutputChecks.h"
#include "session/ReportFile.h"
#include "session/ReportLines.h"

namespace splicer {
namespace {

struct JoinSettings {
  std::string scene;
  std::string first;
  std::string second;
  std::string output;
  std::string report;
  double accuracy = spl::kDefaultAccuracy;
  bool wholeScene = false;
  bool seam = false;  // accepted for the contact join, the default
  bool face = false;  // the plug-in's single-face join
  bool strict = false;
  bool resourcesAnywhere = false;
  unsigned long long maxFaces = 0;  // 0: the reader's default
};

void Error(const std::string& text) { std::fprintf(stderr, "error: %s\n", text.c_str()); }

std::string ObjectList() {
  std::string names, groups;
  for (tsxSOBJ obj : tsxhost::SceneObjects()) {
    const std::string name = tsxhost::ObjectName(obj);
    names += (names.empty() ? "\"" : ", \"") + name + "\"";
    // Groups inside objects, where they are named otherwise: a user may
    // have meant one of those.
    tsxhost::Mesh mesh;
    if (!tsxhost::ReadMesh(obj, &mesh)) continue;
    std::vector<std::string> seen;
    for (const tsxhost::Face& face : mesh.faces) {
      if (face.group.empty() || face.group == name) continue;
      if (std::find(seen.begin(), seen.end(), face.group) != seen.end()) continue;
      seen.push_back(face.group);
      groups += (groups.empty() ? "\"" : ", \"") + face.group + "\" (in \"" + name + "\")";
    }
  }
  if (names.empty()) return "none";
  return groups.empty() ? names : names + "; its groups are " + groups + " (objects are picked by object name)";
}

// A run that stops: its message on stderr, its exit status, and the kind
// of failure for the report.
struct Stop {
  int status = exitstatus::kOk;
  ErrorKind kind = ErrorKind::None;
  std::string message;
  bool reportable = true;  // false when the report itself is what is wrong
  explicit operator bool() const { return status != exitstatus::kOk; }
};

Stop Refuse(int status, ErrorKind kind, const std::string& message) { return {status, kind, message}; }

// Two files of the plan that are one: refused before any work.
Stop CheckPlan(const WritePlan& plan) {
  const WritePlan::Clash clash = plan.FirstClash();
  if (clash.message.empty()) return {};
  Stop stop = Refuse(exitstatus::kUsage, ErrorKind::Usage, clash.message);
  stop.reportable = !clash.involvesReport;
  return stop;
}

// Everything that can be known wrong before the scene is read; `plan`
// gets every file the run will write and those it reads so far.
Stop CheckOutputs(const JoinSettings& s, WritePlan& plan) {
  if (auto why = spl::AccuracyRefusal(s.accuracy, "--accuracy")) return Refuse(exitstatus::kUsage, ErrorKind::Usage, *why);
  if (std::string why = UnwritableFormat(s.output); !why.empty()) return Refuse(exitstatus::kUsage, ErrorKind::Usage, why);
  plan.Reads(s.scene, "the scene");
  for (const std::string& resource : GltfResources(s.scene)) plan.Reads(resource, "a file the scene refers to");
  // With --scene every object is written back, so the scene's own files may
  // be replaced whole.
  plan.Writes(s.output, "the output", s.wholeScene);
  for (const std::string& companion : CompanionsOf(s.output)) {
    plan.Writes(companion, "the output's " + std::string(companion.ends_with(".mtl") ? "MTL" : "buffer"), s.wholeScene);
  }
  if (!s.report.empty()) plan.Writes(s.report, "the report");
  if (Stop stop = CheckPlan(plan)) return stop;
  std::error_code ec;
  for (const std::string* path : {&s.report, &s.output}) {
    if (!path->empty() && std::filesystem::is_directory(*path, ec)) {
      Stop stop = Refuse(exitstatus::kFile, ErrorKind::File, "cannot write \"" + *path + "\": it is a folder");
      stop.reportable = path != &s.report;
      return stop;
    }
  }
  for (const std::string* path : {&s.report, &s.output}) {
    if (path->empty()) continue;
    if (std::string why = UnwritableFolder(*path); !why.empty()) {
      Stop stop = Refuse(exitstatus::kFile, ErrorKind::File, why);
      stop.reportable = path != &s.report;
      return stop;
    }
  }
  return {};
}

// A run stopped by Ctrl-C: a failure of the run (exit 4), never a remark.
Stop Interruption(const std::string& when) {
  return Refuse(exitstatus::kFailed, ErrorKind::Interrupted, InterruptionMessage(when));
}

Stop LoadAndFind(const JoinSettings& s, WritePlan& plan, TerminalView& view, tsxSOBJ* first, tsxSOBJ* second) {
  tsxhost::ObjReadOptions options;
  options.resourcesAnywhere = s.resourcesAnywhere;
  options.maxFaces = s.maxFaces;
  const tsxhost::ObjResult loaded = LoadWithProgress(view, s.scene, options);
  if (Interrupted()) return Interruption("while reading " + s.scene);
  for (const std::string& w : loaded.warnings) std::fprintf(stderr, "warning: %s\n", w.c_str());
  if (!loaded.ok) return Refuse(exitstatus::kFile, FileErrorKind(loaded.noMemory), loaded.error);
  // The material libraries are known once read.
  for (const std::string& library : loaded.libraries) plan.Reads(library, "a material library of the scene");
  if (Stop stop = CheckPlan(plan)) return stop;
  *first = tsxhost::FindObject(s.first);
  *second = tsxhost::FindObject(s.second);
  for (const std::string* name : {&s.first, &s.second}) {
    if (tsxhost::FindObject(*name) == 0) {
      return Refuse(exitstatus::kUsage, ErrorKind::Usage,
                    "no object named \"" + *name + "\" in " + s.scene + "; its objects are " + ObjectList());
    }
  }
  return {};
}

// The report's message for the join's error: a conversion error's own
// text rather than the table's catch-all.
std::string JoinMessage(const TerminalView& view) {
  const int32_t code = spl::JoinState.LastError;
  if (code == spl::kConversionFailed && !view.ConversionText().empty()) return view.ConversionText();
  return std::string(spl::LookUpError(code).message);
}

int Finish(const JoinSettings& s, nlohmann::json report, int status, bool reportable = true) {
  report["exit_status"] = status;
  const bool reported = s.report.empty() || !reportable || WriteReport(s.report, report);
  return reported || status != exitstatus::kOk ? status : exitstatus::kFile;
}

// Writes the new object (or the whole scene) to the output with progress,
// and the report of its success with it: the failure's exit status, or 0.
// A failure or Ctrl-C before the files are in place leaves every old file
// as it was, the report too (the caller then writes the failure's).
int WriteResult(const JoinSettings& s, tsxSOBJ result, TerminalView& view, nlohmann::json& report) {
  if (!s.wholeScene) {
    // Only the result is written and nothing reads the sources again: they
    // go before the writer takes its buffers, so that the two are never
    // held at once.
    for (tsxSOBJ obj : tsxhost::SceneObjects()) {
      if (obj != result) tsxSobjDelete(obj);
    }
    tsxhost::ReleaseSpareMemory();
  }
  const std::vector<tsxSOBJ> objects = s.wholeScene ? tsxhost::SceneObjects() : std::vector<tsxSOBJ>{result};
  std::vector<tsxhost::AlongsideFile> alongside;
  if (!s.report.empty()) {
    alongside.push_back({s.report, [&report] {
                           report["exit_status"] = exitstatus::kOk;
                           return ReportText(report);
                         }});
  }
  std::string interrupted;
  const tsxhost::SaveResult saved = SaveWithProgress(view, s.output, objects, &interrupted, alongside);
  if (!interrupted.empty()) {
    Error(interrupted);
    report["error"] = ErrorWord(ErrorKind::Interrupted);
    report["error_message"] = interrupted;
    return exitstatus::kFailed;
  }
  for (const std::string& w : saved.warnings) std::fprintf(stderr, "warning: %s\n", w.c_str());
  if (saved.ok) return exitstatus::kOk;
  const std::string& error = saved.error;
  Error(error);
  report["error"] = ErrorWord(FileErrorKind(saved.noMemory));
  report["error_message"] = error;
  return exitstatus::kFile;
}

// After a contact join: its refusal, or the result written and summed up.
int FinishContact(const JoinSettings& s, const JoinOutcome& outcome, TerminalView& view, nlohmann::json report) {
  const spl::ContactJoinResult& contact = *outcome.contact;
  if (outcome.error != ErrorKind::None) {
    // The engine's own message has been shown unless it is the refusal's.
    if (contact.what != view.LastMessage()) Error(contact.what);
    return Finish(s, report, exitstatus::kFailed);
  }
  if (const int status = WriteResult(s, outcome.result, view, report); status != exitstatus::kOk) {
    return Finish(s, report, status);
  }
  std::printf("%s -> %s\n", ContactSummary(contact.groups.front(), s.first, s.second).c_str(), s.output.c_str());
  std::fflush(stdout);
  return exitstatus::kOk;  // the report is written with the result
}

int RunJoinCommand(const JoinSettings& s) {
  tsxSOBJ first = 0, second = 0;
  TerminalView view(isatty(STDERR_FILENO) == 1);
  // From here on Ctrl-C stops the run at the next point it is looked at.
  InterruptAsAbort interrupt;
  WritePlan plan;
  Stop stop = CheckOutputs(s, plan);
  if (!stop) stop = LoadAndFind(s, plan, view, &first, &second);
  if (stop) {
    Error(stop.message);
    return Finish(s, FailureReport(stop.kind, stop.message, stop.status), stop.status, stop.reportable);
  }
  if (auto warning = spl::AccuracyWarning(s.accuracy, "--accuracy")) {
    std::fprintf(stderr, "warning: %s\n", warning->c_str());
  }

  StageClock clock;
  const JoinOutcome outcome = PickAndJoin(first, second, {s.accuracy, false, !s.face}, clock, &view);
  view.ClearBar();
  const tsxSOBJ result = outcome.result;
  const spl::JunctionReport& junction = outcome.junction;
  nlohmann::json report = MakeReport(first, second, outcome, clock);
  if (outcome.contact) return FinishContact(s, outcome, view, std::move(report));
  report["error_message"] = JoinMessage(view);

  if (outcome.error == ErrorKind::Join) {
    PrintReportLines(junction, s.first, s.second, result, s.output);
    return Finish(s, report, exitstatus::kFailed);
  }
  // Two sealed objects never give an open result with exit 0.
  ErrorKind refused = outcome.error;
  if (refused == ErrorKind::None && s.strict && junction.SeamIncomplete()) refused = ErrorKind::IncompleteSeam;
  if (refused != ErrorKind::None) {
    PrintReportLines(junction, s.first, s.second, 0, s.output);
    const std::string message = refused == ErrorKind::UnsealedResult
                                    ? *spl::SealText(junction) + ", though both objects are; nothing written"
                                    : "the seam is incomplete and --strict is given; nothing written";
    Error(message);
    report["error"] = ErrorWord(refused);
    report["error_message"] = message;
    return Finish(s, report, exitstatus::kFailed);
  }
  tsxhost::SetObjectName(result, ResultName(s.first, s.second));
  if (const int status = WriteResult(s, result, view, report); status != exitstatus::kOk) {
    return Finish(s, report, status);
  }
  PrintReportLines(junction, s.first, s.second, result, s.output);
  return exitstatus::kOk;  // the report is written with the result
}

// The words after "join": the scene files first (the first always, then
// each word naming a file that exists in a format read), then the names.
struct JoinWords {
  std::vector<std::string> words;
  bool all = false;
};

void SplitWords(const JoinWords& w, AssemblySettings* a) {
  size_t files = 1;
  std::error_code ec;
  while (files < w.words.size() && tsxhost::FormatOfPath(w.words[files]) != tsxhost::FileFormat::Unknown &&
         std::filesystem::is_regular_file(w.words[files], ec)) {
    ++files;
  }
  a->files.assign(w.words.begin(), w.words.begin() + static_cast<std::ptrdiff_t>(files));
  a->names.assign(w.words.begin() + static_cast<std::ptrdiff_t>(files), w.words.end());
  a->all = w.all;
}

// Two names in one scene: the two-object join; anything else joins an
// assembly.
int RunJoinWords(const JoinWords& w, JoinSettings& s) {
  AssemblySettings a;
  SplitWords(w, &a);
  if (a.files.size() == 1 && a.names.size() == 2 && !a.all) {
    s.scene = a.files[0];
    s.first = a.names[0];
    s.second = a.names[1];
    return RunJoinCommand(s);
  }
  a.output = s.output;
  a.report = s.report;
  a.accuracy = s.accuracy;
  a.wholeScene = s.wholeScene;
  a.reading.resourcesAnywhere = s.resourcesAnywhere;
  a.reading.maxFaces = s.maxFaces;
  std::string usage;
  if (s.face) {
    usage = "--face joins two objects across one face pair; an assembly is joined where its objects touch";
  } else if (a.all && !a.names.empty()) {
    usage = "give object names or --all, not both (\"" + a.names.front() + "\" is no scene file that can be read)";
  } else if (!a.all && a.names.size() < 2) {
    usage = a.names.empty() ? "name the objects to join (two or more), or give --all to join every object"
                            : "name a second object to join \"" + a.names.front() + "\" with, or give --all";
  }
  if (usage.empty()) return RunAssemblyCommand(a);
  Error(usage);
  return Finish(s, FailureReport(ErrorKind::Usage, usage, exitstatus::kUsage), exitstatus::kUsage);
}

}  // namespace

void AddJoinCommand(CLI::App& app) {
  auto settings = std::make_shared<JoinSettings>();
  auto words = std::make_shared<JoinWords>();
  CLI::App* join = app.add_subcommand(
      "join",
      "Join two objects of a scene where they touch into a new object: every face of one\n"
      "lying on a face of the other is dropped and the seam welded; the result must be\n"
      "sealed (closed, enclosing both volumes) or nothing is written. With more names,\n"
      "--all or several scene files, every object that touches another is joined, each\n"
      "connected group into one new object.\n"
      "Exit status: 0 joined, 2 bad usage or unknown object name, 3 a file could not\n"
      "be read or written, 4 the join ended in an error, was refused as not sound or\n"
      "was aborted (Ctrl-C), or with --strict, the seam is incomplete.");
  join->add_option("inputs", words->words,
                   "scene file(s) to read (.obj, .gltf, .glb, .ply, .stl), then the names of the objects\n"
                   "to join (FILE:OBJECT for an object of one of several files)")
      ->required();
  join->add_flag("--all", words->all, "join every object of the scene file(s)");
  join->add_option("-o,--output", settings->output, "file to write the new object to, format by extension (OBJ: MTL beside it)")
      ->required();
  join->add_option("--accuracy", settings->accuracy, "largest distance at which corners coincide")
      ->capture_default_str();
  join->add_option("--report", settings->report, "JSON file to write a report of the join to");
  join->add_flag("--scene", settings->wholeScene, "write the whole scene with the new object added");
  CLI::Option* seam =
      join->add_flag("--seam", settings->seam, "join the whole contact (the default; kept for older scripts)");
  join->add_flag("--face", settings->face,
                 "the plug-in's method: weld across exactly one face pair whose corners coincide")
      ->excludes(seam);
  join->add_flag("--resources-anywhere,--mtl-anywhere", settings->resourcesAnywhere,
                 "read the files a scene refers to (material libraries, glTF buffers) wherever they are\n"
                 "(by default only regular files in the scene's folder or below)");
  join->add_option("--max-faces", settings->maxFaces,
                   "glTF, PLY, STL: read files of up to this many faces, every mesh counted at each node that\n"
                   "places it (default 20000000)")
      ->check(CLI::PositiveNumber);
  join->add_flag("--strict", settings->strict,
                 "treat an incomplete seam (other faces or vertices still lying on each other) as a failure:\n"
                 "exit 4 and write no OBJ");
  join->callback([settings, words] {
    if (const int status = RunJoinWords(*words, *settings); status != exitstatus::kOk) {
      throw CLI::RuntimeError(status);
    }
  });
}

}  // namespace splicer
