// The host's main view: the 3D view with the object list (a check box
// shows or hides each object), the placement panel, the File, Edit and
// View menus, the tool bar with the select tool and the plug-in's button,
// and the status bar with the selected object's counts.
#pragma once

#include <QMainWindow>

#include <memory>

#include "apps/tsxhost/TransformMath.h"
#include "interface/tsxapi.h"

namespace Ui {
class MainWindow;
}
class QAction;
class QLabel;
class QListWidgetItem;
class QListWidget;
class QToolButton;

namespace hostapp {

class ElidedLabel;
class JoinReportPresenter;
class HostPrompts;
class PluginModule;
class RecentFiles;
class SceneDocument;
class SceneView;
class TransformPanel;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // `plugin` may hold no module; the window then has no plug-in button.
  MainWindow(PluginModule* plugin, SceneDocument* document, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Reachable for tests and for the program's start-up.
  QToolButton* PluginButton() const { return pluginButton_; }
  QAction* SelectTool() const;
  SceneView* View() const;
  QListWidget* ObjectList() const;
  TransformPanel* Panel() const;

  RecentFiles* Recent() const { return recent_; }
  ElidedLabel* CountsLabel() const { return counts_; }
  // Not owned; the modal dialogs unless set.
  void SetPrompts(HostPrompts* prompts);

  void DeleteSelected();
  void PlaceSelected(const PlacementEdit& edit);

  // File commands without their file choosers. Each that would throw away
  // unsaved changes asks first; false when refused or cancelled.
  bool NewScene();
  bool OpenFile(const QString& path);
  // Adds the files' objects (undoably) and frames them; a file that cannot
  // be read is reported and the others still open. Into an empty, unnamed
  // scene the first file opens as the scene's file.
  int AddFiles(const QStringList& paths);
  bool SaveTo(const QString& path);
  // Save, Discard or Cancel when the scene has unsaved changes; true when
  // the scene may be thrown away.
  bool MayDiscardScene();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void AddPluginTool();
  void ActivatePlugin();
  void PluginRightClick();
  void SelectToolChosen();
  void ConnectFileActions();
  void AddHistoryActions();
  void AddViewActions();
  void OpenScene();
  // An error box, or a word in the status bar when the user cancelled.
  void ReportOpenFailure(const QString& path, const QString& error);
  void ReportFileFailure(const QString& title, const QString& cancelled, const QString& error);
  void AddScene();
  bool SaveScene();
  bool SaveSceneAs();
  void ExportSelected();
  void RefreshList();
  void ShowSelection(tsxSOBJ obj);
  void ShowCounts();
  void UpdateTitle();
  void ListSelectionChanged();
  void ListItemChanged(QListWidgetItem* item);
  void PluginIdle();
  // The folder the file choosers start in: the current scene's.
  QString SceneFolder() const;

  std::unique_ptr<Ui::MainWindow> ui;
  PluginModule* plugin_;
  SceneDocument* document_;
  QToolButton* pluginButton_ = nullptr;
  QAction* pluginAction_ = nullptr;
  bool pluginActive_ = false;
  bool closePending_ = false;
  JoinReportPresenter* joinReports_ = nullptr;
  double joinAccuracy_ = 0;  // the host's own joins' accuracy, and its reading of the plug-in's
  HostPrompts* prompts_;
  RecentFiles* recent_ = nullptr;
  ElidedLabel* counts_ = nullptr;
};

}  // namespace hostapp
