// The main window's File menu: new, open, add, recent files, save, export,
// dropped files, and the question before unsaved changes are thrown away.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QStatusBar>

#include "apps/tsxhost/HostPrompts.h"
#include "apps/tsxhost/MainWindow.h"
#include "apps/tsxhost/RecentFiles.h"
#include "apps/tsxhost/SceneDocument.h"
#include "apps/tsxhost/SceneView.h"
#include "ui_MainWindow.h"

namespace {

// The local OBJ files among dropped URLs.
QStringList DroppedObjFiles(const QMimeData* data) {
  QStringList paths;
  if (!data || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    const QString path = url.toLocalFile();
    if (!path.isEmpty() && QFileInfo(path).suffix().compare("obj", Qt::CaseInsensitive) == 0)
      paths << path;
  }
  return paths;
}

}  // namespace

void MainWindow::connectFileActions() {
  recent_ = new RecentFiles(ui->menuRecent, this);
  connect(recent_, &RecentFiles::chosen, this, &MainWindow::openFile);
  connect(ui->actionNew, &QAction::triggered, this, &MainWindow::newScene);
  connect(ui->actionOpen, &QAction::triggered, this, &MainWindow::openScene);
  connect(ui->actionAdd, &QAction::triggered, this, &MainWindow::addScene);
  connect(ui->actionSave, &QAction::triggered, this, &MainWindow::saveScene);
  connect(ui->actionSaveAs, &QAction::triggered, this, &MainWindow::saveSceneAs);
  connect(ui->actionExport, &QAction::triggered, this, &MainWindow::exportSelected);
  connect(ui->actionQuit, &QAction::triggered, this, &QWidget::close);
}

QString MainWindow::sceneFolder() const {
  const QString file = document_->fileName();
  if (!file.isEmpty()) return QFileInfo(file).absolutePath();
  const QStringList recent = recent_->files();
  return recent.isEmpty() ? QString() : QFileInfo(recent.front()).absolutePath();
}

void MainWindow::updateTitle() {
  const QString file = document_->fileName();
  const QString name = file.isEmpty() ? tr("Untitled") : QFileInfo(file).fileName();
  setWindowTitle(tr("%1[*] - tsxhost").arg(name));
  setWindowModified(document_->isModified());
}

bool MainWindow::mayDiscardScene() {
  if (!document_->isModified()) return true;
  const QString file = document_->fileName();
  const QString name = file.isEmpty() ? tr("Untitled") : QFileInfo(file).fileName();
  switch (prompts_->askUnsaved(this, name)) {
    case HostPrompts::Unsaved::Save:
      return saveScene();
    case HostPrompts::Unsaved::Discard:
      return true;
    case HostPrompts::Unsaved::Cancel:
      break;
  }
  return false;
}

bool MainWindow::newScene() {
  if (!mayDiscardScene()) return false;
  document_->newScene();
  ui->sceneView->setZUp(false);
  return true;
}

bool MainWindow::openFile(const QString& path) {
  if (!mayDiscardScene()) return false;
  QString error;
  if (!document_->openReplacing(path, &error)) {
    reportOpenFailure(path, error);
    return false;
  }
  recent_->add(path);
  // Every format we read is y up (glTF says so; OBJ, PLY and STL do not
  // say): a file opens upright whatever the last one needed.
  ui->sceneView->setZUp(false);
  ui->sceneView->frameAll();
  return true;
}

int MainWindow::addFiles(const QStringList& paths) {
  const std::vector<tsxSOBJ> before = document_->objects();
  int opened = 0;
  for (const QString& path : paths) {
    const bool fresh = document_->objects().empty() && document_->fileName().isEmpty() &&
                       !document_->isModified();
    QString error;
    const bool ok = fresh ? document_->openReplacing(path, &error) : document_->open(path, &error);
    if (!ok) {
      reportOpenFailure(path, error);
      if (error.isEmpty()) break;  // cancelled: the rest too
      continue;
    }
    recent_->add(path);
    ++opened;
  }
  std::vector<tsxSOBJ> added;
  for (tsxSOBJ obj : document_->objects())
    if (std::find(before.begin(), before.end(), obj) == before.end()) added.push_back(obj);
  if (!added.empty()) ui->sceneView->frameObjects(added);
  return opened;
}

void MainWindow::reportOpenFailure(const QString& path, const QString& error) {
  reportFileFailure(tr("Open"), tr("Opening %1 cancelled").arg(QFileInfo(path).fileName()), error);
}

void MainWindow::reportFileFailure(const QString& title, const QString& cancelled, const QString& error) {
  if (error.isEmpty()) {
    statusBar()->showMessage(cancelled, 5000);
    return;
  }
  prompts_->reportError(this, title, error);
}

void MainWindow::openScene() {
  const QString path = prompts_->openPath(this, tr("Open"), sceneFolder());
  if (!path.isEmpty()) openFile(path);
}

void MainWindow::addScene() {
  const QString path = prompts_->openPath(this, tr("Add from File"), sceneFolder());
  if (!path.isEmpty()) addFiles({path});
}

bool MainWindow::saveTo(const QString& path) {
  QString error;
  if (!document_->save(path, document_->objects(), &error)) {
    reportFileFailure(tr("Save"), tr("Saving %1 cancelled: the file is as it was").arg(QFileInfo(path).fileName()),
                      error);
    return false;
  }
  document_->markSaved(path);
  recent_->add(path);
  statusBar()->showMessage(tr("Saved %1").arg(path), 5000);
  return true;
}

bool MainWindow::saveScene() {
  if (document_->fileName().isEmpty()) return saveSceneAs();
  return saveTo(document_->fileName());
}

bool MainWindow::saveSceneAs() {
  const QString path = WithSceneExtension(prompts_->savePath(this, tr("Save As"), sceneFolder()));
  return !path.isEmpty() && saveTo(path);
}

void MainWindow::exportSelected() {
  const tsxSOBJ obj = document_->selection();
  if (!obj) {
    prompts_->reportError(this, tr("Export Selected"), tr("No object is selected."));
    return;
  }
  const QString path = WithSceneExtension(prompts_->savePath(this, tr("Export Selected"), sceneFolder()));
  if (path.isEmpty()) return;
  if (document_->openedFrom(path) &&
      !prompts_->confirm(this, tr("Export Selected"),
                         tr("%1 was opened into this scene. Writing only the selected object over it "
                            "loses its other objects. Overwrite it?")
                             .arg(path))) {
    return;
  }
  QString error;
  if (!document_->save(path, {obj}, &error)) {
    reportFileFailure(tr("Export Selected"),
                      tr("Saving %1 cancelled: the file is as it was").arg(QFileInfo(path).fileName()), error);
  }
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedObjFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QStringList paths = DroppedObjFiles(event->mimeData());
  if (paths.isEmpty()) return;
  event->acceptProposedAction();
  addFiles(paths);
}
