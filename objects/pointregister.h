// Two growable lists that travel with object editing.
//
// TPointRegister records the point moves made on one object (old position,
// new position and height, precision, mode) so that, when the object is
// committed, the same point is moved in every other object of the map that
// shares it: the other objects stay attached to the edited one. The object
// embeds one; its point moves by map or by layer fill it; the commit applies
// it (UpdatePoints) and leaves it cleared.
//
// TNewObjectsList collects the (sheet, object number, key) entries of the
// objects written when a new object is cut across sheets, and a percentage
// (for area objects, by how much the pieces' total area differs from the
// object's area).
//
// Both keep their entries in one block of page memory that grows in steps
// of 4096 bytes up to 512 KB; every failure is a result of 0.
#pragma once

#include <cstdint>

#include "platform/export.h"
#include "platform/win_types.h"

class TObjectInfo;

// Where a registered move is looked for.
enum : int {
  POINTMOVE_MAP = 1,    // in every object of the map
  POINTMOVE_LAYER = 2,  // only in objects of the bound object's layer
};

#pragma pack(push, 4)
// One registered move (52 bytes): coordinates in map units (sheet units
// plus the sheet origin).
struct POINTMOVE {
  double OldX;
  double OldY;
  double NewX;
  double NewY;
  double NewH;       // height of the moved point (-111111.0: none)
  double Precision;  // how near a point must lie to the old one
  int32_t Mode;      // POINTMOVE_*
};
#pragma pack(pop)
static_assert(sizeof(POINTMOVE) == 52);

enum : int {
  LISTBLOCK_STEP = 4096,      // growth of a list's block
  LISTBLOCK_LIMIT = 0x80000,  // no list's block grows beyond 512 KB
};

class MAPCLASS TPointRegister {
 public:
  TPointRegister() = default;
  ~TPointRegister();
  TPointRegister(const TPointRegister&) = delete;
  TPointRegister& operator=(const TPointRegister&) = delete;

  // Binds the object whose moves are registered (null: nothing) and
  // clears the register; 1, 0 for a null object or when Clear fails.
  int SetInfo(TObjectInfo* object);
  TObjectInfo* GetInfo() const { return Info; }
  // Releases the block and takes a new one of `size` bytes, empty: the
  // size, 0 on failure (then no block).
  int Allocate(int size);
  // Empties the register (a block of 4096 bytes is taken when there is
  // none): 1, 0 when no block can be had.
  int Clear();
  // Releases the block and forgets the entries (the binding stays).
  void Release();
  // Appends a move, growing the block when needed; the new entry becomes
  // current. 1, 0 without a block or when the block cannot grow.
  int PutPoint(int mode, double oldX, double oldY, double newX, double newY, double height,
               double precision);
  // Entry n (1..count) made current; null outside.
  POINTMOVE* GetPoint(int n);
  POINTMOVE* GetFirstPoint();
  // The entry after the current one; null after the last.
  POINTMOVE* GetNextPoint();
  // Grows the block by 4096 bytes up to 512 KB, keeping the current entry
  // by number: the new size, 0 beyond the limit or without memory.
  int Realloc();
  // Clear, then a copy of every entry of `source`: 1, 0 when the source
  // has no entries or a copy fails.
  int Load(const TPointRegister* source);
  // Applies the moves to the other objects of the bound object's map and
  // clears the register: 1, 0 (nothing changed) without a bound object on
  // an open map or without entries.
  int UpdatePoints();

  int Count() const { return PointCount; }

  // Fields, in this order.
  POINTMOVE* Current = nullptr;
  int BufferSize = 0;
  int CurrentNumber = 0;
  int PointCount = 0;
  int Used = 0;
  char* Block = nullptr;
  TObjectInfo* Info = nullptr;
};

#pragma pack(push, 4)
// One written object of a cutting commit.
struct NEWOBJECT {
  LONG Sheet;
  LONG Object;
  DWORD Key;
};
#pragma pack(pop)
static_assert(sizeof(NEWOBJECT) == 12);

class MAPCLASS TNewObjectsList {
 public:
  // Empty, percentage 0.01, a block of 4096 bytes.
  TNewObjectsList();
  ~TNewObjectsList();
  TNewObjectsList(const TNewObjectsList&) = delete;
  TNewObjectsList& operator=(const TNewObjectsList&) = delete;

  // A new empty block of `size` bytes (the old one released): the size, 0
  // on failure.
  int Allocate(int size);
  // Zeroes the block; no entries.
  void Clear();
  // Grows by 4096 bytes up to 512 KB: the new size, 0 on failure.
  int Realloc();
  // Appends (sheet, object): 1; 0 for a sheet below 1, an object below 1
  // or when the block cannot grow.
  int AddObject(LONG sheet, LONG object);
  int GetObjectCount() const;
  // Entries of one sheet.
  int GetObjectCount(LONG sheet) const;
  // Object number of the n-th entry of the sheet; 0 when there is none.
  LONG GetObjectA(LONG sheet, int n) const;
  // Entry n (1..count); null outside.
  NEWOBJECT* GetData(int n) const;
  double GetProcent() const { return Procent; }
  // Stores p when it is above 0.001; smaller values are ignored.
  double SetProcent(double p);

  // Fields, in this order.
  NEWOBJECT* Entries = nullptr;
  int BufferSize = 0;
  int Used = 0;
  char* Block = nullptr;
  double Procent = 0.01;
};
