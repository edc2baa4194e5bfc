#include "common/copyfile.h"


#include <cstring>

#include "common/maperr.h"
#include "common/messages.h"
#include "platform/system.h"
#include "platform/clock.h"
#include "platform/fileio.h"
#include "platform/memory.h"

namespace {

bool IsOpenHandle(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }

// The code of a failed write: a full disk has its own.
int WriteErrorCode() {
  return plat::GetLastError() == ERROR_DISK_FULL ? MAPERR_DISKFULL : MAPERR_WRITE;
}

// Writes all of `size` bytes; false when the write fails or falls short.
bool WriteAll(HANDLE file, const void* data, DWORD size) {
  DWORD written = 0;
  if (!plat::WriteFile(file, data, size, &written, nullptr)) return false;
  if (written != size) {
    plat::SetLastError(ERROR_WRITE_FAULT);
    return false;
  }
  return true;
}

}  // namespace

bool IsSameFileName(const char* a, const char* b) {
  if (a == nullptr || b == nullptr) return false;
  if (a == b || std::strcmp(a, b) == 0) return true;
  // Names that differ may still be one file (another letter case on a
  // case-insensitive volume, a relative and an absolute name, a link).
  return plat::IsSameFile(a, b);
}

// ---------------------------------------------------------------------------
// TPrepareFile

TPrepareFile::~TPrepareFile() { TPrepareFile::Close(); }

int TPrepareFile::Prepare(char*, LONG) { return 1; }

int TPrepareFile::ReadError() { return 0; }

void TPrepareFile::Close() {
  if (IsOpenHandle(file_)) plat::CloseHandle(file_);
  file_ = nullptr;
  if (buffer_) plat::FreePages(buffer_);
  buffer_ = nullptr;
  bytesLeft_ = 0;
  position_ = 0;
}

