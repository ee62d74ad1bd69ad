// Answers for the main window's questions, and a record of what it asked
// and reported, instead of modal dialogs.
#pragma once

#include <QString>
#include <QStringList>

#include <deque>

#include "apps/tsxhost/HostPrompts.h"

class TestPrompts : public HostPrompts {
 public:
  Unsaved askUnsaved(QWidget*, const QString& name) override {
    asked << name;
    if (unsavedAnswers.empty()) return Unsaved::Cancel;
    const Unsaved answer = unsavedAnswers.front();
    unsavedAnswers.pop_front();
    return answer;
  }
  void reportError(QWidget*, const QString& title, const QString& text) override {
    errors << title + ": " + text;
  }
  bool confirm(QWidget*, const QString&, const QString& text) override {
    questions << text;
    return confirmAnswer;
  }
  QString openPath(QWidget*, const QString&, const QString& folder) override {
    folders << folder;
    return pathToOpen;
  }
  QString savePath(QWidget*, const QString&, const QString& folder) override {
    folders << folder;
    return pathToSave;
  }

  std::deque<Unsaved> unsavedAnswers;  // Cancel once they run out
  bool confirmAnswer = false;
  QString pathToOpen, pathToSave;
  QStringList asked, errors, folders, questions;
};
