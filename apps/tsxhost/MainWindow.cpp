#include "MainWindow.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QFileDialog>
#include <QListWidget>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QToolButton>

#include "JoinReportPresenter.h"
#include "PluginModule.h"
#include "PluginResources.h"
#include "Scene.h"
#include "SceneDocument.h"
#include "SceneView.h"
#include "SeamJoinCommand.h"
#include "TransformPanel.h"
#include "ui_MainWindow.h"

namespace {
const QString kObjFilter = QObject::tr("Wavefront OBJ (*.obj);;All files (*)");
}

MainWindow::MainWindow(PluginModule* plugin, SceneDocument* document, QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::MainWindow>()), plugin_(plugin),
      document_(document) {
  ui->setupUi(this);
  resizeDocks({ui->objectsDock}, {300}, Qt::Horizontal);
  resizeDocks({ui->objectsDock, ui->transformDock}, {400, 160}, Qt::Vertical);
  ui->sceneView->setDocument(document_);
  connect(ui->actionOpen, &QAction::triggered, this, &MainWindow::openScene);
  connect(ui->actionSave, &QAction::triggered, this, &MainWindow::saveScene);
  connect(ui->actionExport, &QAction::triggered, this, &MainWindow::exportSelected);
  connect(ui->actionQuit, &QAction::triggered, this, &QWidget::close);
  connect(ui->actionDelete, &QAction::triggered, this, &MainWindow::deleteSelected);
  connect(ui->actionFrameAll, &QAction::triggered, ui->sceneView, &SceneView::frameAll);
  connect(ui->actionSelect, &QAction::triggered, this, &MainWindow::selectToolChosen);
  connect(ui->sceneView, &SceneView::picked, document_, &SceneDocument::select);
  connect(ui->objectList, &QListWidget::itemSelectionChanged, this,
          &MainWindow::listSelectionChanged);
  connect(ui->transformPanel, &TransformPanel::applyRequested, this, &MainWindow::placeSelected);
  connect(document_, &SceneDocument::sceneChanged, this, &MainWindow::refreshList);
  connect(document_, &SceneDocument::selectionChanged, this, &MainWindow::showSelection);
  connect(document_, &SceneDocument::deferred, this, [this](const QString& what) {
    statusBar()->showMessage(tr("%1: waits until the plug-in has finished").arg(what), 5000);
  });
  connect(document_, &SceneDocument::appliedDeferred, this, [this](int count) {
    statusBar()->showMessage(tr("The plug-in has finished: %n waiting edit(s) made", "", count),
                             5000);
  });
  connect(document_, &SceneDocument::failed, this, [this](const QString& message) {
    QMessageBox::warning(this, tr("Open"), message);
  });
  if (plugin_) connect(plugin_, &PluginModule::idle, this, &MainWindow::pluginIdle);
  joinReports_ = new JoinReportPresenter(document_, plugin_, ui->sceneView, statusBar(), this);
  AddSeamJoinCommand(this, ui->menuEdit, document_, plugin_, joinReports_);
  addPluginTool();
  refreshList();
}

MainWindow::~MainWindow() = default;

QAction* MainWindow::selectTool() const { return ui->actionSelect; }
SceneView* MainWindow::view() const { return ui->sceneView; }
QListWidget* MainWindow::objectList() const { return ui->objectList; }
TransformPanel* MainWindow::transformPanel() const { return ui->transformPanel; }

void MainWindow::addPluginTool() {
  auto* tools = new QActionGroup(this);
  tools->addAction(ui->actionSelect);
  if (!plugin_ || !plugin_->loaded()) return;
  const PluginIdentity id = plugin_->identity();
  pluginAction_ = new QAction(id.name, this);
  pluginAction_->setCheckable(true);
  pluginAction_->setIcon(QIcon(PluginBitmap(plugin_->path(), id.bitmapId)));
  const QString tip = PluginString(plugin_->path(), id.stringId);
  pluginAction_->setToolTip(tip.isEmpty() ? id.name : tip);
  pluginAction_->setStatusTip(tr("%1 by %2").arg(id.name, id.maker));
  tools->addAction(pluginAction_);
  ui->toolBar->addAction(pluginAction_);
  pluginButton_ = qobject_cast<QToolButton*>(ui->toolBar->widgetForAction(pluginAction_));
  pluginButton_->setObjectName("pluginButton");
  pluginButton_->setIconSize(QSize(34, 34));
  pluginButton_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(pluginAction_, &QAction::triggered, this, &MainWindow::activatePlugin);
  connect(pluginButton_, &QWidget::customContextMenuRequested, this,
          &MainWindow::pluginRightClick);
}

