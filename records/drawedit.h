// The graphics editing buffer of one object: an IMGDRAW record in a
// caller's block or in a block of its own. Elements are appended, inserted,
// replaced, moved and deleted; composite codes expand into element pairs;
// every primitive has default parameters. The record never grows beyond
// 0x40000 bytes; a failed operation leaves it as it was.
#pragma once

#include "records/objectdraw.h"
#include "platform/export.h"
#include "platform/win_types.h"

class MAPCLASS TDrawEdit {
 public:
  TDrawEdit() { Init(); }
  ~TDrawEdit() { Free(); }
  TDrawEdit(const TDrawEdit&) = delete;
  TDrawEdit& operator=(const TDrawEdit&) = delete;

  // Empty buffer, nothing attached (construction only).
  void Init();
  // Releases the own block and attaches nothing.
  void Free() { SetBuffer(nullptr, 0); }

  // A new own block of size bytes holding an empty record.
  int Allocate(int size = 4096);
  // Makes the attached record empty (allocates 4096 bytes without one).
  int Clear();
  // Attaches a caller's record of size bytes. A record that claims more than
  // size bytes (or less than its head) is refused: 0, nothing attached.
  int SetBuffer(char* record, LONG size);
  // Copies a graphics record; its length, 0 when it is not one.
  LONG Load(TObjectDraw source);
  // A record of the one image; the element count.
  int Load(int code, const char* parms);

  int AppendElement(int code, const char* parms);
  int InsertElement(int n, int code, const char* parms);
  int ReplaceElement(int n, int code, const char* parms);
  int DeleteElement(int n);
  int ElementMove(int from, int to);
  // Expands a composite code into the elements it stands for; the number of
  // elements appended.
  int Func2Elements(int code, const char* parms);
  // Writes the default parameters of code into parms; 0 for a code without
  // defaults.
  static int Init(int code, char* parms);
  // Carries the colour and sizes of element n over into the parameters of
  // another line or fill code.
  int ReplaceInit(int n, int code, char* parms);
  int AppendElementWithInit(int code);
  int InsertElementWithInit(int n, int code);
  int ReplaceElementWithInit(int n, int code);
  int SetSpline(int on);
  // Colour of the uppermost coloured element; the previous colour, or
  // colour itself when nothing was set.
  int SetTopColor(int colour);

  // 1 when a record takes code as an element (PRIMF_ELEMENT of the
  // primitive table), and when such an element paints (PRIMF_PAINTS).
  static int IsElement(int code);
  static int IsPaintElement(int code);

  char* ElementAddress(int n);
  int ElementIdent(int n);
  char* ElementParmAddress(int n);
  int ElementLength(int n);
  int ElementParmLength(int n);
  static int ElementParmLength(int code, const char* parms) {
    return TObjectDraw::ElementParmLength(code, parms);
  }

  IMGDRAW* Record() const { return Draw; }
  LONG BufferSize() const { return Size; }
  // Record length, 0 without a valid record.
  LONG Length() const;
  int Count() const;
  int IsSpline() const;
  int CurrentElement() const { return Current; }
  int IsChanged() const { return Changed; }
  void SetChanged(int changed) { Changed = changed; }

 private:
  bool Valid() const;
  void ReleaseOwn();
  // Makes room for a record of need bytes (moving it into a new own block).
  bool Grow(LONG need);
  // Replaces the record by length bytes from source.
  bool Adopt(const char* source, LONG length);
  // Appends or inserts an element whose parameter length is known.
  int PutElement(char* at, int code, const char* parms, int length);
  // available: bytes readable at parms, or -1 when the caller vouches.
  int AppendChecked(int code, const char* parms, LONG available = -1);

  IMGDRAW* Draw;
  LONG Size;
  char* OwnBlock;
  int Current;
  int Changed;
};
