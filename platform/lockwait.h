// Taking a byte-range lock that another handle may hold for a while: the
// lock is tried again after a pause (through plat::Sleep, which tests
// hook) as long as another holder is the reason it is refused.
#pragma once

#include "platform/win_types.h"

namespace plat {

// Locks `length` bytes from `offset` (LockFile), trying at most `tries`
// times, `pause` milliseconds apart, while the answer is
// ERROR_LOCK_VIOLATION; any other refusal answers at once, and no pause
// follows the last try. TRUE, or FALSE with the last error of the last try.
// With `shared`, a shared lock (LockFileShared).
BOOL LockFileWaiting(HANDLE handle, DWORD offset, DWORD length, DWORD tries, DWORD pause,
                     bool shared = false);

}  // namespace plat
