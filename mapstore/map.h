// The map object TMap: one open vector map with its map file (passport and
// sheet table), classifier, current sheet, coordinate transformer, group
// file, register of select contexts, error reporter and text log, edit
// journal and palette. Every other layer reaches a map's data through it
// and writes its objects through its writers; the document classes derive
// from it.
//
// A map is closed after construction, open after OpenData or one of the
// creators, and closed again by CloseData. A failed open or create leaves
// it closed with the error code in its error reporter.
#pragma once

#include <cstdint>
#include <vector>

#include "classifier/maprsc.h"
#include "common/maperror.h"
#include "geodesy/translate.h"
#include "mapstore/mapcolors.h"
#include "mapstore/maplist.h"
#include "mapstore/maplog.h"
#include "mapstore/mapregister.h"
#include "platform/export.h"
#include "platform/win_types.h"
#include "groups/mapgroups.h"
#include "groups/selectlist.h"

// The record handed to the change callback after each object change.
#pragma pack(push, 1)
struct MAPCHANGERECORD {
  int32_t MapTag;
  WORD Sheet;
  BYTE Operation;  // 1 append, 2 delete, 4 update
  BYTE Parts;      // records written
  DWORD Key;
  DWORD Number;
};
#pragma pack(pop)
static_assert(sizeof(MAPCHANGERECORD) == 16);

typedef void(WINAPI* MAPCHANGECALL)(intptr_t parameter, intptr_t record);

class TMap;

// Notices a map sends to the observers registered with it.
enum : int {
  // An object change was applied (after the journal, the callback and the
  // counter): `change` is its record, valid during the call.
  MAPNOTICE_CHANGE = 1,
  // The map is being freed (TMap::Free): `change` is null. Observers drop
  // what they keep of the map; the map forgets them afterwards.
  MAPNOTICE_CLOSING = 2,
  // An object is about to be rewritten or deleted through the map's
  // writers: `change` holds its sheet (the current one), its number, the
  // operation (CHANGE_UPDATE; CallOperation CHANGE_DELETE for an update
  // that deletes) and the descriptor as stored, whose records can still be
  // read through the sheet's caches. Observers leave the sheet's current
  // object as it is. The write may still fail: a MAPNOTICE_CHANGE follows
  // only when an object was written.
  MAPNOTICE_WRITING = 3,
};

// An observer of a map: called with the context it was registered with.
typedef void (*MAPOBSERVERCALL)(void* context, TMap* map, int notice, const SHEETCHANGE* change);

class MAPCLASS TMap : public TMapBase {
 public:
  TMap();
  ~TMap();
  TMap(const TMap&) = delete;
  TMap& operator=(const TMap&) = delete;

  // Life cycle.
  void Init();
  void Free();

  // Opening, creating, closing: nonzero on success, errors reported.
  // Mode below 0x40000000: read and write; otherwise its two top bits are
  // the access mode.
  int OpenData(const char* name, int mode = 0);
  int CreateData(const char* name, const char* rscname, TMapRegister* reg);
  int CreateDataEx(const char* name, const char* rscname, MAPREGISTEREX* map,
                   LISTREGISTER* sheet);
  // A temporary user map named after the classifier (+ ".SIT"), deleted
  // again by CloseData.
  int CreateTempMap(const char* rscname);
  int CloseData();
  // Opens the map file and its classifier (no logs, no groups).
  int OpenMap(const char* name);
  // Reads the map register and sheet n's register of a map file into reg
  // without keeping the map open (any map open here is closed first).
  // 0 for a null argument or when the map cannot be opened, else the
  // result of the copy.
  int GetMapInfoByName(const char* name, int sheet, TMapRegister* reg);
  // Writes a new map file with sheet 1 (the classifier must be open).
  int CreateMap(const char* name, MAPREGISTEREX* map, LISTREGISTER* sheet);
  // Writes passport, sheet records and key table: 1 (also for a read-only
  // map), 0 when nothing was written or on failure.
  int Save(int force);
  // Forgets unsaved changes and re-reads the map file.
  int Revert();
  // -1 re-read after a change by another user, 1 unchanged, 0 error.
  int AdjustData();
  int CheckMode();
  int UpdateMode();
  int WorkMode(int on);
  int IsActive() const { return File != nullptr; }
  int IsTemporary() const { return TempMap; }

