// The classifier object TMapRsc: the data block TRSCDATA with methods.
//
// The class adds no data and no virtual operations to the block, so a
// TRSCDATA made by rscInitRsc and a TMapRsc are the same thing; the core
// functions (rsc*) take the block and the methods pass the object itself.
// Methods are grouped by area, each area in a source file of its own:
//   rscopen.cpp      opening, checking, index, close, revert
//   rsccreate.cpp    creating a classifier
//   rscpool.cpp      memory pool and references
//   rscquery*.cpp    header, object and semantic queries
//   rscobjedit.cpp   object kind editing and the number exchange
//   rscpress.cpp     compaction of deleted kinds, synchronisation with the file
//   rscservice.cpp   service objects, sheet frame, image parameters
//   rscsemedit.cpp   semantics, value lists, defaults
//   rscposedit.cpp   semantics of kinds, semantic lists of layers
//   rscseries.cpp    series editing
//   rscsegment.cpp   appending layers
//   rsclayers.cpp    layer queries and changes
//   rscpalette.cpp   palettes and colours
//   rscimageparam.cpp image parameters and sign sizes
//   rscfonts.cpp     fonts and the font registry
//   rscimagelib.cpp  image libraries and library signs
//   rscrelate.cpp    relations
//   rscgrs.cpp       images of semantic values
//   rsccopy.cpp      copying kinds and semantics from another classifier
#pragma once

#include "classifier/imageedit.h"
#include "classifier/rscdata.h"
#include "classifier/rscrecords.h"
#include "records/primitives.h"

struct IMAGESIZE;
class TMapError;
class TObjectSemn;

#pragma pack(push, 1)
// Description of a new object kind (AppendObject).
struct RSCOBJ {
  DWORD Excode;
  WORD Local;
  WORD Segment;
  WORD Scale;
  WORD Bot;     // bottom scale index
  WORD Top;     // top scale code (15 minus the top index)
  char Name[32];
};
static_assert(sizeof(RSCOBJ) == 46);

// Description of a new semantic (AppendSemantic).
struct RSCSEM {
  WORD Code;
  WORD Type;
  BYTE Reply;
  BYTE Reserve;
  char Name[32];
  char Unit[8];
};
static_assert(sizeof(RSCSEM) == 46);

#pragma pack(pop)

// Image functions the classifier itself looks into, by their classifier
// names (the primitive table holds every code).
enum : int {
  IMG_LINE = PRIM_LINE,
  IMG_SQUARE = PRIM_SQUARE,
  IMG_TEXT = PRIM_TEXT,
  IMG_OBJECT = PRIM_BITMAP,
  IMG_DRAW = PRIM_SET,
  IMG_VECTOREX = PRIM_VECTOR,
  IMG_TEMPLATE = PRIM_TEMPLATE,
  IMG_LIBRARY = PRIM_LIBRARY,
};

// A static empty string: the text result of a failed query.
extern const char RSC_EMPTY_STRING[1];

class MAPCLASS TMapRsc : public TRSCDATA {
 public:
  TMapRsc();
  ~TMapRsc();
  TMapRsc(const TMapRsc&) = delete;
  TMapRsc& operator=(const TMapRsc&) = delete;

  // The methods of a block made by rscInitRsc.
  static TMapRsc* Of(TRSCDATA* data) { return static_cast<TMapRsc*>(data); }

  // --- life cycle (rscopen.cpp, rsccreate.cpp) ---
  // The forwarders into the core functions are out of line: the core is
  // not exported, so a host could not link a body compiled on its side.
  int OpenRsc(const char* name, int mode = 0);
  int OpenRsc();  // builds the index of a read image
  int CreateRsc(const char* name, RSCCREATE* create, PALETTE256* palette, int mode);
  int CloseRsc();
  int IsActive() const { return ObjIndex != nullptr ? 1 : 0; }  // open: it has an index
  int Revert();
  int OpenTRscBase(const char* name);
  void CloseRscBase();
  int Save(int force);
  int Commit() { return Save(0); }