int TPrepareFile::Open(const char* name, int access, int share) {
  blockSize_ = PREPARE_BLOCK_SIZE;
  bufferSize_ = PREPARE_BLOCK_SIZE;
  if (IsOpenHandle(file_)) plat::CloseHandle(file_);
  file_ = nullptr;
  if (buffer_) plat::FreePages(buffer_);
  buffer_ = nullptr;
  position_ = 0;

  const DWORD openAccess = access ? static_cast<DWORD>(access) : (GENERIC_READ | GENERIC_WRITE);
  HANDLE file = name ? plat::CreateFileA(name, openAccess, static_cast<DWORD>(share), nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                     : INVALID_HANDLE_VALUE;
  if (!IsOpenHandle(file)) {
    ShowErrorMessage(MAPERR_OPEN, name);
    return 0;
  }
  file_ = file;

  const int64_t size = plat::FileLength(file_);
  if (size <= 0) {
    Close();
    return 0;
  }
  bytesLeft_ = size;
  if (bytesLeft_ < blockSize_) blockSize_ = static_cast<LONG>(bytesLeft_);

  buffer_ = static_cast<char*>(plat::AllocPages(static_cast<SIZE_T>(blockSize_)));
  if (buffer_ == nullptr) {
    ShowErrorMessage(MAPERR_MEMORY, name);
    Close();
    return 0;
  }
  bufferSize_ = blockSize_;
  return 1;
}

int TPrepareFile::Run(const char* name, int access, int share) {
  if (!Open(name, access, share)) return 0;

  int result = 1;
  bool first = true;
  while (bytesLeft_ > 0) {
    if (bytesLeft_ > blockSize_) {
      bytesLeft_ -= blockSize_;
    } else {
      blockSize_ = static_cast<LONG>(bytesLeft_);
      bytesLeft_ = 0;
    }

    bool positioned = true;
    if (!first) {
      LARGE_INTEGER to;
      to.QuadPart = position_;
      positioned = plat::SetFilePointerEx(file_, to, nullptr, FILE_BEGIN) != 0;
    }
    first = false;
    if (positioned) {
      position_ += blockSize_;
    } else if (!ReadError()) {
      result = 0;
      break;
    }

    // A short read (the file shrank under us) counts as a failed read, so
    // that a partial copy is never reported as complete.
    DWORD read = 0;
    if (!plat::ReadFile(file_, buffer_, static_cast<DWORD>(blockSize_), &read, nullptr) ||
        read != static_cast<DWORD>(blockSize_)) {
      if (!ReadError()) {
        result = 0;
        break;
      }
      continue;
    }

    if (!Prepare(buffer_, static_cast<LONG>(read))) {
      result = 0;
      break;
    }
  }

  Close();
  return result;
}

// ---------------------------------------------------------------------------
// TCopyFile

TCopyFile::~TCopyFile() { CloseTarget(); }

void TCopyFile::CloseTarget() {
  if (IsOpenHandle(target_)) plat::CloseHandle(target_);
  target_ = nullptr;
  targetName_ = nullptr;
}

int TCopyFile::Prepare(char* block, LONG length) {
  if (!IsOpenHandle(target_) || length <= 0 || block == nullptr) return 0;
  if (!WriteAll(target_, block, static_cast<DWORD>(length))) {
    ShowErrorMessage(WriteErrorCode(), targetName_);
    return 0;
  }
  return 1;
}

int TCopyFile::Copy(const char* source, const char* target, int access, int share) {
  if (source == nullptr || target == nullptr) return 0;
  if (IsSameFileName(source, target)) return 1;

  CloseTarget();
  targetName_ = target;
  HANDLE file = plat::CreateFileA(target, GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (!IsOpenHandle(file))
    file = plat::CreateFileA(target, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (!IsOpenHandle(file)) {
    ShowErrorMessage(MAPERR_OPEN, target);
    targetName_ = nullptr;
    return 0;
  }
  target_ = file;
  plat::SetFileLength(target_, 0);

  // Other writers honouring the store's locks wait while the copy runs; a
  // lock that never comes does not stop the copy.
  bool locked = false;
  for (int i = 0; i < COPY_LOCK_TRIES; ++i) {
    if (plat::LockFile(target_, 0, 0, COPY_LOCK_LENGTH, 0)) {
      locked = true;
      break;
    }
    // Only another holder is worth waiting for; a file system without
    // locks answers otherwise at once.
    if (plat::GetLastError() != ERROR_LOCK_VIOLATION) break;
    plat::Sleep(COPY_LOCK_PAUSE);
  }

  const int result = Run(source, access ? access : static_cast<int>(GENERIC_READ),
                         share ? share : static_cast<int>(FILE_SHARE_READ | FILE_SHARE_WRITE));

  if (locked) plat::UnlockFile(target_, 0, 0, COPY_LOCK_LENGTH, 0);
  CloseTarget();
  return result;
}

// ---------------------------------------------------------------------------
// TPrepareFileHeader

int TPrepareFileHeader::InsertAndRun(const char* source, const char* target, char* header,
                                     int length) {
  if (source == nullptr || target == nullptr) return 0;

  const bool inPlace = IsSameFileName(source, target);
  char tempName[MAX_PATH];
  const char* written = target;
  if (inPlace) {
    char drive[MAX_DRIVE], dir[MAX_DIR], fname[MAX_FNAME];
    plat::SplitPath(target, drive, dir, fname, nullptr);
    // A name cut to fit would be some other file: refuse it.
    if (std::strlen(target) + 4 >= sizeof(tempName)) {
      ShowErrorMessage(MAPERR_OPEN, target);
      return 0;
    }
    plat::MakePath(tempName, sizeof(tempName), drive, dir, fname, ".tmp");
    // A target that already ends in ".tmp" must not be its own temporary
    // file (creating it would wipe the content about to be read).
    if (IsSameFileName(tempName, target) || std::strcmp(tempName, target) == 0) {
      std::memcpy(tempName, target, std::strlen(target) + 1);
      std::strcat(tempName, ".tmp");
    }
    written = tempName;
  }

  CloseTarget();
  HANDLE file = plat::CreateFileA(written, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (!IsOpenHandle(file)) {
    ShowErrorMessage(MAPERR_OPEN, written);
    return 0;
  }
  target_ = file;
  targetName_ = written;

  if (header && length > 0 && !WriteAll(target_, header, static_cast<DWORD>(length))) {
    ShowErrorMessage(WriteErrorCode(), written);
    CloseTarget();
    return 0;
  }

  const int result = Run(source, static_cast<int>(GENERIC_READ | GENERIC_WRITE),
                         static_cast<int>(FILE_SHARE_READ | FILE_SHARE_WRITE));
  CloseTarget();
  if (!result) return 0;

  if (inPlace) {
    // The old file goes only once the new one is complete; a failure to
    // replace it is reported, not taken for success.
    if (!plat::DeleteFileA(target)) {
      ShowErrorMessage(MAPERR_WRITE, target);
      return 0;
    }
    if (!plat::MoveFileA(tempName, target)) {
      ShowErrorMessage(MAPERR_WRITE, target);
      return 0;
    }
  }
  return 1;
}
