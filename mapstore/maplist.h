// The open state of one sheet of a map (TMapList): the four file handles,
// the four read caches, a copy of the descriptor-file header, the sheet's
// record in the map's sheet table, the current object and the last error.
//
// A map pages through its sheets one at a time with one TMapList; so that
// switching back and forth costs no file opening, the TMapList keeps the
// files of up to 12 recently used sheets open in a small table and takes
// them back when one of those sheets is opened again (with the same edit
// mode). Opening checks the sheet record and the four file signatures and
// reports each failed check once per sheet, by stage: the stages reported
// are kept as bits in the sheet record.
#pragma once

#include <cstdint>

#include "mapstore/passport.h"
#include "mapstore/sheetcache.h"
#include "mapstore/sheetfile.h"
#include "platform/export.h"
#include "platform/win_types.h"

class TMap;

// The part of an open map that its sheets work with: the map file with its
// passport and sheet table, the log folder and the edit mode. The map
// object derives from it; a sheet keeps a pointer to it as its owner.
class MAPCLASS TMapBase : public TMapPassport {
 public:
  // The whole map object when this base is one (set by the map object
  // itself); null for a bare base. The object writers of a sheet reach the
  // classifier, the journal, the change callback and the borders through it
  // and do without them when it is null.
  TMap* Map = nullptr;
  char LogFolder[MAX_PATH] = {};  // "LOG\" beside the map file, or the temporary folder
  int EditModeCopy = 0;           // the edit mode as last set; sheets kept open remember it
  int EditMode = 0;               // nonzero while the map is edited by several users
};

// Flags of the sheet record kept by the sheet layer.
enum : BYTE {
  // LISTDESC::Flag: the sheet's objects are known to be in sorted order.
  LISTFLAG_SORTED = 1,
  // LISTDESC::Flags: each file was created; a DAT, SEM or GRA file that
  // cannot be opened is reported only when its bit is set.
  LISTFILE_HDR = 0x01,
  LISTFILE_DAT = 0x02,
  LISTFILE_SEM = 0x04,
  LISTFILE_GRA = 0x08,
};

// Stages of the checks reported once per sheet (bit numbers of the sheet
// record's stage mask).
enum : int {
  LISTSTAGE_MEMORY = 1,      // 60001 caches could not be allocated
  LISTSTAGE_RECORD = 3,      // 60005 sheet record lacks its marker
  LISTSTAGE_HDROPEN = 4,     // 60006 HDR file cannot be opened or created
  LISTSTAGE_HDRWRITE = 6,    // 60004 header of a new HDR file cannot be written
  LISTSTAGE_HDRIDENT = 7,    // 60005 HDR signature or mark wrong
  LISTSTAGE_DATOPEN = 8,     // 60006
  LISTSTAGE_DATREAD = 9,     // 60003
  LISTSTAGE_DATWRITE = 10,   // the write's code: DAT signature, or a metric rewrite in place
  LISTSTAGE_DATIDENT = 11,   // 60005
  LISTSTAGE_SEMOPEN = 12,    // 60006
  LISTSTAGE_SEMREAD = 13,    // 60003
  LISTSTAGE_SEMWRITE = 14,   // 60004
  LISTSTAGE_SEMIDENT = 15,   // 60005
  LISTSTAGE_GRAOPEN = 20,    // 60006
  LISTSTAGE_GRAREAD = 21,    // 60003
  LISTSTAGE_GRAWRITE = 22,   // 60004
  LISTSTAGE_GRAIDENT = 23,   // 60005 in a file longer than 4 bytes
};

// Share and access modes of the sheet files.
enum : DWORD {
  LISTACCESS_READWRITE = 0xC0000000u,
  LISTACCESS_READ = 0x80000000u,
  LISTSHARE_DEFAULT = 3,
};

// One entry of the table of recently used sheets.
struct SHEETFILESET {
  int Sheet;      // sheet number, 0 = free
  DWORD Stamp;    // use stamp at the last use, 0 = free
  int Mode;       // the map's edit-mode copy when the files were opened
  HANDLE Files[SHEET_FILES];
  HANDLE Backs[SHEET_FILES];
};

class MAPCLASS TMapList {
 public:
  enum : int { FILESET_COUNT = 12 };

  TMapList();
  // Closes everything: Close(1).
  ~TMapList();
  TMapList(const TMapList&) = delete;
  TMapList& operator=(const TMapList&) = delete;

  // Opens sheet `sheet` (from 1) of the map: 1, or 0 with the reason in the
  // last error (and reported by stage). A sheet kept in the table opens
  // without opening files or checking signatures.
  int Open(TMapBase* map, int sheet);
  // Makes sheet `sheet` new: fills its record from `reg` (ListRegister),
  // creates an empty descriptor file and deletes old metric, semantics and
  // graphics files of the new names. 1 on success.
  int CreateList(TMapBase* map, int sheet, LISTREGISTER* reg);
  // 0: forgets the sheet but keeps its files open in the table and the
  // cache memory; negative: also closes this sheet's kept files; positive:
  // closes every kept file and frees the caches. Returns 0.
  int Close(int mode);

