// The narrow window interface through which the engine shows messages and
// progress. The main tool window implements it, so does the command-line
// tool; tests use a recording implementation. The engine holds no Qt, and
// no view of its own: whoever starts a join hands it the view to use.
#pragma once

#include <string_view>

namespace spl {

struct StepTally;

enum class BoxType { Warning, Error, Information };

class JoinView {
 public:
  virtual ~JoinView() = default;

  // A modal box with one OK button; returns when the user has closed it.
  virtual void ShowMessage(BoxType type, std::string_view title,
                           std::string_view text) = 0;
  // The toolkit's standard report of a conversion error (a bad number).
  virtual void ShowConversionError(std::string_view text) = 0;

  // Whether "Show Info" is ticked: labels are written only then.
  virtual bool ShowInfo() const = 0;
  // Label4, beside "Steps To Go:".
  virtual void SetStepsText(std::string_view text) = 0;
  // Label2, the status text of the current stage.
  virtual void SetStatusText(std::string_view text) = 0;
  // Button8, Abort.
  virtual void SetAbortEnabled(bool enabled) = 0;

  // Lets the user-interface event loop dispatch pending events. `stageText`
  // is the text of the progress call that pumps, so that a view may skip
  // dispatches between calls of one stage without delaying a stage change;
  // `tally` is how far the join has come, for views that show it.
  virtual void PumpEvents(std::string_view stageText, const StepTally& tally) = 0;
};

}  // namespace spl
