#include "apps/tsxhost/JoinReportPresenter.h"

#include <QLabel>
#include <QStatusBar>

#include <algorithm>
#include <cstdio>
#include <new>

#include "apps/tsxhost/ElidedLabel.h"
#include "apps/tsxhost/JoinRecognizer.h"
#include "apps/tsxhost/SceneDocument.h"
#include "apps/tsxhost/SceneView.h"
#include "engine/common/JoinState.h"
#include "host/scene/Scene.h"
#include "session/ReportLines.h"

namespace hostapp {

JoinReportPresenter::JoinReportPresenter(SceneDocument* document, const double* accuracy, SceneView* view,
                                         QStatusBar* statusBar, QObject* parent)
    : QObject(parent), document_(document), accuracy_(accuracy), view_(view), label_(new ElidedLabel(statusBar)) {
  label_->setObjectName("joinReport");
  statusBar->addWidget(label_, 1);
  known_ = document_->Objects();
  connect(document_, &SceneDocument::SceneChanged, this, &JoinReportPresenter::SceneChanged);
}

QString JoinReportPresenter::Text() const { return label_->FullText(); }

void JoinReportPresenter::Clear() {
  shownResult_ = 0;
  label_->ClearText();
  view_->SetOutline({});
}

void JoinReportPresenter::Present(const spl::JunctionReport& report, tsxSOBJ first, tsxSOBJ second,
                                  tsxSOBJ result) {
  const std::string summary = spl::SummaryText(report, tsxhost::ObjectName(first), tsxhost::ObjectName(second));
  if (summary.empty()) return Clear();
  QString text = tr("%1: %2 vertices, %3 faces")
                     .arg(QString::fromStdString(summary))
                     .arg(tsxPolyhGetNbrVxs(result))
                     .arg(tsxPolyhGetNbrFaces(result));
  if (const auto warning = spl::WarningText(report, "Seam join joins the whole seam")) {
    text += tr(". Warning: %1").arg(QString::fromStdString(*warning));
  }
  shownResult_ = result;
  if (std::find(known_.begin(), known_.end(), result) == known_.end()) known_.push_back(result);
  label_->SetFullText(text);
  std::fprintf(stderr, "%s\n", qUtf8Printable(text));
  view_->SetOutline(report.outline);
}

void JoinReportPresenter::PresentFailure(const spl::JunctionReport& report, tsxSOBJ first, tsxSOBJ second) {
  Clear();
  const auto hint = spl::HintText(report, "an accuracy of ", "select both and use Edit > Join to join the whole contact");
  if (!hint) return;
  const QString text = tr("%1 and %2 did not join. Hint: %3")
                           .arg(QString::fromStdString(tsxhost::ObjectName(first)),
                                QString::fromStdString(tsxhost::ObjectName(second)), QString::fromStdString(*hint));
  label_->SetFullText(text);
  std::fprintf(stderr, "hint: %s\n", hint->c_str());
}

void JoinReportPresenter::SceneChanged() {
  const std::vector<tsxSOBJ> now = document_->Objects();
  std::vector<tsxSOBJ> added;
  for (tsxSOBJ obj : now) {
    if (std::find(known_.begin(), known_.end(), obj) == known_.end()) added.push_back(obj);
  }
  known_ = now;
  if (shownResult_ != 0 && !tsxhost::InScene(shownResult_)) Clear();
  for (tsxSOBJ obj : added) {
    try {
      const std::optional<RecognizedJoin> join = RecognizeJoin(obj);
      if (!join) continue;
      Present(spl::ReportJunction(join->first, join->second, join->faces, accuracy_ ? *accuracy_ : spl::kDefaultAccuracy), join->first,
              join->second, obj);
    } catch (const std::bad_alloc&) {
      label_->SetFullText(tr("No memory for the join's report"));
    }
  }
}

}  // namespace hostapp