  int Error() const { return int(ErrorCode); }
  int Error(int code) { return int(ErrorCode = DWORD(code)); }
  int IsModify() const { return int(Modify); }
  int SetModify() { return int(Modify++); }
  int IsWrite() {
    ErrorCode = 0;
    return (Access & RSC_ACCESS_WRITEBIT) != 0;
  }

  // --- memory pool (rscpool.cpp) ---
  LONG OpenMemory(LONG size);
  int CloseMemory();
  char* GetMemoryBlock(LONG n);

  // --- queries (rscquery.cpp) ---
  int GetObjCount() const { return int(Head.Tables[RSC_OBJ].Count); }
  int GetSemCount() const { return int(Head.Tables[RSC_SEM].Count); }
  int GetSegCount() const { return int(Head.Tables[RSC_SEG].Count); }
  int GetFrameCode() const { return RSC_FRAMECODE; }
  int GetLastFunction() const { return RSC_LASTFUNCTION; }
  LONG MaxKey();
  LONG SetMaxKey();
  int Style() const { return int(Head.Style); }
  int Style(int);
  int GetClassificatorLanguage();
  // The first object with that excode and local type; 0 with 60105.
  int GetObjIncode(DWORD excode, int local);
  // 1 when no object has that excode and local type, else 0.
  int CheckObjectCode(DWORD excode, int local);
  // Name search: 1 layer name, 2 layer short name, 3 semantic name,
  // 4 semantic short name, 5 object key, 6 object name.
  int GetElementbyName(const char* name, int mode);
  static char* ClearofBlank(char* text, int size);
  // The n-th SEM record's code (1..count); 0 for n below 1.
  DWORD GetSemOrderExcode(int n);
  TABSEM* GetTabSem(DWORD code);
  TABOBJ* GetTabObj(int n);
  TABSEG* GetTabSeg(int layer);

  // --- header values (rscquery_head.cpp) ---
  // Text results are addresses inside the classifier, valid until the
  // next edit or close; a failed query gives a static empty string.
  const char* Date();                       // 8 digits, no terminator
  LONG Scale();
  LONG Scale(LONG scale);
  const char* Type();
  const char* SetType(const char* type);
  // The classifier's own name (the header's; the block's FileName is the
  // name of its file).
  const char* Name();
  const char* SetName(const char* name);
  const char* ClassificatorCode();
  int ClassificatorCode(const char* code);
  int SetClassificatorLanguage(int language);
  int ScaleTableNumber();
  int ScaleTableNumber(int flag);
  LONG GetScaleItem(int i);
  static LONG GetTableScaleItem(int table, int i);
  int Mode();
  int Mode(int);
  int ColorStyle() const { return Head.ColorStyle; }
  int ColorStyle(int);
  int GetRscName(char* buffer, int size);
  LONG FileSize();
  int ApiOpenFlag() const { return int(ApiOpen); }
  int ApiOpenFlag(int flag) { return int(ApiOpen = DWORD(flag)); }
  TABSEM* GetOffSem() const;
  static int GetObjNameSize() { return 32; }
  static int GetSemNameSize() { return 32; }
  static int GetSemValueSize() { return 32; }
  static int GetSemUnitSize() { return 8; }
  LONG GetFrameCodeEx();

