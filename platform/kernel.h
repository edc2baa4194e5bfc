// The kernel services of the platform layer in one include.
#pragma once

#include "platform/clock.h"
#include "platform/fault.h"
#include "platform/file.h"
#include "platform/library.h"
#include "platform/memory.h"
#include "platform/path.h"
#include "platform/profile.h"
#include "platform/system.h"
