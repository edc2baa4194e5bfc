// Block compression of raster and matrix files: a 12-bit LZW coder for byte
// blocks (compression code 1) and a delta and run coder for blocks of 32-bit
// matrix elements (compression code 32).
//
// Every operation returns the number of bytes written to the destination, or
// 0 on failure. The encoders give up (0) when their output would reach 0.8 of
// the input length, so that the caller stores the block plain; the decoders
// never write past the destination capacity and refuse damaged streams.
#pragma once

#include "platform/export.h"
#include "platform/win_types.h"

// Element value written for empty matrix elements.
constexpr LONG kMtrEmptyValue = static_cast<LONG>(0x80000000u);

class MAPCLASS TCompress {
 public:
  // Number of LZW codes (slots of the code table).
  static constexpr int kTableSize = 4096;
  // "No code": the prefix of the single-byte codes and the answer of a
  // failed FindIndex.
  static constexpr DWORD kNoCode = 0xFFFF;
  // New codes allowed after the 256 single-byte codes; the table is then
  // full and frozen.
  static constexpr int kNewCodes = kTableSize - 256;

  TCompress() = default;
  ~TCompress();
  TCompress(const TCompress&) = delete;
  TCompress& operator=(const TCompress&) = delete;

  // LZW: source bytes into dest (capacity destSize >= length).
  int Compress(const char* source, int length, char* dest, int destSize);
  // LZW: compressed bytes back into dest (capacity destSize >= length).
  int Decompress(const char* source, int length, char* dest, int destSize);

  // Matrix coder: length bytes of 32-bit elements (whole elements only; a
  // remainder is ignored). Elements below the threshold are empty.
  int CompressMtr(const LONG* source, int length, char* dest, int destSize, LONG threshold);
  // Matrix decoder: empty elements come back as kMtrEmptyValue. A stream that
  // would decode past destSize bytes is refused.
  int DecompressMtr(const char* source, int length, char* dest, int destSize);

  // Obtains the code table when missing, clears it and enters the 256
  // single-byte codes; 0 when the table cannot be obtained.
  int InitTab();
  // Enters the code of (prefix, byte) into the table.
  void FillTab(DWORD prefix, BYTE byte);
  // The code of (prefix, byte), or kNoCode.
  DWORD FindIndex(DWORD prefix, BYTE byte) const;

 private:
  // The LZW code table, 40,960 bytes: four parallel arrays of slots.
  struct Table {
    BYTE used[kTableSize];       // 1 = the slot holds a code
    BYTE character[kTableSize];  // last byte of the slot's string
    DWORD next[kTableSize];      // next slot of the hash chain; 0 = end
    DWORD prefix[kTableSize];    // code of the string without its last byte
  };
  static_assert(sizeof(Table) == 40960);

  // The work area: the code table and, beside it, indexes that make
  // entering codes and decoding strings fast.
  struct Work {
    Table table;
    // A slot further down the same hash chain (itself when unknown): chains
    // only grow at their end, so the hint stays valid.
    WORD chainHint[kTableSize];
    // The first free slot at or after a slot, wrapping (itself when free).
    WORD freeHint[kTableSize];
    int usedCount;
    // Decoder only: where a code's string was first written in the output,
    // and its length.
    DWORD offset[kTableSize];
    DWORD length[kTableSize];
  };

  // The slot FillTab (prefix, byte) would give the new code; chainEnd gets
  // the end of the chain to link it from (kNoCode when the home slot is
  // free).
  DWORD NewSlot(DWORD prefix, BYTE byte, DWORD* chainEnd);
  DWORD ChainEnd(DWORD slot);
  DWORD FirstFree(DWORD slot);
  // Enters (prefix, byte) and returns its slot, or kNoCode on a full table.
  DWORD Enter(DWORD prefix, BYTE byte);

  Work* work_ = nullptr;
};