  // --- object kinds (rscquery_object.cpp) ---
  const char* GetObjName(int n);
  const char* GetObjKey(int n);
  LONG GetObjIdent(int n);
  int GetObjIdentIncode(LONG ident);
  int GetObjKeyIncode(const char* key);
  LONG GetObjExcode(int n);
  int GetObjLocal(int n);
  int GetObjSegment(int n);
  int GetObjExtloc(int n);
  int GetObjFunction(int n);
  int GetObjExtend(int n);
  int GetObjExtsem(int n);
  int SetObjExtsem(int n, int value);
  int GetObjBot(int n);
  int GetObjTop(int n);
  int GetObjScale(int n);
  int GetObjDirect(int n);
  LONG GetServObjExcode(int local);
  int GetServObjIncode(int local);
  // The first kind with that excode, local type and series variant.
  int GetObjIncode(DWORD excode, int local, int variant);
  // The kind an object with these semantics belongs to (series-aware).
  int GetObjIncode(DWORD excode, int local, TObjectSemn semantics);
  int GetNextObjIncode(DWORD excode, int after);
  int GetObjNumber(DWORD excode, int local);
  int GetDescribeObj(int n, RSCOBJECT* desc);
  int GetObjMustSemCount(int n);
  DWORD GetObjMustSem(int n, int i);
  int GetObjOnlyPosSemCount(int n);
  DWORD GetObjOnlyPosSem(int n, int i);
  int GetObjPosSemCount(int n);
  DWORD GetObjPosSem(int n, int i);
  int GetObjLimSemCount(int n);
  DWORD GetObjLimSem(int n, int which);
  // 3 limiting, 2 obligatory, 1 possible, 0 not listed.
  int GetOnlyObjCanSem(int n, DWORD code);
  int GetObjCanSem(int n, DWORD code);

  // --- semantics (rscquery_sem.cpp) ---
  TABSEM* GetTabSemEx(DWORD code);
  const char* GetSemName(DWORD code);
  const char* GetSemShortName(DWORD code);
  const char* GetSemUnit(DWORD code);
  int GetSemValuePoleSize(DWORD code);
  int GetSemValuePoleDecimal(DWORD code);
  int GetSemType(DWORD code);
  int GetSemService(DWORD code);
  int GetSemReply(LONG code);
  const char* GetSemOrderName(int i);
  int GetClassificatorCount(DWORD code);
  TABCLS* GetTabCls(DWORD code, int i);
  LONG GetClassificatorValue(DWORD code, int i);
  const char* GetClassificatorName(DWORD code, int i);
  const char* GetSemValueName(DWORD code, LONG value);
  TABDEF* GetTabDef(int n, DWORD code);
  double GetDefMin(int n, DWORD code);
  double GetDefDef(int n, DWORD code);
  double GetDefMax(int n, DWORD code);
  TABDEF* CheckTabDef(int n, DWORD code);
  int GetDefValue(int n, DWORD code, RSCDEF* def);
  int GetDefValueSemantic(int n, DWORD code, char* text, int size);
  int SemanticDescribeEx(RSCSEMANTICEX* desc, DWORD code, int n);
  int GetSemInfo(DWORD code, APPLYSEMANTIC* info);
  int GetSegmentByName(const char* name) { return GetElementbyName(name, 1); }
  static const char* GetLocalName(int local, int language);
  static int GetLocalCount() { return 6; }
  static int GetLocalNameSize() { return 16; }

  // --- layers (rsclayers.cpp) ---
  const char* GetSegName(int s);
  const char* GetSegShortName(int s);
  int GetSegOrder(int s);
  int GetSegment(int s, RSCSEGMENT* segment);
  static int GetSegNameSize() { return 31; }
  int SetSegName(int s, const char* name);
  int SetSegOrder(int s, char order);
  int AppendSegment(const RSCSEGMENT* segment);
  int DeleteSegment(int s);
  int MoveSegmentObjects(int from, int to);
  int GetSegmentObjectCount(int s);
  int GetSegmentObjectRealCount(int s);
  int GetSegmentObjNumber(int s, int local);
  int SetObjSegment(int n, int layer);

  // --- palettes (rscpalette.cpp) ---
  int GetPaletteCount();
  DWORD* GetPalette(int p);
  TABPAL* GetTabPal(int p);
  const char* GetPaletteName(int p);
  DWORD GetRscColor(int c);
  DWORD* GetRscPalette(int c);
  DWORD SetRscColor(DWORD color, int c);
  int SetRscPalette(const DWORD* colors, int count);
  int GetRscColorCount();
  int SetRscColorCount(int count);
  DWORD* SetDefaultPalette(int p);
  DWORD* ResetPalette(int p);
  DWORD* AppendPalette(const DWORD* colors, int count, const char* name);
  // Overwrites the first min(count, 64) colours of palette p (appends a
  // palette when p is past the last); names it by its number without a name.
  DWORD* ReplacePalette(int p, const DWORD* colors, int count, const char* name);
  int SetPaletteName(int p, const char* name);
  // Removes palette p unless it is the only one; 1 or 0.
  int DeletePalette(int p);
  // Colour c (1..colour count) of palette p; 1 or 0.
  int SetPaletteColor(int p, int c, DWORD color);

