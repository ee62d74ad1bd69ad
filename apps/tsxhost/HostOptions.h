// The program's settings: defaults, then the command line.
#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

namespace hostapp {

struct HostOptions {
  QString module;            // plug-in module to load; empty: none
  QStringList scenes;        // OBJ files to open at start
  QString render;            // --render: the scene to draw headless
  QString out;               // --out: the picture to write
  QSize size{800, 600};      // --size
  QString select;            // --select: object to select (and highlight)
  bool noPlugin = false;     // --no-plugin
  bool zUp = false;          // --z-up
  bool edges = true;         // not --no-edges
  // --resources-anywhere: glTF buffers and images and OBJ material
  // libraries may lie outside the scene's folder.
  bool resourcesAnywhere = false;
};

// The module to load when none is named: beside the program, else where
// the install tree puts it, else the one built with the program.
QString DefaultModulePath();

// Fills `options` from the arguments (argv[0] first). False with *error set
// for bad usage; *exitNow is set when --help or --version was answered.
bool ParseHostOptions(const QStringList& arguments, HostOptions* options,
                      QString* error, bool* exitNow);

}  // namespace hostapp