  // Sheets.
  int CreateList(TListRegister* reg, int save);
  int CreateList(LISTREGISTER* reg, int save);
  int DeleteList(int n, int deleteFiles);
  int Append(TMap* other, HWND window);
  int AppendList(TMap* other, int n, int save);
  int OpenList(int n);
  // OpenList for the start of a search or a count: the current sheet, when
  // another writer has changed the map since what its caches hold was
  // read, is read again as a sheet left and come back to is, so that the
  // walk meets every object the files hold now.
  int OpenListAfresh(int n);
  FVSPR* ListObjectDesc(int n, int m);
  // The first undeleted object of the sheet with the key, in number order:
  // its descriptor, the object made the sheet's current one
  // (List.CurrentObject its number); null when there is none or a
  // descriptor cannot be read.
  FVSPR* SeekObjectByKey(int sheet, DWORD key);
  // The object count of sheet n: the open sheet's as its header has it
  // (read again when another writer changed the map: OpenListAfresh);
  // another sheet's as its record keeps it while nobody else has changed
  // the map since it was taken (CountsSpan), else as the sheet reads when
  // it is opened (it becomes the current one).
  int GetObjectCount(int n);
  static int ListCount(TMap* map) { return map ? map->Count() : 0; }
  const char* SheetName(int n);
  const char* Nomenclature(int n);
  const char* ListNomenclature(int n) { return Nomenclature(n); }
  const char* SheetName(const char* name, int n);
  const char* Nomenclature(const char* name, int n);
  const char* NameHDR(int n);
  const char* NameDAT(int n);
  const char* NameSEM(int n);
  const char* NameDRW(int n);
  // The setters of file names store a name only when it keeps to the rule
  // the map file is read by (TMapPassport::SheetNamesUsable,
  // MapNamesUsable): a refused name gives the empty string and 60005.
  const char* NameHDR(const char* name, int n);
  const char* NameDAT(const char* name, int n);
  const char* NameSEM(const char* name, int n);
  const char* NameDRW(const char* name, int n);
  int FindListByNomenclature(const char* text);
  const char* Name() const { return Passport.Register.Name; }
  const char* Name(const char* name);
  const char* NameRSC() const { return Passport.RscName; }
  const char* NameRSC(const char* name);
  const char* NameGDX() const { return Passport.GroupName; }
  const char* NameGDX(const char* name);
  // The groups flag of the passport: 1 when it is set and the map names a
  // group file. The setter stores 0 or 1 and returns it.
  int IsGroup() const { return Passport.GroupFlag != 0 && Passport.GroupName[0] != 0 ? 1 : 0; }
  int IsGroup(int value) {
    Passport.GroupFlag = value != 0 ? 1 : 0;
    PassportChanged = 1;
    return Passport.GroupFlag;
  }
  const char* GetRscFileName(char* buffer, int size);
  int SetChangeCall(MAPCHANGECALL call, intptr_t parameter);

  // --- Writing objects of the current sheet (OpenList first) ---
  //
  // Every object write of a map goes through these. Each runs the sheet's
  // steps (TMapList) and applies the change record (ApplyChange): in edit
  // mode the journal record, the change callback and the change counter;
  // the borders of a user map whose sheet grew; the map border for a new
  // sheet frame; then the observers are told. A failure leaves its code in
  // List.GetError().

  // Appends a new object; `desc` gets its links, offsets, key and frame. A
  // new sheet frame first deletes the old one (a change of its own). The
  // new number, 0 when refused or failed.
  int AppendObject(FVSPR* desc, LONGMETRIC* metric, SEMANTIC* semn, IMGDRAW* draw);
  // Rewrites object n with the descriptor and the records given (null:
  // unchanged); a descriptor naming no object is appended. The object's
  // number, 0 on failure.
  int UpdateObject(int n, FVSPR* desc, LONGMETRIC* metric, SEMANTIC* semn, IMGDRAW* draw);
  // Marks object n deleted: n, 0 on failure.
  int DeleteObject(int n);
  // Rewrites only the graphics record of object n (not journalled, not
  // counted): n, 0 on failure.
  int UpdateObjectDraw(int n, IMGDRAW* draw);
  // Applies a change made by a sheet object of this map (the writers above
  // apply their own; a sheet object other than List uses this): journal
  // and callback, borders, change counter, the descriptor cache of List
  // when it holds the same sheet, and the observers when an object was
  // written. False when the change counter could not be raised now: the
  // raise is owed (made by the next raise, sheet change or close), and the
  // change, which stands, is reported made all the same.
  bool ApplyChange(TMapList& list, const SHEETCHANGE& change);
  // Closes the current sheet as TMapList::Close does; an empty writable
  // sheet gets its placeholder object through AppendObject first.
  int CloseList(int mode);

  // --- Observers of the map's object changes and of its closing ---
  //
  // Registered by those that keep something of the map (select contexts
  // keep their counts and drop the map when it closes). A notice costs no
  // allocation; observers may register and unregister from inside one.