  // --- image parameters (rscimageparam.cpp) ---
  VIEPAR* GetTabPar(int n);
  VIEPAR* GetTabPrn(int n);
  char* GetPar(int n);
  char* GetPrn(int n);
  int GetParLength(int n);
  int GetPrnLength(int n);
  VIEPAR* SetTabPar(int n, const VIEPAR* record);
  VIEPAR* SetTabPrn(int n, int length, int function, const char* params);
  VIEPAR* SetTabPrn(int n, const VIEPAR* record);
  int DeleteTabPrn(int n);
  int GetTemplateTable(int n, TABLETEMPLATE* table);
  // Size of object n's screen sign; `kind` is the number of characters of
  // `text` measured for text signs (0 or less: the whole text).
  int GetImageSize(int n, IMAGESIZE* size, int kind, const char* text);
  // Size of a sign given by its function and `length` bytes of parameters,
  // measured as the local type that draws it: a text sign (142) as a title
  // with `text`, a template (150) as a template, a bitmap (143) or font
  // sign (151) as a point, a vector sign (149) as a vector; a set by its
  // first element. 1, or 0 (closed, null arguments, a library sign).
  int GetImageSize(int function, const char* params, int length, IMAGESIZE* size, const char* text);
  LONG SetObjColor(int n, DWORD color);
  LONG SetObjColorIndex(int n, LONG color);

  // --- object kind editing (rscobjedit.cpp) ---
  int AppendObject(RSCOBJ* desc, int check);
  // Appends a kind from its public description (length 64) with the
  // default screen image of its local type; the new number or 0.
  int AppendObjectDefaultView(const RSCOBJECT* desc);
  int CreateDefaultView(int n);
  // Rewrites kind n from a description; n or 0 (60200, 60202).
  int UpdateObject(int n, const RSCOBJECT* desc);
  // Appends a copy of kind n under the placeholder excode 1000000000 (the
  // caller gives it its own); the new number or 0.
  int CopyObject(int n);
  // Overwrites kind `to` with kind `from`; `to` keeps its own key and
  // ident. to, or 0.
  int CopyObject(int to, int from);
  int DeleteObject(int n);
  LONG SetObjExcode(int n, LONG code);
  // SetObjExcode and the excode of the kind's semantics record; n or 0.
  int UpdateObjExcode(int n, LONG code);
  int SetObjLocal(int n, int local);
  int SetObjExtloc(int n, int value);
  int SetObjDirect(int n, int direct);
  int SetObjScale(int n, int flag);
  // Store the raw top code / bottom index, kept within 0..15.
  int SetObjTop(int n, int value);
  int SetObjBot(int n, int value);
  // Store at most 31 characters; the stored text, or null.
  const char* SetObjName(int n, const char* name);
  const char* SetObjKey(int n, const char* key);
  // Raises the top limit of point, title and template kinds to the scale
  // index after `scale`; the number of kinds changed.
  int SetObjectView(DWORD scale);
  // Whether an image function suits a local type.
  static int GetImageSuitable(int local, int function);

  // --- compaction and synchronisation (rscpress.cpp) ---
  // Removes deleted kinds for good: the kinds after them move down and
  // their images and object-specific defaults follow. 1, 0 when closed.
  int Press();
  // Saves unsaved changes, else reopens the classifier when its file was
  // saved by someone else: 1 in step, -1 reloaded, 0 on failure.
  int AdjustData();
  // Exchanges the numbers of kinds n and to (records, image parameters and
  // object-specific defaults follow); returns to, 0 for bad numbers.
  int ExchangeObjectNumber(int n, int to);

