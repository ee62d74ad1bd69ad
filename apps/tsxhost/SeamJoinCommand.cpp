#include "apps/tsxhost/SeamJoinCommand.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>

#include <algorithm>
#include <new>
#include <vector>

#include "apps/tsxhost/DialogJoinView.h"
#include "apps/tsxhost/JoinReportPresenter.h"
#include "apps/tsxhost/PluginModule.h"
#include "apps/tsxhost/SceneDocument.h"
#include "engine/common/Errors.h"
#include "engine/common/JoinInputs.h"
#include "engine/common/JoinState.h"
#include "engine/common/JoinView.h"
#include "host/scene/Scene.h"
#include "session/JoinSession.h"
#include "session/JunctionReport.h"

namespace hostapp {

namespace {

// Whole thousandths, from the smallest the join tells apart to the largest
// it compares.
constexpr int kAccuracyDecimals = 3;

struct SeamJoinChoice {
  tsxSOBJ first = 0;
  tsxSOBJ second = 0;
  double accuracy = spl::kDefaultAccuracy;
};

QComboBox* ObjectChooser(const std::vector<tsxSOBJ>& objects, tsxSOBJ preferred, QWidget* parent) {
  auto* box = new QComboBox(parent);
  for (tsxSOBJ obj : objects) {
    box->addItem(QString::fromStdString(tsxhost::ObjectName(obj)), QVariant::fromValue<qulonglong>(obj));
    if (obj == preferred) box->setCurrentIndex(box->count() - 1);
  }
  return box;
}

bool AskForObjects(QWidget* parent, const SceneDocument& document, SeamJoinChoice* choice) {
  const std::vector<tsxSOBJ>& objects = document.Objects();
  QDialog dialog(parent);
  dialog.setWindowTitle(QObject::tr("Seam Join"));
  auto* form = new QFormLayout(&dialog);
  QComboBox* first = ObjectChooser(objects, document.Selection(), &dialog);
  const auto other = std::find_if(objects.begin(), objects.end(),
                                  [&](tsxSOBJ o) { return o != document.Selection(); });
  QComboBox* second = ObjectChooser(objects, other == objects.end() ? 0 : *other, &dialog);
  auto* accuracy = new QDoubleSpinBox(&dialog);
  accuracy->setDecimals(kAccuracyDecimals);
  accuracy->setRange(0.001, 1000);
  accuracy->setSingleStep(0.001);
  accuracy->setValue(choice->accuracy);
  form->addRow(QObject::tr("1st object:"), first);
  form->addRow(QObject::tr("2nd object:"), second);
  form->addRow(QObject::tr("Accuracy:"), accuracy);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  form->addRow(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  if (dialog.exec() != QDialog::Accepted) return false;
  choice->first = first->currentData().value<qulonglong>();
  choice->second = second->currentData().value<qulonglong>();
  choice->accuracy = accuracy->value();
  return true;
}

}  // namespace

bool SeamJoinObjects(QWidget* parent, SceneDocument* document, JoinReportPresenter* reports, tsxSOBJ first,
                     tsxSOBJ second, double accuracy) {
  DialogJoinView view(parent, QObject::tr("Seam Join"));
  splicer::StageClock clock;
  splicer::JoinChoice choice;
  choice.accuracy = accuracy;
  choice.seam = true;
  const splicer::JoinOutcome outcome = splicer::PickAndJoin(first, second, choice, clock, &view);
  tsxhost::SetSelection(document->Selection());

  try {
    if (outcome.result == 0) {
      // The engine's message box said what failed; what to try next is ours.
      if (spl::JoinState.LastError == spl::kJunctionNotFound)
        reports->PresentFailure(spl::ReportPlainJoin(spl::JoinInputsAt(first, second, accuracy)), first, second);
      return false;
    }
    tsxhost::SetObjectName(outcome.result,
                           splicer::ResultName(tsxhost::ObjectName(first), tsxhost::ObjectName(second)));
    reports->Present(outcome.junction, first, second, outcome.result);
  } catch (const std::bad_alloc&) {
    // The join is made (or refused); only its report is missing.
  }
  document->Refresh();
  return outcome.result != 0;
}

bool RunSeamJoinCommand(QWidget* parent, SceneDocument* document, JoinReportPresenter* reports, double* accuracy) {
  if (document->Objects().size() < 2) {
    QMessageBox::information(parent, QObject::tr("Seam Join"), QObject::tr("The scene needs two objects."));
    return false;
  }
  SeamJoinChoice choice;
  choice.accuracy = *accuracy;
  if (!AskForObjects(parent, *document, &choice)) return false;
  *accuracy = choice.accuracy;
  return SeamJoinObjects(parent, document, reports, choice.first, choice.second, choice.accuracy);
}

void AddSeamJoinCommand(QWidget* window, QMenu* menu, SceneDocument* document, PluginModule* plugin,
                        JoinReportPresenter* reports, double* accuracy) {
  QAction* action = menu->addAction(QObject::tr("Seam &Join…"));
  action->setObjectName("actionSeamJoin");
  action->setStatusTip(QObject::tr("Join two objects along the whole seam where their surfaces lie on each other"));
  QPointer<PluginModule> guard(plugin);
  QObject::connect(action, &QAction::triggered, window, [=] {
    if (guard && guard->Busy()) {
      QMessageBox::information(window, QObject::tr("Seam Join"),
                               QObject::tr("Wait until the plug-in has finished its join."));
      return;
    }
    RunSeamJoinCommand(window, document, reports, accuracy);
  });
}

}  // namespace hostapp
