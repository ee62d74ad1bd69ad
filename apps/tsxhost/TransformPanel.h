// The numeric panel that moves, turns and scales the selected object.
#pragma once

#include <QWidget>

#include <memory>

#include "apps/tsxhost/TransformMath.h"

namespace Ui {
class TransformPanel;
}

class TransformPanel : public QWidget {
  Q_OBJECT

 public:
  explicit TransformPanel(QWidget* parent = nullptr);
  ~TransformPanel() override;

  PlacementEdit edit() const;
  void setEdit(const PlacementEdit& edit);

 signals:
  void applyRequested(const PlacementEdit& edit);

 private:
  std::unique_ptr<Ui::TransformPanel> ui;
};
