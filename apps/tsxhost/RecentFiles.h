// File ▸ Open Recent: the last files opened or saved, newest first, kept
// in the program's settings.
#pragma once

#include <QObject>
#include <QStringList>

class QMenu;

class RecentFiles : public QObject {
  Q_OBJECT

 public:
  static constexpr int kMax = 8;

  // Fills `menu` now and whenever the list changes.
  explicit RecentFiles(QMenu* menu, QObject* parent = nullptr);

  QStringList files() const;
  void add(const QString& path);

 signals:
  void chosen(const QString& path);

 private:
  void fillMenu();

  QMenu* menu_;
};
