#include "apps/tsxhost/TransformPanel.h"

#include <QPushButton>

#include "ui_TransformPanel.h"

namespace hostapp {

TransformPanel::TransformPanel(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::TransformPanel>()) {
  ui->setupUi(this);
  connect(ui->applyButton, &QPushButton::clicked, this,
          [this] { emit ApplyRequested(Edit()); });
}

TransformPanel::~TransformPanel() = default;

PlacementEdit TransformPanel::Edit() const {
  PlacementEdit e;
  e.move = {float(ui->moveX->value()), float(ui->moveY->value()), float(ui->moveZ->value())};
  e.turn = {float(ui->turnX->value()), float(ui->turnY->value()), float(ui->turnZ->value())};
  e.scale = float(ui->scale->value());
  return e;
}

void TransformPanel::SetEdit(const PlacementEdit& e) {
  ui->moveX->setValue(e.move.x);
  ui->moveY->setValue(e.move.y);
  ui->moveZ->setValue(e.move.z);
  ui->turnX->setValue(e.turn.x);
  ui->turnY->setValue(e.turn.y);
  ui->turnZ->setValue(e.turn.z);
  ui->scale->setValue(e.scale);
}

}  // namespace hostapp
