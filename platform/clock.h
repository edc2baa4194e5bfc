// Time: the system clock, sleeping, and date and time pictures.
//
// The clock and Sleep go through hooks that tests set: a fixed clock makes
// log stamps predictable, and a sleep hook that returns at once lets an
// operation that retries a lock thousands of times, a second apart, fail
// without waiting.
#pragma once

#include "platform/system.h"

// Flags of the picture functions.
enum : DWORD {
  TIME_NOMINUTESORSECONDS = 0x1,
  TIME_NOSECONDS = 0x2,
  TIME_NOTIMEMARKER = 0x4,
  TIME_FORCE24HOURFORMAT = 0x8,
  DATE_SHORTDATE = 0x1,
  DATE_LONGDATE = 0x2,
};
// Locales: the pictures never depend on the host's locale, so these are
// accepted and ignored.
enum : DWORD {
  LOCALE_SYSTEM_DEFAULT = 0x800,
  LOCALE_USER_DEFAULT = 0x400,
};
typedef DWORD LCID;

namespace plat {

// A reading of the clock: UTC as 100-ns intervals since 1601-01-01, and the
// offset of local time from UTC in minutes (east positive).
struct ClockReading {
  int64_t utc;
  int32_t localOffsetMinutes;
};
typedef ClockReading (*ClockProc)(void* context);

// Replaces the system clock (null restores it). Returns the previous hook.
ClockProc SetClock(ClockProc proc, void* context);
// A clock standing still at the given local time, `offsetMinutes` ahead of
// UTC. SetClock(nullptr, nullptr) releases it.
void SetFixedClock(const SYSTEMTIME& local, int32_t offsetMinutes = 0);

// The clock's current reading.
ClockReading ReadClock();

void GetSystemTime(SYSTEMTIME* time);
void GetLocalTime(SYSTEMTIME* time);
void GetSystemTimeAsFileTime(FILETIME* time);
// Milliseconds since an arbitrary start, wrapping at 2^32; follows the hooked
// clock when one is set.
DWORD GetTickCount();

BOOL FileTimeToSystemTime(const FILETIME* file, SYSTEMTIME* system);
BOOL SystemTimeToFileTime(const SYSTEMTIME* system, FILETIME* file);

// Sleeping: a hook (null: really sleep) receives every Sleep call.
typedef void (*SleepProc)(DWORD milliseconds, void* context);
SleepProc SetSleepHook(SleepProc proc, void* context);
void Sleep(DWORD milliseconds);

// Date and time pictures. `time` null means the current local time. In a
// picture, text in single quotes is copied as it is (two quotes inside make
// one quote); date pictures know d, dd, ddd, dddd, M, MM, MMM, MMMM, y, yy,
// yyyy; time pictures h, hh, H, HH, m, mm, s, ss, t, tt. Other characters
// are copied. A null picture gives "dd/MM/yyyy" (DATE_LONGDATE: "d MMMM
// yyyy") or "HH:mm:ss". Names of days and months are English. Returns the
// number of characters written with the terminating zero; with `size` 0 the
// number needed; 0 with ERROR_INSUFFICIENT_BUFFER when the buffer is too
// small, ERROR_INVALID_PARAMETER for an invalid date or time.
int GetDateFormatA(LCID locale, DWORD flags, const SYSTEMTIME* date, const char* picture,
                   char* buffer, int size);
int GetTimeFormatA(LCID locale, DWORD flags, const SYSTEMTIME* time, const char* picture,
                   char* buffer, int size);

}  // namespace plat
