#include "apps/tsxhost/MainWindow.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QLabel>
#include <QListWidget>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QToolButton>
#include <QUndoStack>

#include <cstdio>
#include <new>
#include <unordered_set>

#include "apps/tsxhost/AssemblyJoinCommand.h"
#include "apps/tsxhost/ElidedLabel.h"
#include "apps/tsxhost/HostPrompts.h"
#include "apps/tsxhost/JoinRecognizer.h"
#include "apps/tsxhost/JoinReportPresenter.h"
#include "apps/tsxhost/PluginModule.h"
#include "apps/tsxhost/PluginResources.h"
#include "apps/tsxhost/RecentFiles.h"
#include "apps/tsxhost/SceneDocument.h"
#include "apps/tsxhost/SceneView.h"
#include "apps/tsxhost/SeamJoinCommand.h"
#include "apps/tsxhost/TransformPanel.h"
#include "engine/common/JoinState.h"
#include "host/scene/Scene.h"
#include "ui_MainWindow.h"

namespace hostapp {

namespace {

std::unordered_set<tsxSOBJ> SelectedSet(const SceneDocument& document) {
  return {document.SelectedObjects().begin(), document.SelectedObjects().end()};
}

}  // namespace

MainWindow::MainWindow(PluginModule* plugin, SceneDocument* document, QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::MainWindow>()), plugin_(plugin),
      document_(document), prompts_(&DialogPrompts()) {
  ui->setupUi(this);
  setAcceptDrops(true);
  counts_ = new ElidedLabel(this);
  counts_->setObjectName("counts");
  statusBar()->addPermanentWidget(counts_);
  // The docks stand on the left: the plug-in's tool window first shows at
  // a fixed place right of the middle, where it would cover a right dock.
  resizeDocks({ui->objectsDock}, {300}, Qt::Horizontal);
  resizeDocks({ui->objectsDock, ui->transformDock}, {400, 160}, Qt::Vertical);
  ui->sceneView->SetDocument(document_);
  ConnectFileActions();
  AddHistoryActions();
  connect(ui->actionDelete, &QAction::triggered, this, &MainWindow::DeleteSelected);
  connect(ui->actionFrameAll, &QAction::triggered, ui->sceneView, &SceneView::FrameAll);
  connect(ui->actionFrameSelected, &QAction::triggered, this,
          [this] { ui->sceneView->FrameObjects({document_->Selection()}); });
  AddViewActions();
  connect(ui->actionSelect, &QAction::triggered, this, &MainWindow::SelectToolChosen);
  connect(ui->sceneView, &SceneView::Picked, document_, &SceneDocument::Select);
  connect(ui->sceneView, &SceneView::PickedWithCtrl, document_, &SceneDocument::ToggleSelected);
  ui->objectList->setSelectionMode(QAbstractItemView::ExtendedSelection);
  connect(ui->objectList, &QListWidget::itemSelectionChanged, this,
          &MainWindow::ListSelectionChanged);
  connect(ui->objectList, &QListWidget::itemChanged, this, &MainWindow::ListItemChanged);
  connect(ui->transformPanel, &TransformPanel::ApplyRequested, this, &MainWindow::PlaceSelected);
  connect(document_, &SceneDocument::SceneChanged, this, &MainWindow::RefreshList);
  connect(document_, &SceneDocument::SceneChanged, this, &MainWindow::ShowCounts);
  connect(document_, &SceneDocument::SelectionChanged, this, &MainWindow::ShowSelection);
  connect(document_, &SceneDocument::ModifiedChanged, this, &MainWindow::UpdateTitle);
  connect(document_, &SceneDocument::FileNameChanged, this, &MainWindow::UpdateTitle);
  connect(document_, &SceneDocument::Deferred, this, [this](const QString& what) {
    statusBar()->showMessage(tr("%1: waits until the plug-in has finished").arg(what), 5000);
  });
  connect(document_, &SceneDocument::AppliedDeferred, this, [this](int count) {
    statusBar()->showMessage(tr("The plug-in has finished: %n waiting edit(s) made", "", count),
                             5000);
  });
  connect(document_, &SceneDocument::Warned, this, [this](const QString& message) {
    std::fprintf(stderr, "warning: %s\n", qUtf8Printable(message));
    statusBar()->showMessage(message, 10000);
  });
  connect(document_, &SceneDocument::Failed, this, [this](const QString& message) {
    prompts_->ReportError(this, tr("Open"), message);
  });
  if (plugin_) connect(plugin_, &PluginModule::Idle, this, &MainWindow::PluginIdle);
  document_->SetAddedByPlugin([](tsxSOBJ obj) {
    try {
      NameJoinResult(obj);
    } catch (const std::bad_alloc&) {
      // It keeps the name the plug-in gave it.
    }
  });
  joinAccuracy_ = spl::kDefaultAccuracy;
  joinReports_ = new JoinReportPresenter(document_, &joinAccuracy_, ui->sceneView, statusBar(), this);
  AddSeamJoinCommand(this, ui->menuEdit, document_, plugin_, joinReports_, &joinAccuracy_);
  AddAssemblyJoinCommands(this, ui->menuEdit, document_, plugin_, &joinAccuracy_);
  AddPluginTool();
  RefreshList();
  ShowCounts();
  UpdateTitle();
}

MainWindow::~MainWindow() = default;

QAction* MainWindow::SelectTool() const { return ui->actionSelect; }
SceneView* MainWindow::View() const { return ui->sceneView; }
QListWidget* MainWindow::ObjectList() const { return ui->objectList; }
TransformPanel* MainWindow::Panel() const { return ui->transformPanel; }

void MainWindow::SetPrompts(HostPrompts* prompts) {
  prompts_ = prompts ? prompts : &DialogPrompts();
}

void MainWindow::AddViewActions() {
  SceneView* view = ui->sceneView;
  // E itself is the view's key, so the menu only names it.
  QAction* edges = ui->menuView->addAction(tr("Show &Edges\tE"));
  edges->setObjectName("actionShowEdges");
  edges->setCheckable(true);
  edges->setChecked(view->EdgesShown());
  connect(edges, &QAction::toggled, view, &SceneView::SetEdgesShown);
  connect(view, &SceneView::EdgesShownChanged, edges, &QAction::setChecked);
  QAction* zUp = ui->menuView->addAction(tr("&Z Up"));
  zUp->setObjectName("actionZUp");
  zUp->setToolTip(tr("Stand the scene with z up instead of y up"));
  zUp->setCheckable(true);
  zUp->setChecked(view->ZUp());
  connect(zUp, &QAction::toggled, view, &SceneView::SetZUp);
  connect(view, &SceneView::ZUpChanged, zUp, &QAction::setChecked);
}

void MainWindow::AddHistoryActions() {
  // Undo and redo go through the document, which holds them back while
  // the plug-in is busy, as it does every edit.
  QUndoStack* history = document_->History();
  QAction* undo = new QAction(tr("&Undo"), this);
  undo->setObjectName("actionUndo");
  undo->setShortcut(QKeySequence::Undo);
  QAction* redo = new QAction(tr("&Redo"), this);
  redo->setObjectName("actionRedo");
  redo->setShortcuts({QKeySequence(tr("Ctrl+Shift+Z")), QKeySequence(tr("Ctrl+Y"))});
  auto label = [](QAction* action, const QString& verb, const QString& what) {
    action->setText(what.isEmpty() ? verb : tr("%1 %2").arg(verb, what));
  };
  connect(history, &QUndoStack::canUndoChanged, undo, &QAction::setEnabled);
  connect(history, &QUndoStack::canRedoChanged, redo, &QAction::setEnabled);
  connect(history, &QUndoStack::undoTextChanged, undo,
          [=](const QString& what) { label(undo, tr("&Undo"), what); });
  connect(history, &QUndoStack::redoTextChanged, redo,
          [=](const QString& what) { label(redo, tr("&Redo"), what); });
  undo->setEnabled(history->canUndo());
  redo->setEnabled(history->canRedo());
  connect(undo, &QAction::triggered, document_, &SceneDocument::Undo);
  connect(redo, &QAction::triggered, document_, &SceneDocument::Redo);
  QAction* first = ui->menuEdit->actions().value(0);
  ui->menuEdit->insertActions(first, {undo, redo});
  ui->menuEdit->insertSeparator(first);
}

void MainWindow::AddPluginTool() {
  auto* tools = new QActionGroup(this);
  tools->addAction(ui->actionSelect);
  if (!plugin_ || !plugin_->Loaded()) return;
  const PluginIdentity id = plugin_->Identity();
  pluginAction_ = new QAction(id.name, this);
  pluginAction_->setCheckable(true);
  pluginAction_->setIcon(QIcon(PluginBitmap(plugin_->Path(), id.bitmapId)));
  const QString tip = PluginString(plugin_->Path(), id.stringId);
  pluginAction_->setToolTip(tip.isEmpty() ? id.name : tip);
  pluginAction_->setStatusTip(tr("%1 by %2").arg(id.name, id.maker));
  tools->addAction(pluginAction_);
  ui->toolBar->addAction(pluginAction_);
  pluginButton_ = qobject_cast<QToolButton*>(ui->toolBar->widgetForAction(pluginAction_));
  pluginButton_->setObjectName("pluginButton");
  pluginButton_->setIconSize(QSize(34, 34));
  pluginButton_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(pluginAction_, &QAction::triggered, this, &MainWindow::ActivatePlugin);
  connect(pluginButton_, &QWidget::customContextMenuRequested, this,
          &MainWindow::PluginRightClick);
}

void MainWindow::ActivatePlugin() {
  pluginActive_ = true;
  pluginAction_->setChecked(true);
  plugin_->LeftClick();
}

void MainWindow::PluginRightClick() { plugin_->RightClick(); }

void MainWindow::SelectToolChosen() {
  ui->actionSelect->setChecked(true);
  if (!pluginActive_) return;
  pluginActive_ = false;
  plugin_->Deactivate();
}

void MainWindow::DeleteSelected() {
  if (const tsxSOBJ obj = document_->Selection()) document_->Remove(obj);
}

void MainWindow::PlaceSelected(const PlacementEdit& edit) {
  const tsxSOBJ obj = document_->Selection();
  if (!obj) {
    statusBar()->showMessage(tr("Select an object to place first"), 5000);
    return;
  }
  document_->Place(obj, edit);
}

void MainWindow::RefreshList() {
  // The list follows the document here; only the user's choices go back.
  const QSignalBlocker following(ui->objectList);
  QListWidget* list = ui->objectList;
  const std::vector<tsxSOBJ>& objects = document_->Objects();
  bool same = list->count() == int(objects.size());
  for (int i = 0; same && i < list->count(); ++i)
    same = list->item(i)->data(Qt::UserRole).toUInt() == objects[size_t(i)];
  if (!same) {
    list->clear();
    for (tsxSOBJ obj : objects) {
      auto* item = new QListWidgetItem(QString::fromStdString(tsxhost::ObjectName(obj)));
      item->setData(Qt::UserRole, obj);
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      list->addItem(item);
    }
  }
  const std::unordered_set<tsxSOBJ> selected = SelectedSet(*document_);
  for (int i = 0; i < list->count(); ++i) {
    QListWidgetItem* item = list->item(i);
    const tsxSOBJ obj = item->data(Qt::UserRole).toUInt();
    item->setCheckState(document_->IsShown(obj) ? Qt::Checked : Qt::Unchecked);
    item->setSelected(selected.count(obj) > 0);
  }
  // No current row either: the list must not pick a neighbour of a
  // deleted object as the new selection.
  if (document_->Selection() == 0) list->setCurrentItem(nullptr, QItemSelectionModel::Clear);
}

void MainWindow::ShowSelection(tsxSOBJ obj) {
  {
    const QSignalBlocker following(ui->objectList);
    const std::unordered_set<tsxSOBJ> selected = SelectedSet(*document_);
    for (int i = 0; i < ui->objectList->count(); ++i) {
      QListWidgetItem* item = ui->objectList->item(i);
      item->setSelected(selected.count(item->data(Qt::UserRole).toUInt()) > 0);
    }
  }
  const QString name = QString::fromStdString(tsxhost::ObjectName(obj));
  statusBar()->showMessage(obj ? tr("Selected: %1").arg(name) : tr("Nothing selected"), 3000);
  ShowCounts();
}

void MainWindow::ShowCounts() {
  const tsxSOBJ obj = document_->Selection();
  if (!obj || !tsxhost::InScene(obj)) {
    counts_->ClearText();
    return;
  }
  counts_->SetFullText(tr("%1: %2 vertices, %3 UVs, %4 faces")
                       .arg(QString::fromStdString(tsxhost::ObjectName(obj)))
                       .arg(tsxPolyhGetNbrVxs(obj))
                       .arg(tsxPolyhGetNbrUV(obj))
                       .arg(tsxPolyhGetNbrFaces(obj)));
}

void MainWindow::ListItemChanged(QListWidgetItem* item) {
  document_->SetShown(item->data(Qt::UserRole).toUInt(), item->checkState() == Qt::Checked);
}

void MainWindow::ListSelectionChanged() {
  // Kept in the order chosen: those selected before first, then the rest
  // in the list's order.
  std::unordered_set<tsxSOBJ> listed;
  for (const QListWidgetItem* item : ui->objectList->selectedItems()) listed.insert(item->data(Qt::UserRole).toUInt());
  std::vector<tsxSOBJ> chosen;
  for (tsxSOBJ obj : document_->SelectedObjects()) {
    if (listed.erase(obj)) chosen.push_back(obj);
  }
  for (int i = 0; i < ui->objectList->count(); ++i) {
    const tsxSOBJ obj = ui->objectList->item(i)->data(Qt::UserRole).toUInt();
    if (listed.count(obj)) chosen.push_back(obj);
  }
  document_->SetSelected(chosen);
}

void MainWindow::PluginIdle() {
  if (closePending_) close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // The module's code is on the stack while it is busy; it can only be
  // unloaded once the host is out of it again.
  if (plugin_ && plugin_->Busy()) {
    closePending_ = true;
    statusBar()->showMessage(tr("Closing once the plug-in has finished"));
    event->ignore();
    return;
  }
  closePending_ = false;
  if (!MayDiscardScene()) {
    event->ignore();
    return;
  }
  if (plugin_) plugin_->Unload();
  tsxhost::SetMainViewHwnd(0);
  event->accept();
  QCoreApplication::quit();
}

}  // namespace hostapp
