// One group of map objects in memory: the group record (HEADRECGDX) that
// lists the group's members sheet by sheet, with the operations that edit
// it and read or write it through the map's group file.
//
// The record is a 20-byte head followed by sheet lists; each list is the
// sheet number, its object count (at least 1) and that many pairs of object
// number and key, newest first. The record lives either in a buffer of the
// group's own (page-allocated, grown in 4 KB steps up to 256 KB) or in a
// caller's buffer, which never grows.
//
// Every walk over the lists is bounded by the record's length and by the
// buffer, so a record read from a damaged file can give wrong answers but
// never makes the group read or write outside its buffer.
#pragma once

#include <cstdint>

#include "platform/export.h"
#include "platform/win_types.h"

class TMap;
class TMapGroups;

enum : uint32_t {
  GROUP_MARKER = 0x7FFF7FFFu,
  GROUP_HEADLENGTH = 20,       // length of an empty record
  GROUP_LISTHEAD = 8,          // sheet number and object count of a list
  GROUP_BUFFER = 32768,        // first size of a group's own buffer
  GROUP_BUFFERSTEP = 4096,     // growth of the own buffer
  GROUP_BUFFERLIMIT = 262144,  // largest own buffer
  GROUP_APPENDROOM = 80,       // room kept after the record before an append
};

#pragma pack(push, 1)
// The key of an object, compared as its 4 bytes.
struct KEY {
  DWORD Key;
};

// One member of a sheet list.
struct NUMBERKEY {
  DWORD Number;
  KEY Key;
};

// Head of a group record; the sheet lists follow.
struct HEADRECGDX {
  DWORD Ident;   // GROUP_MARKER
  DWORD Length;  // whole record in bytes, GROUP_HEADLENGTH when empty
  DWORD Number;  // group number
  DWORD Value;   // group value, copied into the index entry of a new group
  DWORD Count;   // number of sheet lists
};
#pragma pack(pop)
static_assert(sizeof(KEY) == 4);
static_assert(sizeof(NUMBERKEY) == 8);
static_assert(sizeof(HEADRECGDX) == 20);

class MAPCLASS TObjectGroup {
 public:
  TObjectGroup() = default;
  // Frees the own buffer.
  ~TObjectGroup();
  TObjectGroup(const TObjectGroup&) = delete;
  TObjectGroup& operator=(const TObjectGroup&) = delete;

  // Starts an empty record (in the own buffer, allocated when missing):
  // 1, or 0 when memory is short (the group is then detached).
  int Create(int number, int value);
  // Releases the own buffer and attaches the caller's record of `length`
  // buffer bytes (detaches for a null record). 0 for a buffer shorter than
  // a record head. The total is not recounted (SetObjectCountAll).
  int Record(HEADRECGDX* record, LONG length);
  // Copies a record into the own buffer; 1 also when it is the group's own
  // record; 0 for a record that is not one or when memory is short.
  int Load(const HEADRECGDX* record);

  // Adds an object to the sheet's list (newest first): 1, or 0 without a
  // record or room.
  int AppendObject(int sheet, NUMBERKEY object);
  // Removes an object by number or by key: 1 when removed.
  int DeleteObject(int sheet, int number);
  int DeleteObject(int sheet, KEY key);

  // Sheet number of the n-th list (from 1), the cursor on its first pair;
  // 0 when absent.
  int ListNumber(int n);
  // Objects of the sheet in the group; 0 when it has no list.
  int ObjectCount(int sheet);
  // The n-th object (from 1) of the sheet's list, the cursor on it; 0 when
  // absent.
  int ObjectNumber(int sheet, int n);
  // Its key, all zero when absent.
  KEY ObjectKey(int sheet, int n);
  // The key of the object with that number, zero when absent.
  KEY ObjectKeyNumber(int sheet, int number);
  // Position (from 1) of the object in the sheet's list, by number or by
  // key; remembers the list's ordinal, the cursor on the pair; 0 when absent.
  int FindObjectNumber(int sheet, int number);
  int FindObjectNumber(int sheet, KEY key);
  // The object after the given one: the next pair of its list, else the
  // first object of the next list; 0 at the end or when it is absent.
  int NextObjectNumber(int sheet, int number);

  // Reads group `number` (0: the number in the record) from the group file
  // and recounts the total: the group file's result.
  int ReadGroup(TMapGroups* groups, int number);
  // Writes the record through the group file: the group number, 0 on
  // failure.
  int WriteGroup(TMapGroups* groups);
  // The same through a map's group file (defined with the map object).
  int ReadGroup(TMap* map, int number);
  int WriteGroup(TMap* map);

  // Total = the sum of the list counts.
  void SetObjectCountAll();
  // Grows the own buffer by `extra` bytes keeping the record: the new size;
  // 0 without an own buffer, above 256 KB or without memory.
  LONG Realloc(LONG extra);

  // State.
  HEADRECGDX* Head() const { return record_; }
  LONG BufferSize() const { return size_; }
  int IsOwnBuffer() const { return own_ != nullptr; }
  int Total() const { return total_; }
  int ListOrdinal() const { return ordinal_; }
  const NUMBERKEY* Cursor() const { return cursor_; }
  int Number() const { return record_ ? int(record_->Number) : 0; }
  DWORD Length() const { return record_ ? record_->Length : 0; }

 private:
  // Byte address inside the record.
  char* At(DWORD offset) const { return reinterpret_cast<char*>(record_) + offset; }
  // Usable length of the record: its length bounded by the buffer.
  DWORD UsableLength() const;
  // Finds the list of a sheet: its offset and ordinal (from 1); false when
  // the sheet has none.
  bool FindList(int sheet, DWORD* offset, int* ordinal) const;
  // Object count of the list at `offset` when the whole list lies inside
  // the record; 0 otherwise.
  DWORD ListCount(DWORD offset) const;
  // The pairs of the list at `offset`.
  NUMBERKEY* Pairs(DWORD offset) const { return reinterpret_cast<NUMBERKEY*>(At(offset + GROUP_LISTHEAD)); }
  // Visits the lists in order while each lies whole inside the record:
  // f(ordinal from 1, offset, object count) until f returns true; whether
  // it did.
  template <class F>
  bool ForLists(F f) const;
  // Makes current the first pair of a sheet's list that matches: its
  // position from 1, 0 when there is none.
  template <class Match>
  int FindCurrent(int sheet, Match match);
  // Removes `bytes` at `offset` from the record (the tail moves down).
  void Cut(DWORD offset, DWORD bytes);
  // Frees the own buffer and forgets the record.
  void Release();

  int ordinal_ = 0;
  HEADRECGDX* record_ = nullptr;
  LONG size_ = 0;
  char* own_ = nullptr;
  NUMBERKEY* cursor_ = nullptr;
  int total_ = 0;
};
