// `tsxhost --render`: draw a scene into a picture without a window.
#pragma once

#include "apps/tsxhost/HostOptions.h"

namespace hostapp {

// Exit status: 0 written, 3 the scene or the selection is refused, 4 the
// picture cannot be written or Ctrl-C stopped the run. Messages go to
// stderr as "error: ..."; on a terminal, how far the run has got too.
int RunRender(const HostOptions& options);

}  // namespace hostapp
