#include "python/PythonJoin.h"

#include <pybind11/functional.h>
#include <pybind11/stl.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/actions/WindowActions.h"
#include "engine/common/Errors.h"
#include "engine/common/JoinState.h"
#include "engine/common/JoinView.h"
#include "engine/common/Progress.h"
#include "python/PythonArrays.h"
#include "python/PythonErrors.h"
#include "python/PythonHost.h"
#include "python/PythonScene.h"
#include "python/PythonWarnings.h"
#include "session/AccuracyCheck.h"
#include "session/AssemblyJoin.h"
#include "session/JoinSession.h"
#include "session/ReportLines.h"

namespace splicer::python {
namespace {

// Between stage changes the callback is called once per this many
// progress calls, so that a long search stays cheap.
constexpr unsigned kCallsBetweenCallbacks = 256;

// Whether the progress callback's answer says go on: True or a true
// integer goes on; False, None or 0 aborts, as documented. Anything else is
// a mistake in the callback and raises TypeError.
bool GoOn(const py::object& answer) {
  static const py::handle npBool = py::object(py::module_::import("numpy").attr("bool_")).release();
  if (answer.is_none()) return false;
  if (PyBool_Check(answer.ptr()) || py::isinstance(answer, npBool) || PyIndex_Check(answer.ptr())) {
    return py::cast<bool>(py::bool_(answer));
  }
  throw py::type_error("progress must return True to go on or False to abort, not " +
                       std::string(py::str(py::type::of(answer).attr("__name__"))));
}

// The join's window for Python: messages are kept for the exception and
// the warnings; progress goes to the callback, which may stop the join.
// The engine runs with the GIL released; it is taken back only to call the
// callback and to look for signals (Ctrl-C).
class PythonView : public spl::JoinView {
 public:
  using Progress = std::optional<std::function<py::object(std::string, int64_t)>>;
  explicit PythonView(Progress progress) : progress_(std::move(progress)) {}

  void ShowMessage(spl::BoxType type, std::string_view, std::string_view text) override {
    // The window's count may be wrong past 32 bits; the callback's is not.
    if (spl::JoinState.LastError == spl::kStepsOverflow) return;
    messages_.emplace_back(type, std::string(text));
  }
  void ShowConversionError(std::string_view text) override { conversion_ = text; }
  bool ShowInfo() const override { return false; }
  void SetStepsText(std::string_view) override {}
  void SetStatusText(std::string_view) override {}
  void SetAbortEnabled(bool) override {}

  void PumpEvents(std::string_view stage, const spl::StepTally& tally) override {
    if (failed_) {
      spl::JoinState.AbortRequested = true;
      return;
    }
    if (stage == stage_ && ++calls_ % kCallsBetweenCallbacks != 0) return;
    stage_ = stage;
    py::gil_scoped_acquire gil;
    try {
      if (PyErr_CheckSignals() != 0) throw py::error_already_set();  // Ctrl-C
      if (!progress_) return;
      if (!GoOn((*progress_)(stage_, tally.Remaining()))) spl::JoinState.AbortRequested = true;
    } catch (py::error_already_set& e) {
      // Raised again once the engine has finished; meanwhile the join stops.
      pending_.emplace(std::move(e));
      failed_ = true;
      spl::JoinState.AbortRequested = true;
    } catch (py::builtin_exception& e) {
      e.set_error();
      pending_.emplace();
      failed_ = true;
      spl::JoinState.AbortRequested = true;
    }
  }

  void RaisePending() {
    if (pending_) throw std::move(*pending_);
  }
  // The text shown for the join's error.
  std::string ErrorText(int32_t code) const {
    if (code == spl::kConversionFailed) return conversion_;
    return std::string(spl::LookUpError(code).message);
  }
  // Warnings shown on the way, other than the error itself.
  std::vector<std::string> Warnings(const std::string& error) const {
    std::vector<std::string> out;
    for (const auto& [type, text] : messages_) {
      if (type == spl::BoxType::Warning && text != error) out.push_back(text);
    }
    return out;
  }

