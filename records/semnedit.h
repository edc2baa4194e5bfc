// The semantics editing buffer of one object: a SEMANTIC record in a
// caller's block or in a block of its own, its cursor, and the record's
// length kept in step with every insert and delete.
#pragma once

#include "records/semantic.h"
#include "platform/export.h"
#include "platform/win_types.h"

class MAPCLASS TSemnEdit {
 public:
  TSemnEdit() { Init(); }
  ~TSemnEdit() { Free(); }
  TSemnEdit(const TSemnEdit&) = delete;
  TSemnEdit& operator=(const TSemnEdit&) = delete;

  // Empty buffer, nothing attached (construction only: an own block is not
  // released here).
  void Init();
  // Releases the own block and attaches nothing.
  void Free();

  // Attaches a caller's record in place. With length and limit both 0 the
  // length comes from the record itself; a limit of 0 forbids inserting.
  // A record whose length field is below 4 or beyond the given length is
  // refused (0, nothing attached). 1 with a record.
  int Access(char* record, LONG length, LONG limit);
  // A new own block of size bytes (at least 4) holding an empty record.
  int Allocate(int size);
  // Empties the record (allocates 4096 bytes without one).
  int Clear();
  // Copies an object's record into an own block; 0 for a record without
  // the marker (the buffer is then empty).
  int Load(TObjectSemn source);
  // Takes the characteristics of another cursor.
  int Load(TWorkSemantic* source);

  // Appends a characteristic, growing the block as needed (the record never
  // grows past 65,535 bytes). The block's address in the record, or 0.
  char* Append(const TSemBlock* block);
  char* Append(int code, LONG value);
  char* AppendString(int code, const char* text, int type, int size);
  char* AppendDouble(int code, const double* value);
  char* Insert(const TSemBlock* block);
  char* Replace(const TSemBlock* block);
  int DeleteCurrent();

  // The first characteristic with code as text; 0 when absent.
  char* SemanticValue(int code, char* buffer, int size);
  // Length of the record (characteristics + 4); written into the record's
  // length field when write is nonzero.
  int CheckLength(int write);
  int DataLength() const;

  // The object code kept in characteristic 32800.
  LONG GetObjectExcode();
  LONG GetObjectExcodeAndDelete();
  char* PutObjectExcode(LONG code);

  SEMANTIC* Record() const { return Semn; }
  TWorkSemantic* Cursor() { return &Work; }
  // Size of the own block, 0 while a caller's record is attached.
  LONG BlockSize() const { return OwnBlock != nullptr ? OwnSize : 0; }
  int IsChanged() const { return Work.IsChanged(); }
  void SetChanged(int changed) { Work.SetChanged(changed); }

 private:
  void ReleaseOwn();
  void UpdateLength();
  // Makes block (of size bytes, holding a record of length bytes) the own
  // block and attaches the cursor to it.
  void AttachOwn(char* block, LONG size, LONG length);
  static LONG ReadObjectCode(const TSemBase* value);

  SEMANTIC* Semn;
  char* OwnBlock;
  TWorkSemantic Work;
  LONG OwnSize;
};