  // --- service objects and image parameters (rscservice.cpp) ---
  int CreateServObjects();
  int CheckFrameCode();
  VIEPAR* SetTabPar(int n, int length, int function, const char* params);
  static int DefaultImage(int local, char* params, int* function);

  // --- semantics (rscsemedit.cpp) ---
  TABSEM* AppendSemantic(const RSCSEM* desc);
  // Appends a semantic from its full description (code 1..65500, else
  // 60205); the code, or 0.
  DWORD AppendSemantic(const RSCSEMANTICEX* desc);
  // Changes semantic `code` (appends it when missing); drop = 1 drops its
  // value list. The stored code, or 0 (60206..60210). The description's
  // type 16 becomes 1 and its name loses its blanks.
  DWORD UpdateSemantic(DWORD code, RSCSEMANTICEX* desc, int drop);
  // Removes a semantic and every use of it by kinds and layers; 1 or 0
  // (60206 for a system semantic or a series limit).
  int DeleteSemantic(DWORD code);
  int CheckSemanticCode(DWORD code);
  int SetSemShortName(DWORD code, const char* name);
  int SetSemDecimal(DWORD code, int size, int decimals);
  int AppendSystemSemantic();
  int AppendStandardSemantic();
  // Value lists: a value and its name; the common default widens to hold
  // the value. The semantic record, or null.
  TABSEM* AppendCls(DWORD code, LONG value, const char* name);
  // 1 when a numeric semantic's list does not hold the value.
  int CheckClassificatorCode(DWORD code, LONG value);
  int UpdateClassificatorName(DWORD code, int n, const char* name);
  // Defaults of a numeric semantic for kind `object` (0: every kind); the
  // minimum is kept at most the maximum and the default between them.
  TABSEM* AppendDef(int object, DWORD code, double min, double def, double max);
  TABSEM* UpdateDef(int object, DWORD code, double min, double def, double max);
  TABSEM* DeleteDef(int object, DWORD code);
  int DeleteDefObject(int n);

  // --- semantics of kinds and layers (rscposedit.cpp) ---
  // `force` allows editing a series member's semantics.
  TABPOS* AppendPos(int n, int force);
  int DeletePos(int n, int force);
  int AppendPosSemantic(int n, DWORD code, int force);
  // AppendPosSemantic, and for kind 2 SetTypeMustSemantic.
  int AppendObjectSemantic(int n, DWORD code, int kind, int force);
  // Removes a code from kind n's semantics (and the kind's relation for
  // it); a series limit semantic only when forced. n or 0.
  int DeletePosSemantic(int n, DWORD code, int force);
  // Make a code possible (the place among possible codes, or the number of
  // codes when it was obligatory) or obligatory (its 1-based place).
  int SetTypePosSemantic(int n, DWORD code, int force);
  int SetTypeMustSemantic(int n, DWORD code, int force);
  // Makes semantic 32800 possible for objects 1 to 14 (not series members).
  int AppendCodeSemanticToService();
  // Semantic lists of layers 0..count-1.
  int SetSegShortName(int s, const char* name);
  int GetSegSemCount(int s);
  DWORD GetSegSemCode(int s, int n);
  int AppendSegSemCode(int s, DWORD code);
  int DeleteSegSemCode(int s, DWORD code);
  // The codes of the layer's kinds (obligatory ones only, or all), each
  // once in order of first appearance.
  TABSEG* BuildSegmentSemantic(int s, int mustOnly);

