// The numeric panel that moves, turns and scales the selected object.
#pragma once

#include <QWidget>

#include <memory>

#include "apps/tsxhost/TransformMath.h"

namespace Ui {
class TransformPanel;
}

namespace hostapp {

class TransformPanel : public QWidget {
  Q_OBJECT

 public:
  explicit TransformPanel(QWidget* parent = nullptr);
  ~TransformPanel() override;

  PlacementEdit Edit() const;
  void SetEdit(const PlacementEdit& edit);

 signals:
  void ApplyRequested(const PlacementEdit& edit);

 private:
  std::unique_ptr<Ui::TransformPanel> ui;
};

}  // namespace hostapp
