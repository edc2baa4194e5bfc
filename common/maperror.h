// The error reporter of an open map: its last error code, its messages to
// the user and to the owner window, and the map's text log.
//
// The log is a text file in code page 1251, shared by every process that has
// the map open and written only at its end. Each entry is appended under a
// lock of bytes 0-31 so that entries of different writers never interleave.
#pragma once

#include "platform/export.h"
#include "platform/win_types.h"

// Kinds of log entries.
enum : int {
  MAPLOG_REMARK = 0,    // "\n     " before the text
  MAPLOG_ERROR = 1,     // "\n>>>> " before the text; the log is committed
  MAPLOG_CONTINUE = 4,  // no prefix: continues the previous entry
};

// Tries and pause of the log lock.
enum : int { MAPLOG_LOCK_TRIES = 10, MAPLOG_LOCK_PAUSE = 100 };

// Pictures of the stamps of the open and close lines.
#define MAPLOG_DATE_PICTURE "dd'/'MM'/'yyyy  "
#define MAPLOG_TIME_PICTURE "HH':'mm':'ss"

class TMapError {
 public:
  TMapError() = default;
  // Closes an open log without a line.
  ~TMapError();
  TMapError(const TMapError&) = delete;
  TMapError& operator=(const TMapError&) = delete;

  // Opens (or creates) the log and moves to its end; with writeLine the
  // open line is written. 1 only when the open line was written.
  int Open(const char* name, int writeLine);
  // With writeLine and an open log writes the close line; closes the log
  // and keeps its name. Always 0.
  int Close(int writeLine);
  // Closes and reopens the log by its name so that everything written is on
  // disk; 1 when the log is open afterwards.
  int Commit();
  // Appends an entry of the given kind; 1 when it was written.
  int WriteToLog(const char* text, int kind);
  // Keeps the code; a code other than 0 is shown (while messages are on),
  // sent as message 1415 to the host message window and to the owner
  // window, and written to the log.
  void ErrorMessage(int code, const char* name);
  // The library language (2 Russian, else English).
  int LanguageCode();
  // Message 1415 with the given parameters to the owner window; 0 without
  // one.
  LRESULT SendMessageA(LONG wParam, LONG lParam);

  int Error() const { return error_; }
  void SetError(int code) { error_ = code; }
  HWND Owner() const { return owner_; }
  void SetOwner(HWND window) { owner_ = window; }
  bool IsOpen() const { return log_ != nullptr; }
  const char* LogName() const { return name_; }

 private:
  void WriteStampLine(const char* title);

  int error_ = 0;
  HANDLE log_ = nullptr;
  char name_[MAX_PATH] = {};
  HWND owner_ = nullptr;
};

// The current local time as "HH':'mm':'ss"; the picture function's result.
int MapTimeText(char* buffer, int size);