  // --- series (rscseries.cpp) ---
  // Series limit records live in the pool; an operation that must grow one
  // returns a new record, which the caller links to every member
  // (UpdateSeriaObject). 60202 marks every rejected argument.
  TABLIM* InitSeria(DWORD excode, int local);
  int UpdateSeriaObject(int n, int variant, TABLIM* lim, TABPOS* pos);
  int UpdateCodeSeria(TABLIM* lim, DWORD excode);
  // Sets limit `which` (1 or 2) to `count` ascending values of semantic
  // `code` (0 deletes the limit); the variant table is set afterwards with
  // UpdateExtendSeria.
  TABLIM* UpdateGateSeria(TABLIM* lim, int which, int code, int count, int def, const double* values);
  TABLIM* DeleteLimit(TABLIM* lim, int which);
  // Copies a variant table of exactly (N1 or 1) x (N2 or 1) bytes.
  TABLIM* UpdateExtendSeria(TABLIM* lim, int size, const char* table);
  int UpdateSeriaSemantic(int n);
  TABLIM* CopyTabLim(const TABLIM* lim);
  int GetGateCount(DWORD excode, int local, DWORD code);
  int DeleteSeria(DWORD excode, int local);
  int DeleteSeriaObject(int n);

  // --- copying from another classifier (rsccopy.cpp) ---
  // Copies kind n of `source` into layer `layer` (0 when there is no such
  // layer): with its semantics, their values and its images, and for a
  // series every member, the limits and one semantics record. A kind of
  // that code and local type already here only gains the semantics it
  // lacks. A series whose limits disagree with this classifier's
  // semantics arrives as the one plain kind n. What was done is written to
  // `log` (a map's error reporter, TMap::MapError; null: no protocol).
  // The number here of the copy of n, or 0.
  int CopyObject(TMapRsc* source, int n, int layer, TMapError* log);
  // Semantic `code` of `source` with its value list and the default for
  // every kind (a list without one gets its range); 1 when this classifier
  // has the semantic now, 0 on failure.
  int CopySemantic(TMapRsc* source, DWORD code);

  // --- layers (rscsegment.cpp) ---
  int AppendSeg(const RSCSEG* seg);

  // --- palettes (rscpalette.cpp) ---
  static DWORD GetDefaultColor(int c);

  // --- fonts (rscfonts.cpp) ---
  // A font of that typeface and character set, appended when missing; its
  // code, 0 when codes 1..255 are all used.
  int AppendFont(const RSCFONT* font);
  // Fonts by place n (1..count).
  const char* GetFontName(int n);
  int GetFontcode(int n);
  int GetFontFixedChar(int n);
  int SetFontFixedChar(int n, char fixed);
  int GetFont(int n, RSCFONT* desc);
  int ReplaceFont(int n, const RSCFONT* desc);
  // Removes font `code` (2..255); its texts take the replacement (font 1
  // when it is the same code or missing). 1 or 0.
  int DeleteFont(int code, int replacement);
  int FillFontTable();
  int FreeFontTable();
  int SetTextRefer(int oldCode, int newCode);
  int SetTextOrder(int code);
  int GetFontCount() const { return int(Head.Tables[RSC_TXT].Count); }

  // --- image libraries (rscimagelib.cpp) ---
  int SetUserObjectRefer();
  int BreakUserObjectRefer();
  int GetImlCount() const { return int(Head.Tables[RSC_IML].Count); }
  // The library of that file name (any case), appended and opened when
  // missing; null on failure.
  TABIML* AppendLibrary(const char* file, const char* name);
  int CodeAppendLibrary(const char* file, const char* name);
  // Libraries by place n (1..count); texts are empty for a bad n.
  const char* GetImlName(int n);
  const char* GetImlNameDLL(int n);
  const char* SetImlName(int n, const char* name);
  int GetImlCode(int n);
  int GetImlIndex(int n);
  // The place of the library with that code, 0 when none.
  int GetImlOrder(int code);
  const void* GetImageList(int slot);
  // Closes and removes a library; its signs keep library code 0. 1 or 0.
  int DeleteLibrary(int code);

  // --- the class's own operations, older versions (rscoldversion.cpp) ---
  int GetRscDescribe(RSCCREATE* describe, PALETTE256* palette);
  int CreateTRscBase(const char* name);
  int Exit(int code);
  int IsOldVersion();
  int TurnHeader(RSCHEAD* head);
  int TurnTable();
  const char* DecodeString(char* text, int size);
  int GetRscObjectCodeType();
  int SetRscObjectCodeType(int type);
  int CheckAndLoadOldVersion(const char* name, LONG mode);
  int LoadOldVersion(const char* oldName, const char* name, LONG mode);
  // Objects made with new live in page-allocated memory (null when it
  // can't be had) and go back to the page allocator.
  static void* operator new(size_t size) noexcept;
  static void operator delete(void* object);