void MainWindow::activatePlugin() {
  pluginActive_ = true;
  pluginAction_->setChecked(true);
  plugin_->leftClick();
}

void MainWindow::pluginRightClick() { plugin_->rightClick(); }

void MainWindow::selectToolChosen() {
  ui->actionSelect->setChecked(true);
  if (!pluginActive_) return;
  pluginActive_ = false;
  plugin_->deactivate();
}

void MainWindow::openScene() {
  const QString path = QFileDialog::getOpenFileName(this, tr("Open"), QString(), kObjFilter);
  if (path.isEmpty()) return;
  QString error;
  if (!document_->open(path, &error)) QMessageBox::warning(this, tr("Open"), error);
}

void MainWindow::saveScene() {
  // The dialog asks before it overwrites a file; it starts at the file opened.
  const QString path = QFileDialog::getSaveFileName(this, tr("Save"), document_->lastOpened(), kObjFilter);
  if (path.isEmpty()) return;
  QString error;
  if (!document_->save(path, document_->objects(), &error))
    QMessageBox::warning(this, tr("Save"), error);
  else
    statusBar()->showMessage(tr("Saved %1").arg(path), 5000);
}

void MainWindow::exportSelected() {
  const tsxSOBJ obj = document_->selection();
  if (!obj) {
    QMessageBox::information(this, tr("Export Selected"), tr("No object is selected."));
    return;
  }
  const QString path =
      QFileDialog::getSaveFileName(this, tr("Export Selected"), QString(), kObjFilter);
  if (path.isEmpty()) return;
  if (document_->openedFrom(path) &&
      QMessageBox::question(this, tr("Export Selected"),
                            tr("%1 was opened into this scene. Writing only the selected object over it "
                               "loses its other objects. Overwrite it?").arg(path)) != QMessageBox::Yes) {
    return;
  }
  QString error;
  if (!document_->save(path, {obj}, &error))
    QMessageBox::warning(this, tr("Export Selected"), error);
}

void MainWindow::deleteSelected() {
  if (const tsxSOBJ obj = document_->selection()) document_->remove(obj);
}

void MainWindow::placeSelected(const PlacementEdit& edit) {
  const tsxSOBJ obj = document_->selection();
  if (!obj) {
    statusBar()->showMessage(tr("Select an object to place first"), 5000);
    return;
  }
  document_->place(obj, edit);
}

void MainWindow::refreshList() {
  // The list follows the document here; only the user's choices go back.
  const QSignalBlocker following(ui->objectList);
  ui->objectList->clear();
  for (tsxSOBJ obj : document_->objects()) {
    auto* item = new QListWidgetItem(QString::fromStdString(tsxhost::ObjectName(obj)));
    item->setData(Qt::UserRole, obj);
    ui->objectList->addItem(item);
    if (obj == document_->selection()) item->setSelected(true);
  }
}

void MainWindow::showSelection(tsxSOBJ obj) {
  {
    const QSignalBlocker following(ui->objectList);
    for (int i = 0; i < ui->objectList->count(); ++i) {
      QListWidgetItem* item = ui->objectList->item(i);
      item->setSelected(item->data(Qt::UserRole).toUInt() == obj && obj != 0);
    }
  }
  const QString name = QString::fromStdString(tsxhost::ObjectName(obj));
  statusBar()->showMessage(obj ? tr("Selected: %1").arg(name) : tr("Nothing selected"), 3000);
}

void MainWindow::listSelectionChanged() {
  const auto items = ui->objectList->selectedItems();
  document_->select(items.isEmpty() ? 0 : items.front()->data(Qt::UserRole).toUInt());
}

void MainWindow::pluginIdle() {
  if (closePending_) close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // The module's code is on the stack while it is busy; it can only be
  // unloaded once the host is out of it again.
  if (plugin_ && plugin_->busy()) {
    closePending_ = true;
    statusBar()->showMessage(tr("Closing once the plug-in has finished"));
    event->ignore();
    return;
  }
  closePending_ = false;
  if (plugin_) plugin_->unload();
  tsxhost::SetMainViewHwnd(0);
  event->accept();
  QCoreApplication::quit();
}