  // Create the metric, semantics or graphics file when it is first needed:
  // a new file with its signature. 1 on success (also when already open).
  int CreateDataFile();
  int CreateSemnFile();
  int CreateDrawFile();

  // Fills the sheet record this TMapList points at as sheet n from a sheet
  // register: marker, creation date, register, the map's device origin, and
  // the four file names from the register's bare file name. 1, or 0 without
  // a register, owner or record.
  int ListRegister(int n, LISTREGISTER* reg);

  // Keeps `code` as the last error and, the first time this stage fails for
  // the sheet, reports it through the map's error reporter with `name`.
  // Returns `code`; 0 (nothing done) without owner or sheet record.
  int ReportError(int code, const char* name, int stage);
  // 1 when the stage was reported for the open sheet.
  int IsErrorReported(int stage) const;

  // The table of recently used sheets.
  // Records the open sheet's handles in the table (the least recently used
  // entry gives way, its files closed).
  void KeepFileSet();
  // Takes the handles of sheet n back from the table: 1; 0 when not kept,
  // or kept under another edit mode (its files are then closed).
  int RestoreFileSet(int n);
  int IsFileSetKept(int n) const;
  // Clears the entry of sheet n (every entry for n < 0), closing its files
  // when `close` is nonzero (always for n < 0).
  void CloseSheetFiles(int n, int close);
  // Clears one entry, closing its files when `close` is nonzero.
  void CloseFileSet(int entry, int close);

  // --- Reading objects (addresses point into the read caches and stay
  // valid until the next read through the same cache) ---

  // Descriptor of object n, made current; null for n < 1 or when it cannot
  // be read. Asking again for the current object costs no cache lookup.
  FVSPR* ObjectDesc(int n);
  // The object after / before the current one in the chain, made current;
  // null without a current descriptor or at the chain's end.
  FVSPR* NextHead();
  FVSPR* PrevHead();
  // The chain's first / last object, made current.
  FVSPR* FirstHead();
  FVSPR* LastHead();
  FVSPR* GetFirstHead() { return FirstHead(); }
  FVSPR* GetLastHead() { return LastHead(); }
  // Objects of the sheet, deleted ones included (the header's count).
  int Count() const { return Head.Count; }
  int ObjectCount() const { return Head.Count; }
  // Records at a file offset: 0 for offset 0 or when they cannot be read.
  LONGMETRIC* DataAddr(DWORD offset);
  SEMANTIC* SemnAddr(DWORD offset);
  IMGDRAW* DrawAddr(DWORD offset);
  // Records of object n (its descriptor made current); 0 without one.
  LONGMETRIC* ObjectDataAddr(int n);
  SEMANTIC* ObjectSemnAddr(int n);
  IMGDRAW* ObjectDrawAddr(int n);
  // Reads record n (0: the header) straight from the descriptor file:
  // 0, MAPERR_INPUT for a null buffer, MAPERR_DATA for n < 0 or above the
  // count, MAPERR_READ for a failed read.
  int ReadObjectDesc(int n, FVSPR* out);
  // Number of the sheet frame object (not deleted), 0 when there is none;
  // the answer is kept in the sheet record.
  int GetListFrameNumber();
  // Its descriptor, made current; null without one.
  FVSPR* GetFrameDesc();

  // --- Object frames ---

  // Computes the frame of an object into its descriptor from its metric,
  // its texts and its signs; nothing without an owner, descriptor or
  // metric. Semantics and graphics not given are taken from the sheet at
  // the descriptor's offsets.
  void BuildBorder(FVSPR* desc, LONGMETRIC* metric, SEMANTIC* semn, IMGDRAW* draw);
  // The frame of a title; nothing for other local types.
  void BuildTextBorder(FVSPR* desc, LONGMETRIC* metric, SEMANTIC* semn, IMGDRAW* draw);

  // --- Writing objects ---

  // Appends a new object; `desc` gets its links, offsets, key and frame.
  // Returns the new number, 0 on failure (the code in the last error).
  int AppendObjectData(FVSPR* desc, LONGMETRIC* metric, SEMANTIC* semn, IMGDRAW* draw);
  // Rewrites object n with the descriptor and the records given (null:
  // unchanged). Returns the object's number, 0 on failure.
  int UpdateObjectData(int n, FVSPR* desc, LONGMETRIC* metric, SEMANTIC* semn, IMGDRAW* draw);
  // Marks the current object (or object n) deleted; its number, 0 on
  // failure.
  int DeleteObject();
  int DeleteObject(int n);
  // Rewrites only the graphics record of object n: n, 0 on failure.
  int UpdateObjectDraw(int n, IMGDRAW* draw);
  // One record by the placement rules; the descriptor takes its offset.
  // 0, or the error code.
  int WriteObjectData(FVSPR* desc, LONGMETRIC* metric);
  int WriteObjectSemn(FVSPR* desc, SEMANTIC* semn);
  int WriteObjectDraw(FVSPR* desc, IMGDRAW* draw);
  // Writes descriptor n (1 to the count): 0, MAPERR_INPUT for a null
  // descriptor, MAPERR_DATA for n out of range, else the write's code.
  int WriteObjectDesc(int n, const FVSPR* desc);
  // The sheet lock: 256 bytes past the end of the descriptor file (plus
  // 0x18000), tried 500 times 10 ms apart. 1 when locked.
  int LockList();
  void UnlockList();

