#include "support/rmffixture.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "document/mapaccess.h"
#include "document/mtlchains.h"
#include "document/rmfchains.h"
#include "document/rmfheights.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "platform/gdi/gdi.h"
#include "raster/mtl.h"
#include "raster/mtr.h"
#include "raster/rst.h"
#include "records/dataedit.h"
#include "support/fuzzhome.h"
#include "support/rmfbuild.h"

namespace fuzz {

namespace {

// Every file lies from (5000, 2000) north and east in elements of 10 m,
// one row of kBlocks blocks: more than a file's cache slots, so that the
// blocks the slots give up go to the block store and come back from it.
// The row is high enough to show when the whole file is fitted into a
// small picture; most blocks are stored compressed, written so at once,
// which keeps the files small.
constexpr double kSouth = 5000, kWest = 2000, kElement = 10;
constexpr int kBlocks = TRmf::kDefaultSlots + 2;
// The blocks stored plain, whose elements are read alone.
bool PlainBlock(int block) { return block == 3 || block == kBlocks - 1; }

// The raster: kBlocks blocks of 256 x 32 elements of 8 bits, those not
// plain compressed, a border inside it and reduced copy 1.
bool WriteRaster(const std::string& path) {
  constexpr int kSide = 256, kColumns = kBlocks * kSide, kRows = 32;
  DWORD palette[256];
  for (DWORD i = 0; i < 256; ++i) palette[i] = i * 0x010101;
  TRst r;
  if (r.Create(path.c_str(), kColumns, kRows, 8, palette, 10000, 1000) != 1) return false;
  r.Head.Compression = RMF_LZW;
  r.HeadChanged = 1;
  auto value = [](int row, int col) { return LONG((row / 4 + col / 16) % 7 + 1); };
  for (int block = 0; block < kBlocks; ++block) {
    std::vector<char> flat(kSide * kRows), packed(flat.size());
    for (int i = 0; i < kRows; ++i)
      for (int j = 0; j < kSide; ++j) {
        const int col = block * kSide + j;
        if (PlainBlock(block) && r.PutPoint(value(i, col), i, col) != 1) return false;
        flat[size_t(i) * kSide + j] = char(value(i, col));
      }
    if (PlainBlock(block)) continue;
    const int n = r.Compress(flat.data(), int(flat.size()), packed.data(), int(packed.size()));
    if (n <= 0 || n >= int(flat.size()) || r.WriteBlock(0, block, packed.data(), n) != n)
      return false;
  }
  r.Head.LocationX = kSouth;
  r.Head.LocationY = kWest;
  r.Head.LocationSet = 1;
  r.HeadChanged = 1;
  if (r.Save() != 1) return false;
  TDataEdit border;
  border.Init();
  border.Create(METRIC_F64, 0);
  for (auto [x, y] : {std::pair<int, int>{2, 2}, {kColumns - 10, 2}, {kColumns - 10, kRows - 3},
                      {2, kRows - 3}, {2, 2}})
    border.AppendPointSubject(0, x, y);
  const bool bordered = r.SetBorder(&border) == 1;
  border.Free();
  if (!bordered || r.CreateDuplicate(1) != 1 || r.Save() != 1) return false;
  r.Close();
  return true;
}

BUILDMTW MatrixBuild(int columns, int rows, int bytes) {
  BUILDMTW b = rmftest::MatrixBuild(kSouth, kWest, columns * kElement, rows * kElement, kElement,
                                    bytes, 10000);
  b.HeightUnit = 1;  // decimetres
  return b;
}

// The elevation matrix: kBlocks blocks of 128 x 16 elements of 4 bytes,
// those not plain written through the matrix coder with some empty
// elements.
bool WriteElevation(const std::string& path) {
  constexpr int kSide = 128, kColumns = kBlocks * kSide, kRows = 16;
  BUILDMTW b = MatrixBuild(kColumns, kRows, 4);
  TMtr m;
  if (m.Create(path.c_str(), &b, nullptr, 0) != 1) return false;
  m.Head.Compression = RMF_MATRIX;
  auto value = [](int row, int col) { return LONG(100 + 7 * row + 3 * (col % 300)); };
  for (int block = 0; block < kBlocks; ++block) {
    std::vector<LONG> flat(size_t(kSide) * kRows);
    for (int i = 0; i < kRows; ++i)
      for (int j = 0; j < kSide; ++j) {
        const int col = block * kSide + j;
        if (PlainBlock(block) && m.PutPoint(value(i, col), i, col) != 1) return false;
        flat[size_t(i) * kSide + j] = (i + j) % 11 ? value(i, col) : -32767000;
      }
    if (PlainBlock(block)) continue;
    const int raw = int(flat.size() * sizeof(LONG));
    std::vector<char> packed(static_cast<size_t>(raw));
    const int n = m.CompressMtr(flat.data(), raw, packed.data(), raw, 0);
    if (n <= 0 || n >= raw || m.WriteBlock(0, block, packed.data(), n) != n) return false;
  }
  m.Head.Minimum = 100;
  m.Head.Maximum = value(kRows - 1, 299);
  m.HeadChanged = 1;
  if (m.Save() != 1) return false;
  m.Close();
  return true;
}

// The quality matrix: kBlocks blocks of 256 x 2 elements of 1 byte, values
// 0..3 of four colours (it is not shown by itself).
bool WriteQuality(const std::string& path) {
  constexpr int kColumns = kBlocks * 256, kRows = 2;
  BUILDMTW b = MatrixBuild(kColumns, kRows, 1);
  b.HeightUnit = 0;
  const COLORREF colours[4] = {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF};
  MTRPROJECTIONDATA proj = rmftest::NoProjection();
  TMtr m;
  if (m.CreateMtq(path.c_str(), &b, &proj, colours, 4) != 1) return false;
  for (int i = 0; i < kRows; ++i)
    for (int j = 0; j < kColumns; ++j)
      if (m.PutPoint(LONG((i + j / 8) % 4), i, j) != 1) return false;
  m.Head.Minimum = 0;
  m.Head.Maximum = 3;
  m.HeadChanged = 1;
  if (m.Save() != 1) return false;
  m.Close();
  return true;
}

// The layer matrix: kBlocks blocks of 64 x 8 cells of a 2-byte height and
// two 1-byte layers.
bool WriteLayers(const std::string& path) {
  constexpr int kColumns = kBlocks * MTL_BLOCK_SIDE, kRows = 8;
  MTLBUILDPARM p = rmftest::LayerMatrixBuild(kSouth, kWest, kSouth + kRows * kElement,
                                             kWest + kColumns * kElement, kElement, 2, 2, 10000);
  p.HeightUnit = 1;
  p.PowerUnit = 1;
  TMtl m;
  if (m.Create(path.c_str(), &p) != 1) return false;
  for (int i = 0; i < kRows; ++i)
    for (int j = 0; j < kColumns; ++j) {
      const double x = kSouth + (i + 0.5) * kElement, y = kWest + (j + 0.5) * kElement;
      if (m.PutPlaneHeight(x, y, 50 + i + (j % 100) * 0.5) != 1 ||
          m.PutPlanePower(x, y, 1 + j % 5, 1) != 1 || m.PutPlanePower(x, y, 2 + i % 3, 2) != 1)
        return false;
    }
  if (m.Save() != 1) return false;
  m.Close();
  return true;
}

// The picture's size at the document's zoom.
void PictureSize(TMapAccess* doc, LONG* w, LONG* h) {
  *w = 0, *h = 0;
  doc->GetPictureBorder(*w, *h);
}

// Paints picture rectangles of at most 64 x 64 pixels: the middle at zoom
// 4 and at zoom 1, the whole region far zoomed out (where rasters use their
// smallest reduced copy) and fitted into one, that once more onto a device.
// Leaves the fitted zoom in force.
void Paint(TMapAccess* doc) {
  static std::vector<uint32_t> image(64 * 64);
  LONG w, h;
  doc->SetViewScale(1.0);
  PictureSize(doc, &w, &h);
  const double fit = 64.0 / double(std::max<LONG>({w, h, 1}));
  for (double zoom : {4.0, 1.0, fit / 70, fit}) {
    doc->SetViewScale(zoom);
    PictureSize(doc, &w, &h);
    const LONG left = std::max<LONG>(0, w / 2 - 32), top = std::max<LONG>(0, h / 2 - 32);
    const RECT rect{left, top, left + 64, top + 64};
    doc->PaintDibToDib32(reinterpret_cast<char*>(image.data()), 64 * 4, 64, rect);
  }
  // The device road of visual type 3 onto a 64 x 64 memory device.
  HDC dc = plat::CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 64, 64, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = plat::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = plat::SelectObject(dc, bitmap);
  const int type = doc->SetVisualType(3);
  doc->Paint(dc, 1, RECT{0, 0, 64, 64});
  doc->SetVisualType(type);
  plat::SelectObject(dc, old);
  plat::DeleteDC(dc);
  plat::DeleteObject(bitmap);
}

// The plane points of a 4 x 4 grid over the picture at zoom 1, and two
// outside it.
std::vector<DOUBLEPOINT> Points(TMapAccess* doc) {
  LONG w, h;
  doc->SetViewScale(1.0);
  PictureSize(doc, &w, &h);
  std::vector<DOUBLEPOINT> points;
  // A picture may be as wide as LONG holds: the grid is placed in 64 bits
  // and the point past the corner kept within LONG.
  auto at = [](LONG side, int64_t eighths) { return LONG(int64_t(side) * eighths / 8); };
  auto past = [](LONG side) { return LONG(std::min<int64_t>(int64_t(side) + 5, INT32_MAX)); };
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      const POINT p{at(w, 2 * j + 1), at(h, 2 * i + 1)};
      DOUBLEPOINT plane{};
      doc->PictureToPlane(&p, &plane);
      points.push_back(plane);
    }
  for (POINT p : {POINT{-5, -5}, POINT{past(w), past(h)}}) {
    DOUBLEPOINT plane{};
    doc->PictureToPlane(&p, &plane);
    points.push_back(plane);
  }
  return points;
}

// Every reader of values at each point (those of other kinds answer
// nothing): the values found.
int ReadValues(TMapAccess* doc) {
  int found = 0;
  RMFCHAIN* raster = GetChainUnit(DocChain(doc, DOCKIND_RST), 1);
  CHAININFO* quality = DocChain(doc, DOCKIND_MTQ);
  const std::vector<DOUBLEPOINT> points = Points(doc);
  for (const DOUBLEPOINT& p : points) {
    LONG colour = 0;
    if (raster != nullptr && raster->File->GetPlanePoint(colour, p.X, p.Y) == 1) ++found;
    double v = 0;
    found += GetChainHeight(quality, &v, p.X, p.Y);
    found += GetHeightValue(doc, p.X, p.Y) != MTL_NO_HEIGHT;
    found += GetPrecisionHeightTriangle(doc, p.X, p.Y) != MTL_NO_HEIGHT;
    found += GetElementPower(doc, p.X, p.Y, 2) != MTL_NO_POWER;
    found += GetElementPowerTriangle(doc, 1, p.X, p.Y, 1) != MTL_NO_POWER;
    double powers[4];
    GetElementPowersTriangle(doc, 1, p.X, p.Y, powers, 2);
  }
  if (points.size() >= 2) {
    double heights[16];
    DOUBLEPOINT first = points.front(), last = points[points.size() - 3];
    GetHeightArray(doc, heights, 16, &first, &last);
  }
  if (raster != nullptr) {
    CheckInversionRst(doc, 1);
    GetRstColorCount(doc, 1);
  }
  return found;
}

// Two elements of each block along the file's first two rows, one in
// each, and all of it once more: an element of a block stored plain is
// read alone with the rest of its row, the second one of the same block,
// in the other row, reads the block whole, and with more blocks than slots
// the slots give blocks up to the store, from which the second round takes
// them (a block that does not decode is remembered instead). The blocks
// the store holds afterwards.
int WalkBlocks(TRmf* f) {
  const LONG step = std::max<LONG>(1, f->Head.BlockWidth / 2);
  const int rows = f->Head.Height > 1 ? 2 : 1;
  LONG value;
  for (int round = 0; round < 2; ++round)
    for (int k = 0; k < 48 && int64_t(k) * step < f->Head.Width; ++k)
      f->GetPoint(value, k % rows, int(k * step));
  return f->Store.Count();
}

// What each unit's file gives beyond single values: its blocks along its
// first row, a frame of up to 64 x 64 elements from its north-west corner,
// a turned strip across it,
// the matrices' walks from the middle in all 16 directions, the
// descriptions, and the border display switched on (saved with the file).
// The blocks the files' stores held after their row walks.
int ReadUnits(TMapAccess* doc) {
  int stored = 0;
  static std::vector<char> frame(64 * 64 * 8);
  static std::vector<DWORD> strip(16 * 16);
  for (int kind : {DOCKIND_RST, DOCKIND_MTR, DOCKIND_MTQ}) {
    CHAININFO* chain = DocChain(doc, kind);
    RMFCHAIN* unit = GetChainUnit(chain, 1);
    if (unit == nullptr) continue;
    TRmf* f = unit->File;
    stored += WalkBlocks(f);
    const int rows = std::min<LONG>(f->Head.Height, 64), cols = std::min<LONG>(f->Head.Width, 64);
    f->GetFrame(frame.data(), 0, 0, cols, rows, 0);
    f->GetFrameTurn(strip.data(), 16, 16, 0, 0, f->Head.Height, f->Head.Width);
    if (TMtr* m = unit->Matrix()) {
      int row, col;
      LONG value;
      for (int direction = 0; direction < 16; ++direction)
        m->ScanPoint(f->Head.Height / 2, f->Head.Width / 2, direction, row, col, value);
    }
    MTRDESCRIBE describe;
    GetChainDescribe(chain, 1, &describe);
    CheckShowChainByBorder(doc, kind, 1);
    ShowChainByBorder(doc, kind, 1, 1);
  }
  if (MTLCHAIN* unit = GetMtlChain(doc, 1)) {
    MTLDESCRIBE describe;
    GetMtlDescribe(doc, 1, &describe);
    GetLayerCountOfMtl(doc, 1);
    GetMaxSummaryPowerOfMtl(doc, 1);
    stored += WalkBlocks(&unit->Matrix);
    const int rows = std::min<LONG>(unit->Matrix.Head.Height, 64);
    const int cols = std::min<LONG>(unit->Matrix.Head.Width, 64);
    for (int i = 0; i < rows; i += 7)
      for (int j = 0; j < cols; j += 5) {
        LONG h, p;
        unit->Matrix.GetHeight(h, i, j);
        unit->Matrix.GetPower(p, i, j, 1 + (i + j) % 3);
      }
  }
  return stored;
}

// One element written at the middle of the picture through each kind's
// writer: the writes that took.
int WriteValues(TMapAccess* doc) {
  const std::vector<DOUBLEPOINT> p = Points(doc);
  const double x = p[5].X, y = p[5].Y;
  int written = 0;
  if (RMFCHAIN* raster = GetChainUnit(DocChain(doc, DOCKIND_RST), 1))
    written += raster->File->PutPlanePoint(LONG(5), x, y) == 1;
  written += PutChainHeight(DocChain(doc, DOCKIND_MTQ), 1, x, y, 2) == 1;
  written += PutHeightValue(doc, 1, x, y, 42.5) == 1;
  written += PutElementHeight(doc, 1, x, y, 12.5) == 1;
  written += PutElementPower(doc, 1, x, y, 2.0, 1) == 1;
  return written;
}

// Every unit's file saved: 1 when all that are open saved.
int SaveUnits(TMapAccess* doc) {
  int units = 0, saved = 0;
  for (int kind : {DOCKIND_RST, DOCKIND_MTR, DOCKIND_MTQ})
    for (int n = 1; RMFCHAIN* unit = GetChainUnit(DocChain(doc, kind), n); ++n, ++units)
      saved += unit->File->Save() == 1;
  for (int n = 1; MTLCHAIN* unit = GetMtlChain(doc, n); ++n, ++units)
    saved += unit->Matrix.Save() == 1;
  return units > 0 && saved == units;
}

// The clock of a walk, standing an hour after the last write of the file
// it is about to open, as for a host's file long at rest: the blocks read
// from it are kept behind the slots (a block read within two seconds of a
// write is not). Set again before each open, as the walk's saves write the
// file; the fixtures' clock comes back when the walk ends.
class RestClock {
 public:
  ~RestClock() { UseFixtureClock(); }
  void Rest(const std::string& path) {
    HANDLE h = plat::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME written{};
    const bool known = h != INVALID_HANDLE_VALUE && plat::GetFileTime(h, nullptr, nullptr, &written);
    if (h != INVALID_HANDLE_VALUE) plat::CloseHandle(h);
    if (!known) return;
    reading_ = {int64_t(plat::FileTimeValue(written)) + kHour, 0};
    plat::SetClock(&Read, &reading_);
  }

