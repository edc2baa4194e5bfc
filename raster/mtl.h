// Layer matrix files: blocked files (raster/rmf.h) of kind "MTL" whose
// cells hold a record: an optional surface height (2 or 4 bytes signed, in
// the height unit of header +304; the truncated empty value of +296 = no
// height) and the thicknesses of a fixed number of layers (1, 2 or 4 bytes
// unsigned each, in the layer unit; the largest value of the width = no
// value).
//
// The file has no palette; the block table follows the header (320, or
// unit 2), then the layer block (header +236, +240): a 320-byte head and
// one 48-byte descriptor per layer. Blocks are 64 x 64 cells. A new block
// holds 0xFF in every byte and the empty height in every record.
#pragma once

#include <cstddef>

#include "raster/mtr.h"
#include "raster/rmf.h"
#include "types/mtltypes.h"

#pragma pack(push, 1)
// The head of the layer block (320 bytes).
struct MTLLAYERHEAD {
  DWORD Marker;        // +0  MTL_LAYER_MARKER
  DWORD Length;        // +4  320 + 48 x layer count
  DWORD LayerCount;    // +8
  DWORD SecondCount;   // +12 kept for the matrix builder
  DWORD HeightBytes;   // +16 0, 2, 4
  DWORD PowerBytes;    // +20 1, 2, 4
  DWORD NoValue;       // +24 255, 65535 or 0xFFFFFFFF
  DWORD PowerUnit;     // +28 0..3
  double BottomLevel;  // +32 kept for the matrix builder
  double MaxSummaryPower;  // +40 largest sum of the layer thicknesses; not above 0: unknown
  BYTE Reserve[12];    // +48
  char Name[MAX_PATH]; // +60 name of the layer matrix
};

// One layer's descriptor (48 bytes); bytes not named are the builder's.
struct MTLLAYER {
  DWORD Reserve1;      // +0
  DWORD Color;         // +4
  DWORD MaxThickness;  // +8 largest thickness of the layer
  BYTE Reserve2[20];   // +12
  char ShortName[16];  // +32 zero-padded
};
#pragma pack(pop)

static_assert(sizeof(MTLLAYERHEAD) == 320);
static_assert(offsetof(MTLLAYERHEAD, BottomLevel) == 32);
static_assert(offsetof(MTLLAYERHEAD, MaxSummaryPower) == 40);
static_assert(offsetof(MTLLAYERHEAD, Name) == 60);
static_assert(sizeof(MTLLAYER) == 48);
static_assert(offsetof(MTLLAYER, ShortName) == 32);

constexpr DWORD MTL_LAYER_MARKER = 0x7FFF7FFFu;
constexpr DWORD MTL_LAYER_HEAD = 320;
constexpr DWORD MTL_LAYER_ITEM = 48;
constexpr int MTL_BLOCK_SIDE = 64;
// Records of more bytes than this are refused: a 64 x 64 block of them
// stays within the file layer's 16 MB block limit.
constexpr int MTL_MAX_RECORD = 4096;

// No layer thickness, in metres.
constexpr double MTL_NO_POWER = -1111111.0;

class MAPCLASS TMtl : public TRmf {
 public:
  TMtl();
  // Open; a failed opening throws the integer 0.
  TMtl(const char* name, int mode);
  ~TMtl();

  // A new layer matrix from build parameters: rows = (X2 - X1) / size +
  // 0.5 and columns = (Y2 - Y1) / size + 0.5 truncated. A record that
  // breaks a rule is refused with 60040, also written over its length
  // word; 60002 when the disk cannot hold the file, 60006 when it cannot be
  // created. The header, block table and layer block are written at once.
  int Create(const char* name, MTLBUILDPARM* parm);
  // Create with projection data (length 128; parameters its projection
  // kind accepts, kind -1 meaning none), else 60040 and nothing created.
  int CreateMtlFileEx(const char* name, MTLBUILDPARM* parm, MTRPROJECTIONDATA* proj);
  // Opens an "MTL" file (or an "MTW" that carries a layer block): header,
  // block table, layer block, block flags, border, 8 cache slots. 60003 for
  // an unreadable start, 60005 for another kind or a layer block that does
  // not describe the records; a failed opening leaves the object closed.
  int Open(const char* name, int mode = 0);
  // The layer block when changed (or forced), then every area of the file.
  int Save(int force = 0);
  void Close(int free = 1);
  void ClearAll();