  // 1 when registered; 0 for a null call, a pair already registered, or
  // no memory.
  int AddObserver(MAPOBSERVERCALL call, void* context);
  // 1 when the pair was registered, else 0.
  int RemoveObserver(MAPOBSERVERCALL call, void* context);
  // Observers registered now.
  int ObserverCount() const;

  // Takes back the newest action of the edit journal that can be undone,
  // record by record from its last: an appended object is deleted, a
  // deleted one undeleted, a changed one restored from the backup copy the
  // record names. The undo is journalled as action 60005 and the action is
  // marked undone, so that the next undo goes one action further back.
  // Records that cannot be applied (no such sheet, object or copy) are
  // skipped. A write that fails takes back what the undo had done and
  // leaves the action as it was. The records undone; 0 without a writable
  // journal, with no action to undo, for an action without records, or
  // when a write failed.
  int AbolitionLastAction();

  // Lays this user map into the projection of `other`: every object of its
  // sheet is taken through geodetic coordinates into the other map's plane
  // in a temporary file set that replaces the sheet's files only when all
  // went through (the old ones kept as ".~HD" ...); the map then takes the
  // other's projection parameters (not the pole) and is saved. Refused (0)
  // for a map that is no user map, a projection not set up on either map,
  // or a journal held by another process (a message when one can be
  // shown); 0 when an object cannot be read or written or the host stops
  // the progress, the map then unchanged. 1 on success.
  int TransformByMap(TMap* other);

  // Older maps and the structure check, through the sibling libraries: a
  // map converted in place and opened again (1), or 0 when the library
  // cannot be had or the conversion or the opening fails.
  int LoadOldVersionData(const char* name);
  int LoadOldVersionMap(const char* name);
  // The structure check's answer, 0 when its library cannot be had.
  int CheckVectorStructure();

  // Journal and text log (out of line: the journal and the error reporter
  // are not exported).
  int CreateAction(int type);
  int CommitAction(int mode);
  int WriteToLog(const char* text, int kind);

  // Projection parameters (the passport's map register).
  LONG Scale() const { return Passport.Register.Scale; }
  LONG Scale(LONG scale);
  int ProjectionFlag() const { return Passport.Register.ProjectionFlag; }
  int ProjectionFlag(int value);
  int EllipsoideKind() const { return Passport.Register.EllipsoideKind; }
  int HeightSystem() const { return Passport.Register.HeightSystem; }
  int MaterialProjection() const { return Passport.Register.MaterialProjection; }
  int CoordinateSystem() const { return Passport.Register.CoordinateSystem; }
  int PlaneUnit() const { return Passport.Register.PlaneUnit; }
  int HeightUnit() const { return Passport.Register.HeightUnit; }
  int FrameKind() const { return Passport.Register.FrameKind; }
  int FrameKind(int value);
  int MapType() const { return Passport.Register.MapType; }
  int MapType(int value);
  int DeviceCapability() const { return Passport.Register.DeviceCapability; }
  int DataProjection();
  int DataProjection(int value);
  int IsRealPlace() const { return Passport.Register.IsRealPlace; }
  double FirstMainParallel() const { return Passport.Register.FirstMainParallel; }
  double FirstMainParallel(double value);
  double SecondMainParallel() const { return Passport.Register.SecondMainParallel; }
  double SecondMainParallel(double value);
  double AxisMeridian();
  double AxisMeridian(double value);
  double MainPointParallel() const { return Passport.Register.MainPointParallel; }
  double MainPointParallel(double value);
  double PoleLatitude() const { return Passport.Register.PoleLatitude; }
  double PoleLatitude(double value);
  double PoleLongitude() const { return Passport.Register.PoleLongitude; }
  double PoleLongitude(double value);
  int ScaleTableNumber() const { return Passport.ScaleTable; }
  int ScaleTableNumber(int value);
  int IsOrder() const { return Passport.Order; }
  int IsOrder(int value);
  int GetPrecision() const { return IsRealPlace() ? 1 : Passport.Precision; }
  int SetPrecision(int value);
  double X1() const { return Lists ? Passport.X1 * 10.0 : 0.0; }
  double Y1() const { return Lists ? Passport.Y1 * 10.0 : 0.0; }
  double X2() const { return Lists ? Passport.X2 * 10.0 : 0.0; }
  double Y2() const { return Lists ? Passport.Y2 * 10.0 : 0.0; }
  double X1(double value);
  double Y1(double value);
  double X2(double value);
  double Y2(double value);
  int MapRegister(MAPREGISTEREX* reg);
  int ListToRegister(MAPREGISTEREX* map, LISTREGISTER* sheet, int n);
  int ListToRegister(TMapRegister* reg, int n);
  int SetDataProjection();
  DFRAME* ListFrame(int n);
  DOUBLEPOINT* ViewPosition(int n);
  int CheckFrame(int n, const DFRAME* frame);
  int GetListFrameNumber(int n);
  FVSPR* GetFrameDesc();
  // 1 when the frame object of the current sheet agrees with the frame
  // the sheet should have in the map's projection, as the sheet frame
  // builder makes it (every point within 0.1 m; with unequal point counts
  // the corners and the closing point); 0 otherwise or without a frame.
  int GetAccordingProjection();
  double BigAxis() const;
  double Eccentricity() const;

