// A message presenter for tests: records each box instead of opening it.
#pragma once

#include <QString>
#include <functional>
#include <ostream>
#include <vector>

#include "ui/MessagePresenter.h"

namespace spl::testing {

struct RecordedBox {
  BoxType type;
  QString title;
  QString text;
  QWidget* owner = nullptr;
};

class RecordingPresenter : public TMessagePresenter {
 public:
  RecordingPresenter() { SetMessagePresenter(this); }
  ~RecordingPresenter() override { SetMessagePresenter(nullptr); }
  RecordingPresenter(const RecordingPresenter&) = delete;
  RecordingPresenter& operator=(const RecordingPresenter&) = delete;

  void Show(BoxType type, const QString& title, const QString& text,
            QWidget* owner) override {
    boxes.push_back({type, title, text, owner});
    if (onShow) onShow(boxes.back());
  }

  std::vector<QString> Texts() const {
    std::vector<QString> texts;
    for (const RecordedBox& box : boxes) texts.push_back(box.text);
    return texts;
  }

  std::vector<RecordedBox> boxes;
  // Runs while the box would be open, e.g. to look at the window then.
  std::function<void(const RecordedBox&)> onShow;
};

}  // namespace spl::testing

// Readable QStrings in test failures.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
