// Error codes of the library. 0 means no error. Every failing object keeps
// the code of its last failure; ErrorMessage turns a code into its text.
#pragma once

#include "types/maperr.h"
#include "platform/win_types.h"