  // State.
  int Number() const { return ListNumber; }
  int IsOpen() const { return List != nullptr && Files[SHEET_HDR] != nullptr; }
  int GetError() const { return Error; }
  int IsWritable() const { return (AccessMode & 0x40000000u) != 0; }
  TMapBase* GetOwner() const { return Owner; }
  const SHEETFILESET& FileSet(int entry) const { return FileTable[entry]; }
  // Full name of one of the sheet's files (folder + name from the sheet
  // record) into `out`; 0 when there is no record or it does not fit.
  int FilePath(int file, char* out, int size) const;

  int ListNumber = 0;       // sheet number, 0 = none
  int CurrentObject = 0;    // number of the current object, 0 = none
  TMapBase* Owner = nullptr;
  THeadBuffer HeadBuffer;   // descriptor file
  TDataBuffer DataBuffer;   // metric file
  TBlockBuffer SemnBuffer{TBlockBuffer::RECORD_SEMN};
  TBlockBuffer DrawBuffer{TBlockBuffer::RECORD_DRAW};
  HANDLE Files[SHEET_FILES] = {};  // HDR, DAT, SEM, GRA; null = closed
  HDRHEAD Head = {};        // copy of record 0 of the descriptor file
  LISTDESC* List = nullptr;  // the sheet's record in the map's sheet table
  char Folder[MAX_PATH] = {};  // the map's folder
  DWORD AccessMode = LISTACCESS_READWRITE;
  DWORD ShareMode = LISTSHARE_DEFAULT;
  FVSPR* CurrentDesc = nullptr;  // the current descriptor, inside the descriptor cache
  int Error = 0;
  int RecordChanged = 0;    // a field of the sheet record was set
  HANDLE Backs[SHEET_FILES] = {};  // backup files
  int ObjectsChanged = 0;   // an object was deleted or changed outside edit mode
  DWORD LockOffset = 0;     // start of the byte range of the sheet lock
  SHEETFILESET FileTable[FILESET_COUNT] = {};
  DWORD UseStamp = 0;
  int EditMode = 0;         // the map's edit mode when the sheet was opened

 private:
  // Opens one existing sheet file by the rules of the access and share
  // modes; null when it cannot be opened.
  HANDLE OpenSheetFile(const char* path);
  // Opens the four files of a sheet that is not kept; 1, or 0 with the
  // sheet closed.
  int OpenFiles();
  // Reads the 4-byte signature of an open file: 1 read, 0 short, -1 failed.
  int ReadIdent(HANDLE file, DWORD* ident);
  // Sizes the four caches for the open files; 0 (all freed) without memory.
  int AllocateBuffers();
  // Creates one of the DAT, SEM, GRA files.
  int CreateSheetFile(int file);
  // Hands an open DAT, SEM or GRA file to its cache and keeps it in the
  // sheet's files; 0 (the file closed, MAPERR_MEMORY) without memory.
  int AttachSheetFile(int file, HANDLE h);
  // Reads record 0 through the descriptor cache into the header copy
  // (zeros when it cannot be read).
  void LoadHead();
  // Low-level transfers at an offset of one of the sheet files: 0, or the
  // error code (HDR reads MAPERR_READ; writes MAPERR_WRITE, a short DAT
  // write MAPERR_DISKFULL).
  int ReadHdr(int64_t offset, void* buffer, DWORD size);
  int WriteSheet(int file, int64_t offset, const void* buffer, DWORD size);
  // Whether a record stored at `offset` of the file may be rewritten in
  // place by `length` bytes (its own length is read at the offset).
  bool FitsInPlace(int file, DWORD offset, DWORD length);
  // The frame-object cache of the sheet record.
  void ResetFrameCache(int n);
  // Makes the DAT, SEM or GRA file ready for a record: opens it when
  // another writer has created it since the sheet was opened, else creates
  // it. 1 when it is open.
  int ReadySheetFile(int file);
  // Closes a failed opening keeping its error code; returns 0.
  int Fail(int mode);
  // Closes the open sheet's own handles that no table entry holds.
  void CloseOwnFiles();
  bool IsHandleKept(HANDLE handle) const;
  void ForgetHandle(HANDLE handle);
};
