#include "apps/tsxhost/AssemblyJoinCommand.h"

#include <QInputDialog>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QStatusBar>

#include <algorithm>
#include <new>
#include <unordered_map>

#include "session/AccuracyCheck.h"
#include "apps/tsxhost/DialogJoinView.h"
#include "engine/common/Errors.h"
#include "apps/tsxhost/PluginModule.h"
#include "apps/tsxhost/SceneDocument.h"
#include "engine/actions/WindowActions.h"

namespace hostapp {

namespace {

constexpr int kAccuracyDecimals = 4;

QString Name(const std::string& name) { return QString::fromStdString(name); }

}  // namespace

splicer::AssemblyOutcome JoinObjects(QWidget* parent, SceneDocument* document, const std::vector<tsxSOBJ>& objects,
                                     double accuracy, QString* why) {
  splicer::AssemblyOutcome outcome;
  const std::string problem = spl::AccuracyRefusal(accuracy, "The accuracy").value_or(splicer::CheckAssembly(objects));
  if (!problem.empty()) {
    outcome.error = spl::kCannotMakeResult;
    outcome.what = problem;
    if (why) *why = Name(problem);
    return outcome;
  }
  {
    DialogJoinView view(parent, QObject::tr("Join"), true);
    try {
      outcome = splicer::JoinAssembly(objects, accuracy, &view);
    } catch (const std::bad_alloc&) {
      outcome.error = spl::kNoMemory;
      outcome.what = "not enough memory";
    }
    if (!outcome.Joined() && why && Name(outcome.what) != view.LastMessage()) *why = Name(outcome.what);
  }
  if (!outcome.Joined()) return outcome;
  const std::vector<tsxSOBJ> results = outcome.Results();
  if (!results.empty()) {
    const QString text = results.size() == 1 ? QObject::tr("Join %1").arg(Name(outcome.groups[0].name))
                                             : QObject::tr("Join %n groups", "", int(results.size()));
    document->RecordCommand(text, results);
    document->SetSelected(results);
  }
  return outcome;
}

QString JoinSummary(const splicer::AssemblyOutcome& outcome) {
  QStringList parts;
  for (const splicer::AssemblyGroup& group : outcome.groups) {
    parts << QObject::tr("joined %1 objects into %2 (%3 vertices, %4 faces)")
                 .arg(group.members.size())
                 .arg(Name(group.name))
                 .arg(group.facts.vertices)
                 .arg(group.facts.faces);
  }
  if (outcome.groups.empty()) parts << QObject::tr("nothing joined");
  if (!outcome.untouchedNames.empty()) {
    QStringList names;
    for (const std::string& name : outcome.untouchedNames) names << Name(name);
    parts << QObject::tr("%n object(s) touch nothing: %1", "", int(names.size())).arg(names.join(", "));
  }
  return parts.join("; ");
}

void AddAssemblyJoinCommands(QWidget* window, QMenu* menu, SceneDocument* document, PluginModule* plugin,
                             double* accuracy) {
  QAction* selectAll = menu->addAction(QObject::tr("Select &All"));
  selectAll->setObjectName("actionSelectAll");
  selectAll->setShortcut(QKeySequence::SelectAll);
  QObject::connect(selectAll, &QAction::triggered, window, [document] { document->SelectAll(); });

  QAction* join = menu->addAction(QObject::tr("&Join…"));
  join->setObjectName("actionJoin");
  join->setShortcut(QKeySequence(QObject::tr("Ctrl+J")));
  join->setStatusTip(QObject::tr("Join the selected objects that touch, each touching group into one new object"));
  QPointer<PluginModule> guard(plugin);
  QObject::connect(join, &QAction::triggered, window, [=] {
    if (guard && guard->Busy()) {
      QMessageBox::information(window, QObject::tr("Join"), QObject::tr("Wait until the plug-in has finished its join."));
      return;
    }
    std::vector<tsxSOBJ> chosen = document->SelectedObjects();
    if (chosen.size() < 2) {
      QMessageBox::information(window, QObject::tr("Join"),
                               QObject::tr("Select two objects or more to join (Ctrl-click, or Edit ▸ Select All)."));
      return;
    }
    // Members in the scene's order, so that names read as the list does.
    std::unordered_map<tsxSOBJ, size_t> place;
    for (tsxSOBJ obj : document->Objects()) place.emplace(obj, place.size());
    std::sort(chosen.begin(), chosen.end(), [&place](tsxSOBJ a, tsxSOBJ b) { return place[a] < place[b]; });
    bool ok = false;
    const double value = QInputDialog::getDouble(window, QObject::tr("Join"),
                                                 QObject::tr("Join %n selected objects at the accuracy:", "",
                                                             int(chosen.size())),
                                                 *accuracy, 0, 1000, kAccuracyDecimals, &ok);
    if (!ok) return;
    *accuracy = value;
    QString why;
    const splicer::AssemblyOutcome outcome = JoinObjects(window, document, chosen, value, &why);
    if (!outcome.Joined()) {
      if (!why.isEmpty()) QMessageBox::warning(window, QObject::tr("Join"), why);
      return;
    }
    if (auto* main = qobject_cast<QMainWindow*>(window)) main->statusBar()->showMessage(JoinSummary(outcome), 15000);
  });
}

}  // namespace hostapp
