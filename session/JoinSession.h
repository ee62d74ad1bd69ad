// One join run outside the tool window, as `splicer join` and the Python
// module run it: the picks and the join button on two named objects, the
// stages timed, and the report of what happened.
#pragma once

#include <cstdint>
#include <chrono>
#include <functional>
#include <optional>
#include <nlohmann/json.hpp>
#include <string>

#include "engine/common/Progress.h"
#include "engine/contact/ContactJoin.h"
#include "engine/face/RunJoin.h"
#include "interface/tsxapi.h"
#include "session/ErrorKind.h"
#include "session/JunctionReport.h"

namespace splicer {

// Times each stage and keeps the join's steps-to-go estimate and the steps
// still to go at its end, in 64 bits (the window's count saturates on large
// objects).
class StageClock : public spl::JoinStageObserver {
 public:
  StageClock();
  ~StageClock() override;
  StageClock(const StageClock&) = delete;
  StageClock& operator=(const StageClock&) = delete;

  void StageStarted(spl::JoinStage stage) override;
  void StageFinished(spl::JoinStage stage) override;
  void Begin();
  // What the join's tally said when it ended.
  void Tallied(const spl::StepTally& tally);

  nlohmann::json Times() const { return {{"stages", seconds_}, {"total", total_}}; }
  bool Ran() const { return ran_; }
  int64_t Estimate() const { return estimate_; }
  int64_t StepsAtEnd() const { return stepsAtEnd_; }

 private:
  using Clock = std::chrono::steady_clock;
  Clock::time_point begin_{}, started_{};
  nlohmann::json seconds_ = nlohmann::json::object();
  double total_ = 0;
  int64_t estimate_ = 0;
  int64_t stepsAtEnd_ = 0;
  bool ran_ = false;
};

struct JoinChoice {
  double accuracy = 0.01;
  bool seam = false;     // the seam join (one face pair's rules widened to the seam); with contact: unused
  bool contact = false;  // the contact join: the whole contact, sealed or refused
};

struct JoinOutcome {
  tsxSOBJ result = 0;  // the new object; 0 when the join failed or was aborted
  // Join: the engine's error (JoinState.LastError or the contact join's
  // code); UnsealedResult: a result was made, but of two sealed objects it
  // is not sealed (the caller refuses or warns).
  ErrorKind error = ErrorKind::None;
  spl::JunctionReport junction;
  std::optional<spl::ContactJoinResult> contact;  // after a contact join
};

// Picks `first` and `second` as the window's buttons do and presses the
// join button (or runs the seam join), then reports the junction. On a
// failed pick or join JoinState.LastError says why. Messages and progress
// go to `view` (null: nowhere); the clock is the stage observer meanwhile.
JoinOutcome PickAndJoin(tsxSOBJ first, tsxSOBJ second, const JoinChoice& choice, StageClock& clock,
                        spl::JoinView* view = nullptr);

// "FIRST+SECOND", or with ".2", ".3"... when a scene object has that name.
std::string ResultName(const std::string& first, const std::string& second);

// The report's `contact` field: what a contact join joined, or null.
nlohmann::json ContactFields(const JoinOutcome& outcome);

// The summary line of a contact join that succeeded, e.g. "joined Left and
// Right along their contact (1 touching face pair, 4 vertices welded,
// sealed): 12 vertices, 10 faces".
std::string ContactSummary(const spl::ContactGroup& group, const std::string& first, const std::string& second);

// The report of a join: error, junction, seam, counts, steps and times.
nlohmann::json MakeReport(tsxSOBJ first, tsxSOBJ second, const JoinOutcome& outcome, const StageClock& clock);

}  // namespace splicer
