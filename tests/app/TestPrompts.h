// Answers for the main window's questions, and a record of what it asked
// and reported, instead of modal dialogs.
#pragma once

#include <QString>
#include <QStringList>

#include <deque>

#include "apps/tsxhost/HostPrompts.h"

namespace hostapp {

class TestPrompts : public HostPrompts {
 public:
  Unsaved AskUnsaved(QWidget*, const QString& name) override {
    asked << name;
    if (unsavedAnswers.empty()) return Unsaved::Cancel;
    const Unsaved answer = unsavedAnswers.front();
    unsavedAnswers.pop_front();
    return answer;
  }
  void ReportError(QWidget*, const QString& title, const QString& text) override {
    errors << title + ": " + text;
  }
  bool Confirm(QWidget*, const QString&, const QString& text) override {
    questions << text;
    return confirmAnswer;
  }
  QString OpenPath(QWidget*, const QString&, const QString& folder) override {
    folders << folder;
    return pathToOpen;
  }
  QString SavePath(QWidget*, const QString&, const QString& folder) override {
    folders << folder;
    return pathToSave;
  }

  std::deque<Unsaved> unsavedAnswers;  // Cancel once they run out
  bool confirmAnswer = false;
  QString pathToOpen, pathToSave;
  QStringList asked, errors, folders, questions;
};

}  // namespace hostapp
