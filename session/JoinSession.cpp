#include "session/JoinSession.h"

#include <algorithm>
#include <vector>

#include "engine/actions/WindowActions.h"
#include "engine/common/Errors.h"
#include "engine/common/JoinInputs.h"
#include "engine/common/JoinState.h"
#include "engine/seam/SeamJoin.h"
#include "host/scene/Scene.h"
#include "session/JoinReport.h"
#include "session/RebuiltFaces.h"
#include "engine/common/Progress.h"

namespace splicer {
namespace {

template <typename TimePoint>
double SecondsSince(TimePoint since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

nlohmann::json Counts(tsxSOBJ obj) {
  if (obj == 0) return nullptr;
  return {{"vertices", tsxPolyhGetNbrVxs(obj)}, {"uvs", tsxPolyhGetNbrUV(obj)}, {"faces", tsxPolyhGetNbrFaces(obj)}};
}

}  // namespace

StageClock::StageClock() = default;
StageClock::~StageClock() = default;

void StageClock::StageStarted(spl::JoinStage) { started_ = Clock::now(); }

void StageClock::StageFinished(spl::JoinStage stage) {
  if (stage == spl::JoinStage::Whole) {
    total_ = SecondsSince(begin_);
    ran_ = true;
    return;
  }
  seconds_[std::string(spl::StageName(stage))] = SecondsSince(started_);
}

void StageClock::Begin() { begin_ = Clock::now(); }

void StageClock::Tallied(const spl::StepTally& tally) {
  estimate_ = tally.estimate;
  stepsAtEnd_ = tally.Remaining();
}

namespace {

// The plain or seam join through the window's actions; what it ran with goes
// to `ran` (what was asked for when a pick failed and it did not run), what
// it welded to `seam` (seam join) and what its search built to `kept` (plain
// join).
tsxSOBJ Join(spl::JoinProgress& progress, tsxSOBJ first, tsxSOBJ second, const JoinChoice& choice,
             StageClock& clock, spl::JoinInputs* ran, spl::SearchGeometry* kept, spl::JoinedSeam* seam) {
  *ran = spl::JoinInputsAt(first, second, choice.accuracy);
  spl::InitJoinStateForWindow();
  spl::JoinState.Accuracy = choice.accuracy;
  tsxhost::SetSelection(first);
  if (!spl::PickObject(progress.view, spl::Slot::First)) return 0;
  tsxhost::SetSelection(second);
  if (!spl::PickObject(progress.view, spl::Slot::Second)) return 0;
  clock.Begin();
  tsxSOBJ result = 0;
  if (choice.seam) {
    spl::SeamJoinMade made;
    spl::SeamJoinPickedObjects(progress, {}, {&clock, nullptr}, &made);
    result = made.result;
    *ran = made.inputs;
    *seam = std::move(made.seam);
  } else {
    spl::JoinMade made;
    spl::JoinPickedObjects(progress, {}, {&clock, kept}, &made);
    result = made.result;
    *ran = made.inputs;
  }
  return spl::JoinState.LastError != 0 ? 0 : result;
}

}  // namespace

JoinOutcome PickAndJoin(tsxSOBJ first, tsxSOBJ second, const JoinChoice& choice, StageClock& clock,
                        spl::JoinView* view) {
  JoinOutcome outcome;
  // A join asked for from inside another's progress (a window's events are
  // pumped meanwhile) would reset the running join's state: refuse it and
  // touch nothing.
  if (spl::JoinInProgress()) {
    outcome.error = ErrorKind::Join;
    return outcome;
  }
  spl::JoinProgress progress{view, {}};
  // What the join's tally says at its end; a fresh tally (nothing) when it
  // did not run.
  struct Tally {
    StageClock& clock;
    const spl::StepTally& tally;
    ~Tally() { clock.Tallied(tally); }
  } tallied{clock, progress.tally};
  if (choice.contact) {
    spl::InitJoinStateForWindow();
    spl::JoinState.Accuracy = choice.accuracy;
    spl::ClearJunction();  // no single junction: the report's fields say none
    clock.Begin();
    spl::ContactJoinRequest request;
    request.objects = {first, second};
    request.inputs = spl::ContactInputsAt(choice.accuracy);
    request.observer = &clock;
    request.finish = [&request](const spl::ContactGroup& group) { return GiveRebuiltFaces(request.objects, group); };
    if (!spl::RunAsJoin([&] { outcome.contact = spl::RunContactJoin(request, progress); })) {
      outcome.error = ErrorKind::Join;
      return outcome;
    }
    if (outcome.contact->error == 0 && !outcome.contact->groups.empty()) {
      outcome.result = outcome.contact->groups.front().result;
      // The engine does not name what it makes: "FIRST+SECOND", as every join.
      tsxhost::SetObjectName(outcome.result, ResultName(tsxhost::ObjectName(first), tsxhost::ObjectName(second)));
    }
    if (outcome.result == 0) outcome.error = ErrorKind::Join;
    return outcome;
  }
  spl::JoinInputs ran;
  spl::SearchGeometry kept;
  spl::JoinedSeam seam;
  outcome.result = Join(progress, first, second, choice, clock, &ran, &kept, &seam);
  outcome.junction = choice.seam ? spl::ReportSeamJoin(ran, seam) : spl::ReportPlainJoin(ran, &kept);
  spl::AddResultSeal(outcome.junction, first, second, outcome.result);
  if (outcome.result == 0) {
    outcome.error = ErrorKind::Join;
  } else if (outcome.junction.SealLost()) {
    outcome.error = ErrorKind::UnsealedResult;
  }
  return outcome;
}

std::string ResultName(const std::string& first, const std::string& second) {
  const std::string base = first + "+" + second;
  std::string name = base;
  for (int n = 2; tsxhost::FindObject(name) != 0; ++n) name = base + "." + std::to_string(n);
  return name;
}

nlohmann::json ContactFields(const JoinOutcome& outcome) {
  if (!outcome.contact) return nullptr;
  const spl::ContactJoinResult& c = *outcome.contact;
  nlohmann::json groups = nlohmann::json::array();
  for (const spl::ContactGroup& g : c.groups) {
    groups.push_back({{"members", g.members},
                      {"contacts", g.contacts},
                      {"dropped_faces", g.droppedFaces},
                      {"welded_vertices", g.weldedVertices},
                      {"new_points", g.newPoints},
                      {"split_faces", g.splitFaces},
                      {"vertices", g.vertices},
                      {"faces", g.faces},
                      {"volume", g.volume},
                      {"area", g.area},
                      {"largest_weld", g.largestWeld},
                      {"sealed", c.error == 0 && g.closedInputs},
                      {"open_edges_before", g.openEdgesBefore},
                      {"open_edges_after", g.openEdgesAfter},
                      {"open_edges_before_at", g.openEdgesBeforeAt},
                      {"open_edges_after_at", g.openEdgesAfterAt}});
  }
  return {{"error", c.error}, {"what", c.what}, {"groups", groups}, {"untouched", c.untouched}};
}

std::string ContactSummary(const spl::ContactGroup& group, const std::string& first, const std::string& second) {
  const auto count = [](int64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
  };
  std::string text = "joined " + first + " and " + second + " along their contact (" +
                     count(group.contacts, "touching face pair", "touching face pairs") + ", " +
                     count(group.weldedVertices, "vertex welded", "vertices welded") + ", ";
  if (group.closedInputs) {
    text += "sealed";
  } else {
    text += "open inputs: " + count(group.openEdgesBefore, "open edge", "open edges") + " before, " +
            std::to_string(group.openEdgesAfter) + " after";
  }
  return text + "): " + std::to_string(group.vertices) + " vertices, " + std::to_string(group.faces) + " faces";
}

nlohmann::json MakeReport(tsxSOBJ first, tsxSOBJ second, const JoinOutcome& outcome, const StageClock& clock) {
  const spl::TJoinState& s = spl::JoinState;
  const tsxSOBJ result = outcome.result;
  nlohmann::json report = {{"error", s.LastError},
          {"error_message", spl::LookUpError(s.LastError).message},
          {"join_ran", clock.Ran()},
          {"counts", {{"first", Counts(first)}, {"second", Counts(second)}, {"result", Counts(result)}}},
          {"steps_estimate", clock.Estimate()},
          {"steps_to_go", clock.StepsAtEnd()},
          {"seconds", clock.Times()}};
  report.update(ReportFields(outcome.junction));
  report["contact"] = ContactFields(outcome);
  if (outcome.contact && outcome.contact->error == 0 && !outcome.contact->groups.empty()) {
    // A contact join leaves nothing of the seam behind; its result is sealed
    // when its objects were.
    const spl::ContactGroup& g = outcome.contact->groups.front();
    const auto dropped = [&g](size_t member) { return member < g.droppedFaces.size() ? g.droppedFaces[member] : 0; };
    report["seam"] = SeamFields(dropped(0), dropped(1), g.weldedVertices, spl::SeamLeft{});
    report["seal"] = {{"sealed", g.closedInputs && g.openEdgesAfter == 0},
                      {"open_edges", g.openEdgesAfter},
                      {"first_at", g.openEdgesAfterAt.empty() ? nlohmann::json() : nlohmann::json(g.openEdgesAfterAt[0])}};
  }
  if (outcome.contact && outcome.contact->error != 0) report["error_message"] = outcome.contact->what;
  return report;
}

}  // namespace splicer