 private:
  static constexpr int64_t kHour = 36000000000;  // 100-ns units
  static plat::ClockReading Read(void* reading) {
    return *static_cast<plat::ClockReading*>(reading);
  }
  plat::ClockReading reading_{};
};

}  // namespace

bool BuildDataFixture(const std::string& folder) {
  return WriteRaster(folder + kRasterFile) && WriteElevation(folder + kElevationFile) &&
         WriteQuality(folder + kQualityFile) && WriteLayers(folder + kLayerFile);
}

WalkReport WalkData(const std::string& path) {
  // The documents share one memory image, made when the first opens and
  // dropped when the last closes: a document kept for the process's life
  // spares each walk making a screen-sized image twice.
  static TMapAccess* const keeper = NewDocument();
  (void)keeper;
  WalkReport r;
  RestClock clock;
  TMapAccess* doc = NewDocument();
  if (doc == nullptr) return r;
  clock.Rest(path);
  if (doc->OpenData(path.c_str(), 0) != 0) {
    r.opened = 1;
    Paint(doc);
    r.objects = ReadValues(doc);
    r.stored = ReadUnits(doc);
    r.appended = WriteValues(doc);
    r.saved = SaveUnits(doc);
  }
  FreeDocument(doc);
  if (!r.opened) {
    r.host = HostWalk(path);
    return r;
  }
  doc = NewDocument();
  if (doc == nullptr) return r;
  clock.Rest(path);
  if (doc->OpenData(path.c_str(), 0) != 0) {
    r.reopened = 1;
    Paint(doc);
    r.objectsAfter = ReadValues(doc);
  }
  FreeDocument(doc);
  clock.Rest(path);
  r.host = HostWalk(path);
  return r;
}

}  // namespace fuzz
