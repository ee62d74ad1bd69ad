// The engine reaching into the host: refused.
#pragma once
#include "host/scene/Scene.h"
#include "interface/tsxapi.h"
