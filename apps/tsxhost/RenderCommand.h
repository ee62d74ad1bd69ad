// `tsxhost --render`: draw a scene into a picture without a window.
#pragma once

#include "apps/tsxhost/HostOptions.h"

namespace hostapp {

// Exit status: 0 written, 3 the scene or the selection is refused, 4 the
// picture cannot be written. Messages go to stderr as "error: ...".
int RunRender(const HostOptions& options);

}  // namespace hostapp