  // Borders.
  void CreateListBorder(int n);
  int UpdateListBorder(int n, int save);
  int UpdateListBorder(int n, const DOUBLEPOINT* min, const DOUBLEPOINT* max);
  int UpdateListGeoBorder(int n);
  void CreateMapBorder();
  void CalculateDeviceFrame();
  void CalculateSiteBorder();

  // Members after the passport layer (in order).
  int RelinkFlag = 0;
  double Factor = 1.0;  // metres per device unit
  double X0 = 0.0;      // device origin, metres
  double Y0 = 0.0;
  LONG DeviceFrame[4] = {};  // X2, Y2, X1, Y1 of the map frame in device units
  int ProjectionReady = 0;
  int TempMap = 0;
  int MapTag = 0;
  MAPCHANGECALL ChangeCall = nullptr;
  intptr_t ChangeParameter = 0;
  int ViewFlag = 1;
  int EditFlag = 1;
  int InquiryFlag = 1;
  LONG VisibleTop = 40000000;
  LONG VisibleBottom = 1;
  // The map's scale index at the document's show scale (0..15), set by the
  // document with its view scale; the kinds' scale ranges are read at it.
  LONG ScaleIndex = 0;
  TMapLog Log;
  TMapRsc Rsc;
  TMapColors Colors;
  SELECTLIST SelectList;
  TMapError MapError;
  TMapList List;
  TTranslate Translate;
  DWORD CounterAtOpen = 0;
  // The counter span (CounterSpan) in which the object counts that the
  // sheet records keep were all taken.
  DWORD CountsSpan = 0;
  TMapGroups Groups;
  // Set by the object writers of a user map when its extent changed: the
  // next Save recomputes the border of sheet 1.
  int SiteBorderChanged = 0;

 private:
  struct OBSERVER {
    MAPOBSERVERCALL Call;  // null: unregistered during a notice, dropped after it
    void* Context;
  };
  std::vector<OBSERVER> Observers;
  int Notifying = 0;         // depth of notices under way
  int ObserversRemoved = 0;  // entries were cleared during a notice
  void Notify(int notice, const SHEETCHANGE* change);
  // MAPNOTICE_WRITING for object n, the current object of List.
  void NotifyWriting(int n, BYTE operation, BYTE callOperation);

  int OpenLogs(const char* name);
  void CloseLogs();
  // True (60005 kept) when the map may take no further sheet: a user map
  // that has its one.
  bool SheetRefused();
  // A file name given to the map that breaks the rule of the names read
  // from the map file: 60005 kept, and the empty string for the setter.
  const char* RefuseName();
  // Stores the classifier's or the group file's name when the map's names
  // stay usable with it (TMapPassport::MapNamesUsable, SheetNamesUsable).
  const char* StoreMapName(char (&field)[260], const char* name);
  int CreateRoutine(const char* name, const char* rscname, LISTREGISTER* sheet,
                    MAPREGISTEREX* map);
  // 1 when a file that a creation of the map `name` (in `folder`, its
  // folder) would write is held by an open document (`found` gets its
  // name): the map file, the classifier copied beside it (`rsc`, null when
  // none is), sheet 1's four files, the group file or, with `logs`, the
  // journal and the text log in the map's log folder; else 0.
  static constexpr int MAP_TARGETS = 5 + SHEET_FILES;
  static int HeldTarget(const char* name, const char* folder, const char* rsc,
                        const LISTREGISTER* sheet, const MAPREGISTEREX* map, bool logs,
                        char (&found)[MAX_PATH]);
  // Re-reads the classifier when another user changed it: 1 in step, -1
  // re-read, 0 error.
  int AdjustRsc();
  void OpenGroups();
  // Folder of a map name, ending in a separator.
  static void MapFolderOf(const char* name, char* folder, int size);
};

// The map of a document handle (a document begins with its map); 0 for a
// null handle.
inline TMap* MapOfHandle(HMAP map) { return reinterpret_cast<TMap*>(map); }

// The map of a host's handles: a live map whose address is the handle, with
// no site or the map itself as the site; null for anything else.
TMap* FindLiveMap(HMAP map, HSITE site);
