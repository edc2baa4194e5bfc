// Points and frames live in common/points.h, below every subsystem.
#pragma once

#include "common/points.h"
