// File ▸ Open Recent: the last files opened or saved, newest first, kept
// in the program's settings.
#pragma once

#include <QObject>
#include <QStringList>

class QMenu;

namespace hostapp {

class RecentFiles : public QObject {
  Q_OBJECT

 public:
  static constexpr int kMax = 8;

  // Fills `menu` now and whenever the list changes.
  explicit RecentFiles(QMenu* menu, QObject* parent = nullptr);

  QStringList Files() const;
  void Add(const QString& path);

 signals:
  void Chosen(const QString& path);

 private:
  void FillMenu();

  QMenu* menu_;
};

}  // namespace hostapp
