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

namespace hostapp {

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

void MainWindow::ConnectFileActions() {
  recent_ = new RecentFiles(ui->menuRecent, this);
  connect(recent_, &RecentFiles::Chosen, this, &MainWindow::OpenFile);
  connect(ui->actionNew, &QAction::triggered, this, &MainWindow::NewScene);
  connect(ui->actionOpen, &QAction::triggered, this, &MainWindow::OpenScene);
  connect(ui->actionAdd, &QAction::triggered, this, &MainWindow::AddScene);
  connect(ui->actionSave, &QAction::triggered, this, &MainWindow::SaveScene);
  connect(ui->actionSaveAs, &QAction::triggered, this, &MainWindow::SaveSceneAs);
  connect(ui->actionExport, &QAction::triggered, this, &MainWindow::ExportSelected);
  connect(ui->actionQuit, &QAction::triggered, this, &QWidget::close);
}

QString MainWindow::SceneFolder() const {
  const QString file = document_->FileName();
  if (!file.isEmpty()) return QFileInfo(file).absolutePath();
  const QStringList recent = recent_->Files();
  return recent.isEmpty() ? QString() : QFileInfo(recent.front()).absolutePath();
}

void MainWindow::UpdateTitle() {
  const QString file = document_->FileName();
  const QString name = file.isEmpty() ? tr("Untitled") : QFileInfo(file).fileName();
  setWindowTitle(tr("%1[*] - tsxhost").arg(name));
  setWindowModified(document_->IsModified());
}

bool MainWindow::MayDiscardScene() {
  if (!document_->IsModified()) return true;
  const QString file = document_->FileName();
  const QString name = file.isEmpty() ? tr("Untitled") : QFileInfo(file).fileName();
  switch (prompts_->AskUnsaved(this, name)) {
    case HostPrompts::Unsaved::Save:
      return SaveScene();
    case HostPrompts::Unsaved::Discard:
      return true;
    case HostPrompts::Unsaved::Cancel:
      break;
  }
  return false;
}

bool MainWindow::NewScene() {
  if (!MayDiscardScene()) return false;
  document_->NewScene();
  ui->sceneView->SetZUp(false);
  return true;
}

bool MainWindow::OpenFile(const QString& path) {
  if (!MayDiscardScene()) return false;
  QString error;
  if (!document_->OpenReplacing(path, &error)) {
    ReportOpenFailure(path, error);
    return false;
  }
  recent_->Add(path);
  // Every format we read is y up (glTF says so; OBJ, PLY and STL do not
  // say): a file opens upright whatever the last one needed.
  ui->sceneView->SetZUp(false);
  ui->sceneView->FrameAll();
  return true;
}

int MainWindow::AddFiles(const QStringList& paths) {
  const std::vector<tsxSOBJ> before = document_->Objects();
  int opened = 0;
  for (const QString& path : paths) {
    const bool fresh = document_->Objects().empty() && document_->FileName().isEmpty() &&
                       !document_->IsModified();
    QString error;
    const bool ok = fresh ? document_->OpenReplacing(path, &error) : document_->Open(path, &error);
    if (!ok) {
      ReportOpenFailure(path, error);
      if (error.isEmpty()) break;  // cancelled: the rest too
      continue;
    }
    recent_->Add(path);
    ++opened;
  }
  std::vector<tsxSOBJ> added;
  for (tsxSOBJ obj : document_->Objects())
    if (std::find(before.begin(), before.end(), obj) == before.end()) added.push_back(obj);
  if (!added.empty()) ui->sceneView->FrameObjects(added);
  return opened;
}

void MainWindow::ReportOpenFailure(const QString& path, const QString& error) {
  ReportFileFailure(tr("Open"), tr("Opening %1 cancelled").arg(QFileInfo(path).fileName()), error);
}

void MainWindow::ReportFileFailure(const QString& title, const QString& cancelled, const QString& error) {
  if (error.isEmpty()) {
    statusBar()->showMessage(cancelled, 5000);
    return;
  }
  prompts_->ReportError(this, title, error);
}

void MainWindow::OpenScene() {
  const QString path = prompts_->OpenPath(this, tr("Open"), SceneFolder());
  if (!path.isEmpty()) OpenFile(path);
}

void MainWindow::AddScene() {
  const QString path = prompts_->OpenPath(this, tr("Add from File"), SceneFolder());
  if (!path.isEmpty()) AddFiles({path});
}

bool MainWindow::SaveTo(const QString& path) {
  QString error;
  if (!document_->Save(path, document_->Objects(), &error)) {
    ReportFileFailure(tr("Save"), tr("Saving %1 cancelled: the file is as it was").arg(QFileInfo(path).fileName()),
                      error);
    return false;
  }
  document_->MarkSaved(path);
  recent_->Add(path);
  statusBar()->showMessage(tr("Saved %1").arg(path), 5000);
  return true;
}

bool MainWindow::SaveScene() {
  if (document_->FileName().isEmpty()) return SaveSceneAs();
  return SaveTo(document_->FileName());
}

bool MainWindow::SaveSceneAs() {
  const QString path = WithSceneExtension(prompts_->SavePath(this, tr("Save As"), SceneFolder()));
  return !path.isEmpty() && SaveTo(path);
}

void MainWindow::ExportSelected() {
  const tsxSOBJ obj = document_->Selection();
  if (!obj) {
    prompts_->ReportError(this, tr("Export Selected"), tr("No object is selected."));
    return;
  }
  const QString path = WithSceneExtension(prompts_->SavePath(this, tr("Export Selected"), SceneFolder()));
  if (path.isEmpty()) return;
  if (document_->OpenedFrom(path) &&
      !prompts_->Confirm(this, tr("Export Selected"),
                         tr("%1 was opened into this scene. Writing only the selected object over it "
                            "loses its other objects. Overwrite it?")
                             .arg(path))) {
    return;
  }
  QString error;
  if (!document_->Save(path, {obj}, &error)) {
    ReportFileFailure(tr("Export Selected"),
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
  AddFiles(paths);
}

}  // namespace hostapp
