// A stand-in plug-in module for the host program's tests. It writes every
// entry-point call to the file named by FAKE_MODULE_LOG, and its window's
// "join" button reads the selected object while letting the host's events
// run, as a real join's progress reports do.
#include <QApplication>
#include <QPointer>
#include <QPushButton>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "interface/tsxapi.h"

namespace {

void Log(const char* line) {
  const char* path = std::getenv("FAKE_MODULE_LOG");
  if (!path) return;
  if (FILE* f = std::fopen(path, "a")) {
    std::fprintf(f, "%s\n", line);
    std::fclose(f);
  }
}

double VertexSum(tsxPOLYHEDRON p) {
  const CtsxVector3f* v = tsxPolyhGetVxArray(p);
  double sum = 0;
  for (int32_t i = 0, n = tsxPolyhGetNbrVxs(p); v && i < n; ++i) sum += v[i].x + v[i].y + v[i].z;
  return sum;
}

// Holds on to the selected object's arrays across three rounds of the
// host's events and notes whether they stayed as they were.
void BusyJoin() {
  const tsxSOBJ obj = tsxGetCurrentSelection();
  const CtsxVector3f* before = tsxPolyhGetVxArray(obj);
  const double sum = VertexSum(obj);
  CtsxTxmx3f m0{}, m1{};
  tsxPolyhGetVxTxmx(obj, &m0);
  for (int round = 0; round < 3; ++round) QCoreApplication::processEvents();
  tsxPolyhGetVxTxmx(obj, &m1);
  const bool same = before && tsxPolyhGetVxArray(obj) == before && VertexSum(obj) == sum &&
                    std::memcmp(&m0, &m1, sizeof m0) == 0;
  Log(same ? "join undisturbed" : "join disturbed");
}

QPointer<QWidget> window;

__attribute__((constructor)) void Loaded() { Log("load"); }
__attribute__((destructor)) void Unloaded() {
  Log("unload");
  delete window.data();
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) void tsxGetData(void* info, int32_t) {
  Log("getdata");
  auto* bytes = static_cast<char*>(info);
  std::strcpy(bytes, "FAKE");
  std::strcpy(bytes + 32, "Tests");
  const uint16_t ids[2] = {101, 1};
  std::memcpy(bytes + 96, ids, sizeof ids);
}

__attribute__((visibility("default"))) int32_t tsxOnLeftClick(void) {
  Log("left");
  if (!window) {
    auto* button = new QPushButton("join");
    button->setObjectName("fakeJoin");
    QObject::connect(button, &QPushButton::clicked, [] { BusyJoin(); });
    window = button;
  }
  window->show();
  return 0;
}

__attribute__((visibility("default"))) void tsxDeactivate(void) {
  Log("deactivate");
  if (window) window->hide();
}

__attribute__((visibility("default"))) void tsxOnRightClick(void) { Log("right"); }

}  // extern "C"
