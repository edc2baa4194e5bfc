#include "common/maperror.h"

#include <cstring>

#include "common/language.h"
#include "common/messages.h"
#include "platform/system.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "platform/ui.h"

namespace {

const char kRemarkPrefix[] = "\n     ";
const char kErrorPrefix[] = "\n>>>> ";

}  // namespace

TMapError::~TMapError() { Close(0); }

int TMapError::LanguageCode() { return LanguageGet(); }

int TMapError::Open(const char* name, int writeLine) {
  Close(0);
  if (name == nullptr) return 0;
  // The kept name must be the name opened, so that Commit reopens the same
  // file: a name that does not fit is refused.
  const size_t length = std::strlen(name);
  if (length >= sizeof(name_)) return 0;
  char copy[MAX_PATH];
  std::memcpy(copy, name, length + 1);  // the name may be our own buffer

  HANDLE file = plat::CreateFileA(copy, GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_FLAG_WRITE_THROUGH, nullptr);
  if (file == INVALID_HANDLE_VALUE || file == nullptr) return 0;
  log_ = file;
  std::memcpy(name_, copy, length + 1);
  plat::SetFilePointer(log_, 0, nullptr, FILE_END);

  if (writeLine == 0) return 0;
  WriteStampLine(LanguageCode() == MAPLANG_RUSSIAN ? "КАРТА ОТКРЫТА. " : "OPEN MAP. ");
  return 1;
}

int TMapError::Close(int writeLine) {
  if (log_ == nullptr) return 0;
  if (writeLine)
    WriteStampLine(LanguageCode() == MAPLANG_RUSSIAN ? "КАРТА ЗАКРЫТА.  " : "CLOSE MAP.   ");
  plat::CloseHandle(log_);
  log_ = nullptr;
  return 0;
}

int TMapError::Commit() {
  if (log_ == nullptr) return 0;
  Close(0);
  Open(name_, 0);
  return log_ != nullptr ? 1 : 0;
}

void TMapError::WriteStampLine(const char* title) {
  char line[128];
  const size_t titleLength = std::strlen(title);
  std::memcpy(line, title, titleLength);
  char* p = line + titleLength;
  const int room = static_cast<int>(sizeof(line) - titleLength);
  SYSTEMTIME now;
  plat::GetLocalTime(&now);
  int n = plat::GetDateFormatA(LOCALE_USER_DEFAULT, 0, &now, MAPLOG_DATE_PICTURE, p, room);
  if (n > 0) p += n - 1;
  n = plat::GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &now, MAPLOG_TIME_PICTURE, p,
                           static_cast<int>(line + sizeof(line) - p));
  if (n <= 0) *p = 0;
  WriteToLog(line, MAPLOG_REMARK);
}

int TMapError::WriteToLog(const char* text, int kind) {
  if (log_ == nullptr || text == nullptr) return 0;

  // Lock the head of the file while appending; after the last try the entry
  // is written without the lock rather than lost.
  bool locked = false;
  for (int i = 0; i < MAPLOG_LOCK_TRIES; ++i) {
    if (plat::LockFile(log_, 0, 0, 32, 0)) {
      locked = true;
      break;
    }
    if (plat::GetLastError() != ERROR_LOCK_VIOLATION) break;
    plat::Sleep(MAPLOG_LOCK_PAUSE);
  }

  plat::SetFilePointer(log_, 0, nullptr, FILE_END);
  int result = 1;
  const char* prefix = nullptr;
  if (kind == MAPLOG_ERROR)
    prefix = kErrorPrefix;
  else if (kind != MAPLOG_CONTINUE)
    prefix = kRemarkPrefix;
  if (prefix) {
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(std::strlen(prefix));
    if (!plat::WriteFile(log_, prefix, size, &written, nullptr) || written != size) result = 0;
  }
  if (result) {
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(std::strlen(text));
    if (size) plat::WriteFile(log_, text, size, &written, nullptr);
  }

  if (locked) plat::UnlockFile(log_, 0, 0, 32, 0);
  if (result && kind == MAPLOG_ERROR) Commit();
  return result;
}

void TMapError::ErrorMessage(int code, const char* name) {
  error_ = code;
  if (code == 0) return;
  ShowErrorMessageEx(nullptr, code, name);
  // The message itself has sent the code to the host message window.
  if (owner_ != MessageWindowGet()) SendMessageA(code, 0);
  WriteToLog(LastMessageText(), MAPLOG_ERROR);
}

LRESULT TMapError::SendMessageA(LONG wParam, LONG lParam) {
  if (owner_ == nullptr) return 0;
  return plat::SendMessageA(owner_, WM_MAP_ERROR,
                            static_cast<WPARAM>(static_cast<intptr_t>(wParam)), lParam);
}

int MapTimeText(char* buffer, int size) {
  if (buffer == nullptr && size != 0) return 0;
  return plat::GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, MAPLOG_TIME_PICTURE, buffer, size);
}
