// A JoinView for tests: records every message, label write and pump
// instead of showing anything, and can run an action inside a pump (to
// play the user clicking Abort during a join).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/common/JoinView.h"
#include "engine/common/Progress.h"

namespace spl::testing {

struct ShownMessage {
  BoxType box;
  std::string title;
  std::string text;
};

class RecordingView : public JoinView {
 public:
  void ShowMessage(BoxType box, std::string_view title, std::string_view text) override {
    messages.push_back({box, std::string(title), std::string(text)});
  }
  void ShowConversionError(std::string_view text) override {
    conversionErrors.emplace_back(text);
  }
  bool ShowInfo() const override { return showInfo; }
  void SetStepsText(std::string_view text) override {
    stepsText = text;
    ++stepsWrites;
  }
  void SetStatusText(std::string_view text) override {
    statusText = text;
    if (statusHistory.empty() || statusHistory.back() != statusText) {
      statusHistory.push_back(statusText);
    }
  }
  void SetAbortEnabled(bool enabled) override { abortEnabled = enabled; }
  void PumpEvents(std::string_view stageText, const StepTally& tally) override {
    pumps.emplace_back(stageText);
    tallies.push_back(tally);
    if (onPump) onPump(pumps.size());
  }

  bool showInfo = false;
  std::string stepsText = "Label4";
  std::string statusText = "Label2";
  int stepsWrites = 0;
  bool abortEnabled = false;
  std::vector<ShownMessage> messages;
  std::vector<std::string> conversionErrors;
  std::vector<std::string> statusHistory;  // consecutive repeats folded
  std::vector<std::string> pumps;          // one entry per progress call
  std::vector<StepTally> tallies;          // the join's tally at each of them
  // Called after each pump with the number of pumps so far.
  std::function<void(std::size_t)> onPump;
};

}  // namespace spl::testing
