// Shared pieces of the host program's tests.
#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>

#include <ostream>
#include <string>

#include "host/obj/ObjFile.h"
#include "host/scene/Scene.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

// Settings (recent files, the view's up axis) go to `folder`, never to
// the user's.
inline void UseSettingsIn(const QString& folder) {
  QCoreApplication::setOrganizationName(QStringLiteral("splicer-tests"));
  QCoreApplication::setApplicationName(QStringLiteral("tsxhost-tests"));
  QSettings::setDefaultFormat(QSettings::IniFormat);
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
}

// Two unit boxes touching face to face at x = 1:
//
//   y
//   +-------+-------+
//   | Left  | Right |
//   +-------+-------+-- x
//   0       1       2
inline std::string TwoBoxesObj() {
  QFile file(QStringLiteral(APP_TEST_DATA "/boxes.obj"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll().toStdString();
}

inline void LoadTwoBoxes() {
  tsxhost::LoadObjText(TwoBoxesObj(), APP_TEST_DATA "/boxes.obj");
}

// The fake module's call log, kept in a temporary file per test.
class FakeModuleLog {
 public:
  FakeModuleLog() { qputenv("FAKE_MODULE_LOG", path().toLocal8Bit()); }
  ~FakeModuleLog() { qunsetenv("FAKE_MODULE_LOG"); }
  QString path() const { return dir_.filePath("calls.log"); }
  QStringList lines() const {
    QFile f(path());
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
  }

 private:
  QTemporaryDir dir_;
};

// A reader process that never answers, in place of the real one.
class HangingReader {
 public:
  HangingReader() {
    QFile script(dir_.filePath("reader.sh"));
    script.open(QIODevice::WriteOnly);
    script.write("#!/bin/sh\nexec sleep 60\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    qputenv("SPLICER_ASSET_READER", QFile::encodeName(script.fileName()));
  }
  ~HangingReader() { qunsetenv("SPLICER_ASSET_READER"); }

 private:
  QTemporaryDir dir_;
};

template <typename W = QWidget>
W* FindInWindows(const QString& name) {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (top->objectName() == name)
      if (auto* w = qobject_cast<W*>(top)) return w;
    if (auto* w = top->findChild<W*>(name)) return w;
  }
  return nullptr;
}