  // The layer block: read (60005 without one or for one that does not
  // match the header, 60003), written in place (0 without a code for a
  // read-only file or no layer block), its buffer grown (60001).
  int ReadLayerDesc();
  int WriteLayerDesc();
  int AllocateLayerDesc(int size);

  // Records. The address of a cell's record in the block cache (outside
  // 60040; 0 for a cell of an absent block); the Create forms make the
  // block (and mark it changed on a writable file). PutElement copies a
  // record of exactly the record size (else 60040); on a read-only file
  // writers return 0 without a code.
  BYTE* GetElement(int row, int col);
  BYTE* GetElementAndCreate(int row, int col);
  int PutElement(const char* record, int size, int row, int col);
  // The same at a plane point (outside the frame 60005).
  BYTE* GetPlaneElement(double x, double y);
  BYTE* GetPlaneElementAndCreate(double x, double y);
  int PutPlaneElement(const char* record, int size, double x, double y);

  // Heights (60005 for a matrix without them). GetHeight: the stored value,
  // 1 when it is not empty. The plane forms in metres; PutPlaneHeight
  // stores h x height factor rounded half away from zero, cut to its width
  // (a value that is not finite: 60040). A height written (here or in a
  // record by PutElement) widens the header's minimum and maximum, saved
  // with the header.
  int GetHeight(LONG& h, int row, int col);
  int GetPlaneHeight(double& h, double x, double y);
  int PutPlaneHeight(double x, double y, double h);

  // Layer thicknesses, layers counted from 1 (else 60040). GetPowers: the
  // address of the first layer's value, 0 when it has none. GetPower: the
  // stored value, 1 when it is not the no-value mark. The plane forms in
  // metres through the layer factor.
  BYTE* GetPowers(int row, int col);
  int GetPower(LONG& p, int row, int col, int layer);
  int GetPlanePower(double& p, double x, double y, LONG layer);
  int PutPlanePower(double x, double y, double p, LONG layer);
  // Layer unit 0..3 (1, 1/10, 1/100, 1/1000 m), kept at layer block +28.
  int LayerMeasure(LONG unit);

  // Fills everything but the view flag (60006 without a file, 60040
  // without a record).
  int GetMtlDescribe(MTLDESCRIBE* describe);

  // Values between cell centres (triangles of a centre, a neighbour's
  // centre and their shared corner). Element forms take continuous (row,
  // col); the plane forms convert a point (outside the frame 60005). A
  // height result starts as the empty value and a thickness as
  // MTL_NO_POWER, and stays so when the result is 0. GetPowersTriangle
  // fills min(count, layers, 256) values: a cell counts when its first
  // layer has a value, and for each layer only cells holding a value of
  // that layer are used; a layer without a value in the centre cell keeps
  // MTL_NO_POWER. The plane form needs count = the layer count.
  int GetHeightTriangle(double& h, double row, double col);
  int GetPlaneHeightTriangle(double& h, double x, double y);
  int GetPowerTriangle(double& p, double row, double col, int layer);
  int GetPlanePowerTriangle(double& p, double x, double y, int layer);
  int GetPowersTriangle(double row, double col, double* p, LONG count);
  int GetPlanePowersTriangle(double x, double y, double* p, LONG count);

  // The layer block's head and descriptors (0 without a layer block).
  MTLLAYERHEAD* LayerHead() const { return reinterpret_cast<MTLLAYERHEAD*>(LayerBlock); }
  MTLLAYER* LayerItems() const { return LayerItem; }
  int LayerCount() const { return LayerBlock ? int(LayerHead()->LayerCount) : 0; }
  int RecordSize() const { return Head.BitsPerElement / 8; }
  int HeightBytes() const { return LayerBlock ? int(LayerHead()->HeightBytes) : 0; }
  int PowerBytes() const { return LayerBlock ? int(LayerHead()->PowerBytes) : 0; }

  BYTE* LayerBlock = nullptr;   // the layer block
  MTLLAYER* LayerItem = nullptr;  // its first descriptor (block + 320)
  DWORD LayerBlockSize = 0;     // bytes allocated
  DWORD LayerChanged = 0;
  double LayerFactor = 1.0;     // 1, 10, 100, 1000 by the layer unit
  double LayerInverse = 1.0;

 private:
  // The record of a cell: its block (created when asked) and place.
  BYTE* Record(int row, int col, bool create);
  // Reads layer `layer` (1-based) of a record.
  DWORD PowerOf(const BYTE* record, int layer) const;
  // The header's height range (stored units) widened by the height of a
  // record just written, unless it is the empty height.
  void WidenHeightRange(const BYTE* record);
  void SetLayerFactor(DWORD unit);
};
