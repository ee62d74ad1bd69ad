// The questions and reports of the host's main window: the unsaved-changes
// question, error reports and the file choosers. Tests install their own
// answers instead of modal dialogs.
#pragma once

#include <QString>

class QWidget;

namespace hostapp {

class HostPrompts {
 public:
  enum class Unsaved { Save, Discard, Cancel };

  virtual ~HostPrompts() = default;
  // Whether to save the scene `name` before it is thrown away.
  virtual Unsaved AskUnsaved(QWidget* parent, const QString& name) = 0;
  virtual void ReportError(QWidget* parent, const QString& title, const QString& text) = 0;
  // A yes/no question; true for yes.
  virtual bool Confirm(QWidget* parent, const QString& title, const QString& text) = 0;
  // Empty when the user cancels.
  virtual QString OpenPath(QWidget* parent, const QString& title, const QString& folder) = 0;
  virtual QString SavePath(QWidget* parent, const QString& title, const QString& folder) = 0;
};

// Modal message boxes and file dialogs.
HostPrompts& DialogPrompts();

// A file name typed without an extension gets the chosen filter's first
// one (".obj" for every scene format or for all files); any other name
// stays as it is.
QString WithSceneExtension(const QString& path, const QString& filter = QString());

}  // namespace hostapp
