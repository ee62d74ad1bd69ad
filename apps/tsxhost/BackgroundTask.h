// Reading or writing a large file runs on a thread of its own so that the
// window keeps drawing: a progress dialog, shown once the work has taken a
// moment, says how far it has got, and its Cancel asks the work to stop.
// The caller waits in an event loop, so the call still reads as one step.
// While a task runs, the host's scene belongs to it: the window's own
// code touches only its copies (see SceneDocument::Busy()).
#pragma once

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>

class QWidget;

namespace hostapp {

class TaskProgress {
 public:
  // How far the work has got (`total` 0: unknown); false once cancelled,
  // so a reader's or writer's callback can return it as it is.
  bool Report(int64_t done, int64_t total) {
    total_.store(total, std::memory_order_relaxed);
    done_.store(done, std::memory_order_relaxed);
    return !Cancelled();
  }
  bool Cancelled() const { return cancelled_.load(std::memory_order_relaxed); }
  void Cancel() { cancelled_.store(true, std::memory_order_relaxed); }
  int64_t Done() const { return done_.load(std::memory_order_relaxed); }
  int64_t Total() const { return total_.load(std::memory_order_relaxed); }

 private:
  std::atomic<int64_t> done_{0}, total_{0};
  std::atomic<bool> cancelled_{false};
};

// Runs `work` on another thread and returns once it has ended (the dialog
// is a child of `parent`, or application-modal alone when null): false
// when the user cancelled, whether or not the work had got to its end. An
// exception `work` throws is thrown again here, on the caller's thread.
// Without `cancellable` the dialog has no Cancel (for work that cannot stop
// half-way without harm).
bool RunInBackground(QWidget* parent, const QString& label, const std::function<void(TaskProgress&)>& work,
                     bool cancellable = true);

// Whether a task is running (tasks do not nest: the dialog is modal).
bool BackgroundTaskRunning();

// The progress dialog's object name, for tests that press its Cancel.
inline constexpr const char* kTaskDialogName = "taskProgress";

}  // namespace hostapp
