#include "platform/clock.h"

#include <time.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>

namespace plat {

namespace {

constexpr int64_t kTicksPerSecond = 10000000;
constexpr int64_t kTicksPerDay = kTicksPerSecond * 86400;
// Days from 1601-01-01 to 1970-01-01.
constexpr int64_t kEpochDays = 134774;

struct ClockState {
  std::mutex lock;
  ClockProc clock = nullptr;
  void* clockContext = nullptr;
  SleepProc sleep = nullptr;
  void* sleepContext = nullptr;
  ClockReading fixed = {0, 0};
};

ClockState& State() {
  static ClockState state;
  return state;
}

ClockReading FixedClock(void* context) { return *static_cast<ClockReading*>(context); }

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t* y, unsigned* m, unsigned* d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = static_cast<int64_t>(yoe) + era * 400 + (*m <= 2);
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

void TicksToSystemTime(int64_t ticks, SYSTEMTIME* st) {
  int64_t days = ticks / kTicksPerDay;
  int64_t rest = ticks % kTicksPerDay;
  int64_t y;
  unsigned m, d;
  CivilFromDays(days - kEpochDays, &y, &m, &d);
  st->wYear = static_cast<WORD>(y);
  st->wMonth = static_cast<WORD>(m);
  st->wDay = static_cast<WORD>(d);
  st->wDayOfWeek = static_cast<WORD>((days + 1) % 7);  // 1601-01-01 was a Monday
  int64_t ms = rest / 10000;
  st->wHour = static_cast<WORD>(ms / 3600000);
  st->wMinute = static_cast<WORD>(ms / 60000 % 60);
  st->wSecond = static_cast<WORD>(ms / 1000 % 60);
  st->wMilliseconds = static_cast<WORD>(ms % 1000);
}

bool ValidDate(const SYSTEMTIME& t) {
  return t.wYear >= 1601 && t.wYear <= 30827 && t.wMonth >= 1 && t.wMonth <= 12 && t.wDay >= 1 &&
         t.wDay <= DaysInMonth(t.wYear, t.wMonth);
}

bool ValidTime(const SYSTEMTIME& t) {
  return t.wHour < 24 && t.wMinute < 60 && t.wSecond < 60 && t.wMilliseconds < 1000;
}

const char* const kDayNames[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                  "Thursday", "Friday", "Saturday"};
const char* const kMonthNames[12] = {"January", "February", "March",     "April",
                                     "May",     "June",     "July",      "August",
                                     "September", "October", "November", "December"};

void AppendNumber(std::string* out, int value, int digits) {
  char text[16];
  int n = 0;
  unsigned v = static_cast<unsigned>(value < 0 ? -value : value);
  do {
    text[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v);
  while (n < digits) text[n++] = '0';
  while (n) out->push_back(text[--n]);
}

// Expands a picture; `letters` are the picture letters of this kind.
std::string Expand(const char* picture, const SYSTEMTIME& t, bool date, DWORD flags) {
  std::string out;
  const char* p = picture;
  while (*p) {
    char c = *p;
    if (c == '\'') {
      ++p;
      while (*p) {
        if (*p == '\'') {
          if (p[1] == '\'') {
            out.push_back('\'');
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        out.push_back(*p++);
      }
      continue;
    }
    int run = 1;
    while (p[run] == c) ++run;
    bool used = true;
    if (date) {
      switch (c) {
        case 'd':
          if (run == 1) AppendNumber(&out, t.wDay, 1);
          else if (run == 2) AppendNumber(&out, t.wDay, 2);
          else if (run == 3) out.append(kDayNames[t.wDayOfWeek % 7], 3);
          else out.append(kDayNames[t.wDayOfWeek % 7]);
          break;
        case 'M':
          if (run == 1) AppendNumber(&out, t.wMonth, 1);
          else if (run == 2) AppendNumber(&out, t.wMonth, 2);
          else if (run == 3) out.append(kMonthNames[t.wMonth - 1], 3);
          else out.append(kMonthNames[t.wMonth - 1]);
          break;
        case 'y':
          if (run == 1) AppendNumber(&out, t.wYear % 100, 1);
          else if (run == 2) AppendNumber(&out, t.wYear % 100, 2);
          else AppendNumber(&out, t.wYear, 1);
          break;
        default:
          used = false;
      }
    } else {
      int hour12 = t.wHour % 12 == 0 ? 12 : t.wHour % 12;
      switch (c) {
        case 'h':
          AppendNumber(&out, (flags & TIME_FORCE24HOURFORMAT) ? t.wHour : hour12, run >= 2 ? 2 : 1);
          break;
        case 'H':
          AppendNumber(&out, t.wHour, run >= 2 ? 2 : 1);
          break;
        case 'm':
          AppendNumber(&out, t.wMinute, run >= 2 ? 2 : 1);
          break;
        case 's':
          AppendNumber(&out, t.wSecond, run >= 2 ? 2 : 1);
          break;
        case 't':
          if (!(flags & TIME_NOTIMEMARKER)) {
            const char* marker = t.wHour < 12 ? "AM" : "PM";
            out.append(marker, run >= 2 ? 2 : 1);
          }
          break;
        default:
          used = false;
      }
    }
    if (!used) {
      out.append(p, static_cast<size_t>(run));
    }
    p += run;
  }
  return out;
}

int Deliver(const std::string& text, char* buffer, int size) {
  int needed = static_cast<int>(text.size()) + 1;
  if (size == 0) return needed;
  if (!buffer || size < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(buffer, text.c_str(), static_cast<size_t>(needed));
  return needed;
}

}  // namespace

ClockProc SetClock(ClockProc proc, void* context) {
  ClockState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  ClockProc old = s.clock;
  s.clock = proc;
  s.clockContext = context;
  return old;
}

void SetFixedClock(const SYSTEMTIME& local, int32_t offsetMinutes) {
  FILETIME ft;
  SYSTEMTIME t = local;
  if (!SystemTimeToFileTime(&t, &ft)) return;
  ClockState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  int64_t ticks = static_cast<int64_t>((uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
  s.fixed = ClockReading{ticks - int64_t(offsetMinutes) * 60 * kTicksPerSecond, offsetMinutes};
  s.clock = FixedClock;
  s.clockContext = &s.fixed;
}

ClockReading ReadClock() {
  ClockProc proc;
  void* context;
  {
    ClockState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    proc = s.clock;
    context = s.clockContext;
  }
  if (proc) return proc(context);
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  struct tm local;
  time_t now = ts.tv_sec;
  localtime_r(&now, &local);
  ClockReading r;
  r.utc = (static_cast<int64_t>(ts.tv_sec) + kEpochDays * 86400) * kTicksPerSecond + ts.tv_nsec / 100;
  r.localOffsetMinutes = static_cast<int32_t>(local.tm_gmtoff / 60);
  return r;
}

void GetSystemTime(SYSTEMTIME* time) {
  if (!time) return;
  TicksToSystemTime(ReadClock().utc, time);
}

void GetLocalTime(SYSTEMTIME* time) {
  if (!time) return;
  ClockReading r = ReadClock();
  TicksToSystemTime(r.utc + int64_t(r.localOffsetMinutes) * 60 * kTicksPerSecond, time);
}

void GetSystemTimeAsFileTime(FILETIME* time) {
  if (!time) return;
  uint64_t v = static_cast<uint64_t>(ReadClock().utc);
  time->dwLowDateTime = static_cast<DWORD>(v);
  time->dwHighDateTime = static_cast<DWORD>(v >> 32);
}

DWORD GetTickCount() {
  bool hooked;
  {
    ClockState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    hooked = s.clock != nullptr;
  }
  if (hooked) return static_cast<DWORD>(ReadClock().utc / 10000);
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<DWORD>(static_cast<uint64_t>(ts.tv_sec) * 1000 +
                            static_cast<uint64_t>(ts.tv_nsec) / 1000000);
}

BOOL FileTimeToSystemTime(const FILETIME* file, SYSTEMTIME* system) {
  if (!file || !system) return Fail(ERROR_INVALID_PARAMETER);
  uint64_t v = (uint64_t(file->dwHighDateTime) << 32) | file->dwLowDateTime;
  if (v >= 0x8000000000000000ull) return Fail(ERROR_INVALID_PARAMETER);
  TicksToSystemTime(static_cast<int64_t>(v), system);
  return TRUE;
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* system, FILETIME* file) {
  if (!system || !file) return Fail(ERROR_INVALID_PARAMETER);
  if (!ValidDate(*system) || !ValidTime(*system)) return Fail(ERROR_INVALID_PARAMETER);
  int64_t days = DaysFromCivil(system->wYear, system->wMonth, system->wDay) + kEpochDays;
  int64_t ticks = days * kTicksPerDay +
                  ((int64_t(system->wHour) * 60 + system->wMinute) * 60 + system->wSecond) *
                      kTicksPerSecond +
                  int64_t(system->wMilliseconds) * 10000;
  file->dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks));
  file->dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32);
  return TRUE;
}

SleepProc SetSleepHook(SleepProc proc, void* context) {
  ClockState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  SleepProc old = s.sleep;
  s.sleep = proc;
  s.sleepContext = context;
  return old;
}

void Sleep(DWORD milliseconds) {
  SleepProc proc;
  void* context;
  {
    ClockState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    proc = s.sleep;
    context = s.sleepContext;
  }
  if (proc) {
    proc(milliseconds, context);
    return;
  }
  struct timespec ts;
  ts.tv_sec = milliseconds / 1000;
  ts.tv_nsec = static_cast<int32_t>(milliseconds % 1000) * 1000000;
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

int GetDateFormatA(LCID /*locale*/, DWORD flags, const SYSTEMTIME* date, const char* picture,
                   char* buffer, int size) {
  if (size < 0 || (size > 0 && !buffer)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  SYSTEMTIME t;
  if (date) {
    t = *date;
    if (!ValidDate(t)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    // The day of the week follows from the date, whatever the record says.
    int64_t days = DaysFromCivil(t.wYear, t.wMonth, t.wDay);
    t.wDayOfWeek = static_cast<WORD>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
  } else {
    GetLocalTime(&t);
  }
  if (!picture) picture = (flags & DATE_LONGDATE) ? "d MMMM yyyy" : "dd/MM/yyyy";
  return Deliver(Expand(picture, t, true, flags), buffer, size);
}

int GetTimeFormatA(LCID /*locale*/, DWORD flags, const SYSTEMTIME* time, const char* picture,
                   char* buffer, int size) {
  if (size < 0 || (size > 0 && !buffer)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  SYSTEMTIME t;
  if (time) {
    t = *time;
    if (!ValidTime(t)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
  } else {
    GetLocalTime(&t);
  }
  if (!picture) {
    picture = (flags & TIME_NOMINUTESORSECONDS) ? "HH"
              : (flags & TIME_NOSECONDS)        ? "HH:mm"
                                                : "HH:mm:ss";
  }
  return Deliver(Expand(picture, t, false, flags), buffer, size);
}

}  // namespace plat
