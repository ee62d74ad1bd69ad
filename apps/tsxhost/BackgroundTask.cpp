#include "apps/tsxhost/BackgroundTask.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

#include <exception>
#include <limits>
#include <memory>

namespace hostapp {

namespace {

// Tasks do not nest; the window asks whether one runs.
std::atomic<bool> g_running{false};

// Long enough that a small file never flashes a dialog.
constexpr int kShowAfterMs = 400;
constexpr int kUpdateEveryMs = 100;

void ShowProgress(QProgressDialog& dialog, const TaskProgress& progress) {
  const int64_t total = progress.Total();
  if (total <= 0) {
    dialog.setRange(0, 0);  // a busy bar until the work knows its size
    return;
  }
  // Bytes can exceed an int: the bar counts thousandths.
  dialog.setRange(0, 1000);
  const int64_t done = std::min(progress.Done(), total);
  dialog.setValue(int(done * 1000 / total));
}

}  // namespace

bool BackgroundTaskRunning() { return g_running.load(); }

bool RunInBackground(QWidget* parent, const QString& label, const std::function<void(TaskProgress&)>& work,
                     bool cancellable) {
  TaskProgress progress;
  std::exception_ptr thrown;
  g_running.store(true);

  QProgressDialog dialog(label, QObject::tr("Cancel"), 0, 0, parent);
  dialog.setObjectName(kTaskDialogName);
  dialog.setWindowTitle(QObject::tr("tsxhost"));
  dialog.setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
  dialog.setAutoReset(false);
  dialog.setAutoClose(false);
  dialog.setMinimumDuration(std::numeric_limits<int>::max());  // shown by the timer below
  dialog.reset();
  if (!cancellable) dialog.setCancelButton(nullptr);
  QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&] {
    progress.Cancel();
    dialog.setLabelText(QObject::tr("Stopping..."));
  });

  QEventLoop loop;
  std::unique_ptr<QThread> thread(QThread::create([&] {
    try {
      work(progress);
    } catch (...) {
      thrown = std::current_exception();
    }
  }));
  QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
  QTimer update;
  QObject::connect(&update, &QTimer::timeout, &dialog, [&] {
    if (!dialog.isVisible() && !progress.Cancelled()) dialog.show();
    ShowProgress(dialog, progress);
  });
  QTimer::singleShot(kShowAfterMs, &update, [&update] { update.start(kUpdateEveryMs); });
  thread->start();
  loop.exec();
  thread->wait();
  update.stop();
  dialog.hide();

  g_running.store(false);
  if (thrown) std::rethrow_exception(thrown);
  return !progress.Cancelled();
}

}  // namespace hostapp
