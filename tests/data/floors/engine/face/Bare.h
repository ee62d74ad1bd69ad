// A bare name from the engine: refused.
#pragma once
#include "Errors.h"
#include "engine/common/Errors.h"