  // --- sign images (imagemeasure.cpp) ---
  int GetImageFrame(int function, const char* parameters, double angle, IMAGEFRAME* frame);
  static int TurnPoint(DOUBLEPOINT* centre, DOUBLEPOINT* point, double s, double c);

  // --- images of semantic values (rscgrs.cpp) ---
  int GetGrsItemCount();
  // The image of a value of an item (of a semantic code when item is 0);
  // null with 60105 when there is none.
  IMAGEVALUE* GetGrsItem(int item, DWORD code, DWORD value);
  char* GetGrsItemParam(int item, DWORD value);
  int GetGrsItemFunction(int item, DWORD value);
  // The item of a semantic with a value list and an image function (an
  // existing one of either); 0 on failure.
  int AppendGrs(DWORD code, int function);
  // Sets the image of one of the semantic's values; the item, or 0 (60105).
  int AppendGrsItem(int item, DWORD value, const IMAGEVALUE* image);

  // --- relations (rscrelate.cpp) ---
  int CheckRelation(DWORD ident, int after);
  int DeleteObjectRelateIdent(int n, DWORD ident);
  // Removes kind n's relation for a semantic; the related ident, or 0.
  DWORD DeleteObjectRelate(int n, DWORD code);
  // Relations of kinds 16..count. A description gives the related kind by
  // its number; the result is its ident.
  int GetObjectRelateCount(int n);
  DWORD GetObjectRelateOrder(int n, int k, RSCRELATION* desc);
  DWORD GetObjectRelate(int n, DWORD code, RSCRELATION* desc);
  // Relates kind n by semantic `code` to the title or template kind of
  // that ident; the ident, or 0.
  DWORD UpdateObjectRelate(int n, DWORD code, DWORD ident, const char* prefix, int flag);
  int DeleteObjectRelationText(DWORD ident);

 private:
  // An object number in 1..count whose slot holds a record.
  bool ValidObject(int n) const {
    return ObjIndex && n >= 1 && DWORD(n) <= Head.Tables[RSC_OBJ].Count && ObjIndex[n].Obj;
  }
  // Makes room for one more object index entry.
  bool ReserveObjectIndex();
  // Stores the direction of a kind by its local type's rule.
  int StoreDirect(int n, int direct);
  // Re-links every kind that used record `from` to `to`.
  void RelinkPos(const TABPOS* from, TABPOS* to);
  // Room for one more GRS entry (and the free one that ends them).
  bool ReserveGrsEntry();
  // Gives the text images of a title or template kind the registered
  // numbers of their fonts, as opening does for every such kind.
  void BindTextFonts(int n);
  // Registers the fonts again and refreshes the registered numbers kept in
  // the kinds' text images, as opening does.
  void RebindFonts();
  // Scale index of a denominator in the selected scale table.
  int ScaleIndex(DWORD denominator) const;
  // Appends a copy of kind n of `source` in layer `layer` with its images
  // (no semantics); the new number, or 0.
  int AppendCopy(TMapRsc* source, int n, int layer);
  // A pool block for a series limit record, its values 8-byte aligned.
  TABLIM* NewLim(DWORD length);
};

// Services of the image library layer, installed by the drawing engine.
// Without them no library opens, library signs get slot 0 and measure 0.
struct RSCIMAGELIBRARY {
  int (*Open)(const char* path);               // slot 1..64, 0 on failure
  void (*Close)(int slot);
  LONG (*ImageListField)(int slot, LONG image);
  const void* (*ImageList)(int slot);          // the library's image list
  // The size of a library sign from its parameters: nonzero when its
  // library measured it.
  int (*ImageSize)(const char* params, IMAGESIZE* size);
};
void rscSetImageLibraryServices(const RSCIMAGELIBRARY* services);
const RSCIMAGELIBRARY* rscImageLibraryServices();
