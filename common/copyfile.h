// Streaming a file block by block through one memory block.
//
// TPrepareFile reads a file in blocks of at most 65520 bytes and hands each
// block to the virtual Prepare; TCopyFile writes each block to a target and
// so copies a file under a lock on the target's first 64 KB;
// TPrepareFileHeader writes a header in front of a file's content, also in
// place through a temporary ".tmp" file beside it.
#pragma once

#include "platform/export.h"
#include "platform/win_types.h"

enum : int {
  PREPARE_BLOCK_SIZE = 65520,          // the largest block
  COPY_LOCK_LENGTH = 0x10000,          // the lock on the head of a copy target
  COPY_LOCK_TRIES = 5000,              // tries of that lock ...
  COPY_LOCK_PAUSE = 1000,              // ... this many milliseconds apart
};

class MAPCLASS TPrepareFile {
 public:
  TPrepareFile() = default;
  virtual ~TPrepareFile();
  TPrepareFile(const TPrepareFile&) = delete;
  TPrepareFile& operator=(const TPrepareFile&) = delete;

  // Opens the file, hands every block to Prepare and closes it. Access and
  // share are those of CreateFileA; access 0 means read and write. 1 when
  // every block was read and prepared, 0 when the run stopped.
  virtual int Run(const char* name, int access, int share);
  // Works on one block; 0 stops the run. The base does nothing.
  virtual int Prepare(char* block, LONG length);
  // Asked when seeking to or reading a block fails: 0 stops the run, any
  // other answer skips to the next block.
  virtual int ReadError();
  // Opens the source and takes the block buffer; 0 (after a message) when
  // the file can't be opened or the buffer can't be had, 0 without a
  // message for an empty file.
  virtual int Open(const char* name, int access, int share);
  // Closes the source and gives the buffer back.
  virtual void Close();

 protected:
  HANDLE file_ = nullptr;
  char* buffer_ = nullptr;
  LONG blockSize_ = 0;
  LONG bufferSize_ = 0;
  int64_t bytesLeft_ = 0;  // 64-bit: sources beyond 2 GB stream whole
  int64_t position_ = 0;
};

class MAPCLASS TCopyFile : public TPrepareFile {
 public:
  TCopyFile() = default;
  ~TCopyFile() override;

  // Writes the block to the target; 0 (after a message) when the write
  // fails or falls short.
  int Prepare(char* block, LONG length) override;

  // Copies the source over the target (created anew). Access 0 means
  // GENERIC_READ, share 0 FILE_SHARE_READ | FILE_SHARE_WRITE. Two names of
  // one file copy nothing and give 1. Result 1 or 0.
  int Copy(const char* source, const char* target, int access = 0, int share = 0);

 protected:
  // Closes the target handle (if any) and forgets the target name.
  void CloseTarget();

  HANDLE target_ = nullptr;
  const char* targetName_ = nullptr;
};

class MAPCLASS TPrepareFileHeader : public TCopyFile {
 public:
  // Writes the header (when given) and then the source's content to the
  // target. When both name one file the result goes to a ".tmp" file beside
  // it that then replaces it. Result 1 or 0.
  int InsertAndRun(const char* source, const char* target, char* header, int length);
};

// True when the two names are one file: the same pointer, the same text, or
// two names that the system resolves to the same file.
bool IsSameFileName(const char* a, const char* b);
