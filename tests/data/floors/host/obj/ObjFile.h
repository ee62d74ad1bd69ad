// An installed header in its installed spelling: accepted.
#pragma once
#include "tsxhost/Scene.h"