 private:
  Progress progress_;
  std::string stage_;
  unsigned calls_ = 0;
  bool failed_ = false;
  std::optional<py::error_already_set> pending_;
  std::vector<std::pair<spl::BoxType, std::string>> messages_;
  std::string conversion_;
};

py::tuple Join(PyScene& scene, const ObjectRef& first, const ObjectRef& second, double accuracy, bool seam,
               const std::optional<std::function<py::object(std::string, int64_t)>>& callback,
               const std::string& mode) {
  if (auto why = spl::AccuracyRefusal(accuracy, "accuracy")) throw py::value_error(*why);
  if (mode != "contact" && mode != "face") {
    throw py::value_error("mode must be \"contact\" (the whole contact) or \"face\" (one face pair), not \"" +
                          mode + "\"");
  }
  if (mode == "face" && seam) throw py::value_error("seam=True joins the whole contact: it does not go with mode=\"face\"");
  const bool contact = mode == "contact";
  // The scene's own Python object, for the new SceneObject to keep alive.
  const py::object sceneObject = py::cast(&scene, py::return_value_policy::reference);
  HostLock lock;
  if (spl::JoinInProgress()) throw std::runtime_error("a join is already running");
  const tsxSOBJ a = scene.Find(first), b = scene.Find(second);
  if (auto warning = spl::AccuracyWarning(accuracy, "accuracy")) Warn(*warning);
  const std::string nameA = tsxhost::ObjectName(a), nameB = tsxhost::ObjectName(b);
  PythonView view(callback);
  StageClock clock;
  JoinOutcome outcome;
  {
    py::gil_scoped_release release;
    outcome = PickAndJoin(a, b, {accuracy, false, contact}, clock, &view);
  }
  const tsxSOBJ result = outcome.result;
  if (result != 0) scene.Adopt(result);  // kept even when the callback raised at the very end
  // The callback (or another thread meanwhile) may have put another scene in
  // the host's; the result's name is made unique among this scene's objects.
  scene.Activate(true);
  if (result != 0 && !contact) tsxhost::SetObjectName(result, ResultName(nameA, nameB));
  if (result != 0 && contact) {
    // The contact join named it while the host may have held another scene:
    // the first of "A+B", "A+B.2"... that no other object of this one has.
    const std::string base = nameA + "+" + nameB;
    std::string name = base;
    for (int n = 2; tsxhost::FindObject(name) != 0 && tsxhost::FindObject(name) != result; ++n) {
      name = base + "." + std::to_string(n);
    }
    tsxhost::SetObjectName(result, name);
  }
  view.RaisePending();
  const int32_t code = spl::JoinState.LastError;
  const std::string error = code == 0 ? std::string() : outcome.contact ? outcome.contact->what : view.ErrorText(code);
  const py::object report = ToPython(MakeReport(a, b, outcome, clock));
  for (const std::string& w : view.Warnings(error)) Warn(w);
  // What the command line says beside its summary line: the seam's own
  // category, so that they can be filtered or raised apart.
  for (const std::string& w : spl::WarningLines(outcome.junction, "join without mode=\"face\" to join the whole seam")) {
    Warn(w, WarningKind::Seam);
  }
  if (outcome.junction.SealLost()) {
    Warn(*spl::SealText(outcome.junction) + ", though both objects are", WarningKind::Seam);
  }
  if (result == 0) {
    if (auto hint = spl::HintText(outcome.junction, "accuracy=", "join without mode=\"face\" to join the whole contact")) {
      Warn("hint: " + *hint);
    }
    ThrowJoinError(code, error, report);
  }
  return py::make_tuple(SceneObject{sceneObject, result}, report);
}

py::list JoinAll(PyScene& scene, const std::optional<std::vector<ObjectRef>>& names, double accuracy,
                 const std::optional<std::function<py::object(std::string, int64_t)>>& callback) {
  if (auto why = spl::AccuracyRefusal(accuracy, "accuracy")) throw py::value_error(*why);
  // The scene's own Python object, for the new SceneObjects to keep alive.
  const py::object sceneObject = py::cast(&scene, py::return_value_policy::reference);
  HostLock lock;
  if (spl::JoinInProgress()) throw std::runtime_error("a join is already running");
  scene.Activate();
  std::vector<tsxSOBJ> objects;
  if (!names) {
    for (tsxSOBJ obj : scene.Objects()) {
      if ((tsxSobjGetType(obj) & 0xFF) == e_tsxPOLYHEDRON) objects.push_back(obj);
    }
  } else {
    for (const ObjectRef& name : *names) objects.push_back(scene.Find(name));
  }
  if (const std::string why = CheckAssembly(objects); !why.empty()) throw py::value_error(why);
  if (auto warning = spl::AccuracyWarning(accuracy, "accuracy")) Warn(*warning);
  PythonView view(callback);
  AssemblyOutcome outcome;
  {
    py::gil_scoped_release release;
    outcome = JoinAssembly(objects, accuracy, &view);
  }
  for (tsxSOBJ result : outcome.Results()) scene.Adopt(result);
  view.RaisePending();
  for (const std::string& w : view.Warnings(outcome.what)) Warn(w);
  nlohmann::json fields = AssemblyFields(outcome);
  fields["error"] = outcome.error;
  fields["error_message"] = outcome.what;
  if (!outcome.Joined()) ThrowJoinError(outcome.error, outcome.what, ToPython(fields));
  if (!outcome.untouchedNames.empty()) {
    std::string list;
    for (const std::string& name : outcome.untouchedNames) list += (list.empty() ? "'" : ", '") + name + "'";
    Warn(std::to_string(outcome.untouchedNames.size()) + " object(s) touch nothing: " + list);
  }
  py::list joined;
  for (tsxSOBJ result : outcome.Results()) joined.append(SceneObject{sceneObject, result});
  return joined;
}

}  // namespace

void BindJoin(py::module_& m) {
  m.def("join_all", &JoinAll, py::arg("scene"), py::arg("names") = std::nullopt,
        py::arg("accuracy") = spl::kDefaultAccuracy, py::arg("progress") = std::nullopt,
        "Joins every object of `scene` (or of `names`: names or SceneObjects) that touches another, each\n"
        "connected group into one new object named 'A+B+C' and added to the scene, in one pass over all\n"
        "contacts. Returns the new objects, one per group, in the order of their first members; objects\n"
        "that touch nothing are left as they are (a UserWarning names them). `progress` as for join().\n"
        "An error or an abort raises JoinError and adds nothing.");
  m.def("join", &Join, py::arg("scene"), py::arg("first"), py::arg("second"),
        py::arg("accuracy") = spl::kDefaultAccuracy, py::arg("seam") = false, py::arg("progress") = std::nullopt,
        py::arg("mode") = "contact",
        "Joins two objects of `scene` (names or SceneObjects) where they touch into a new object, named\n"
        "'FIRST+SECOND' and added to the scene: the whole contact, sealed or refused (as `splicer join`);\n"
        "mode=\"face\" welds across one face pair, the plug-in's method (as `splicer join --face`); seam=True\n"
        "is the default kept for older scripts. Returns (new object, report); the report is a dict with the\n"
        "fields of `splicer join --report`. `accuracy` is the largest distance at which corners count as\n"
        "coinciding (whole thousandths; ValueError when negative or not finite).\n"
        "`progress(stage_text, steps_to_go)` is called as the join goes on and must return True to go on;\n"
        "False, None or 0 aborts the join. An error or an abort raises JoinError(code, message, report);\n"
        "an exception raised by `progress` (or Ctrl-C) stops the join and comes through. The GIL is\n"
        "released while the join runs.");
}

}  // namespace splicer::python
