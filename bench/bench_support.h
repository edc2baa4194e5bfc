// Fixtures shared by the benchmark programs: a scratch folder per run, a
// one-sheet map on a classifier of one line kind with the records written
// to it, a one-sheet document on a classifier of kinds with images, the
// common tables of the large test classifiers, and the blocks of a large
// scanned raster.
#pragma once

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "bench/bench_rschead.h"
#include "classifier/maprsc.h"
#include "document/mapaccess.h"
#include "document/mapcreate.h"
#include "mapstore/map.h"
#include "platform/file.h"
#include "raster/rmf.h"
#include "tests/classifier/support/rscbuilder.h"

namespace benchsupport {

// A scratch folder of one run, <temp>/<name>_<process id>/, removed with its
// content when the program ends.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& name) {
    namespace fs = std::filesystem;
    path_ = (fs::temp_directory_path() / (name + "_" + std::to_string(getpid()))).string() + "/";
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // The folder, ending in '/'.
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The object kind of the benchmark classifier: a line, internal code 16.
constexpr int kLineCode = 16;

// Creates a classifier holding the one line kind (excode 5550).
inline bool CreateLineClassifier(const std::string& path) {
  ClassifierHead head("BENCH");
  TMapRsc classifier;
  if (!classifier.CreateRsc(path.c_str(), &head.create, nullptr, 0)) return false;
  RSCOBJ kind{};
  kind.Excode = 5550;
  kind.Local = LOCAL_LINE;
  const bool ok = classifier.AppendObject(&kind, 0) == kLineCode && classifier.Save(1);
  classifier.CloseRsc();
  return ok;
}

// Creates a map of scale 1:100,000 with one 10 km sheet whose files are
// S1.*, beside the map, on the classifier `rsc`; the map stays open.
inline bool CreateOneSheetMap(TMap& map, const std::string& path, const std::string& rsc) {
  MAPREGISTEREX reg;
  ClearMapRegisterEx(&reg);
  reg.Scale = 100000;
  TListRegister sheet;
  LISTREGISTER& r = sheet.Register;
  std::strcpy(r.FileName, "S1");
  r.XSouthWest = 6000000, r.YSouthWest = 7400000;
  r.XNorthWest = 6010000, r.YNorthWest = 7400000;
  r.XNorthEast = 6010000, r.YNorthEast = 7410000;
  r.XSouthEast = 6000000, r.YSouthEast = 7410000;
  return map.CreateDataEx(path.c_str(), rsc.c_str(), &reg, &r) != 0;
}

// One kind of a painting benchmark's classifier with its screen image.
struct ImageKind {
  uint32_t excode;
  int local, function;
  std::vector<DWORD> words;  // the image's parameters
};

// Creates a classifier of one layer and 16 colours holding the kinds: their
// internal codes into `codes`; false on failure.
inline bool CreateImageClassifier(const std::string& path, const std::vector<ImageKind>& kinds,
                                  int* codes) {
  ClassifierHead head("BENCH");
  for (int i = 0; i < 16; ++i) head.palette.Colors[i] = TMapRsc::GetDefaultColor(i);
  TMapRsc rsc;
  if (!rsc.CreateRsc(path.c_str(), &head.create, &head.palette, 0)) return false;
  RSCSEGMENT layer{};
  std::strcpy(layer.Name, "LAYER");
  const int segment = rsc.AppendSegment(&layer);
  for (size_t k = 0; k < kinds.size(); ++k) {
    RSCOBJ obj{};
    obj.Excode = kinds[k].excode;
    obj.Local = WORD(kinds[k].local);
    obj.Segment = WORD(segment);
    std::strcpy(obj.Name, "KIND");
    codes[k] = rsc.AppendObject(&obj, 1);
    if (codes[k] == 0 ||
        !rsc.SetTabPar(codes[k], int(kinds[k].words.size() * 4), kinds[k].function,
                       reinterpret_cast<const char*>(kinds[k].words.data())))
      return false;
  }
  return rsc.Save(1) == 1;
}

// Creates a classifier of a 1-pixel blue line, a green area and a black
// 8-pixel circle as a point sign (excodes 100, 200, 300): their internal
// codes into codes[0..2]; false on failure.
inline bool CreateLineAreaPointClassifier(const std::string& path, int* codes) {
  return CreateImageClassifier(path,
                               {{100, LOCAL_LINE, 128, {0xA05000, 250}},
                                {200, LOCAL_SQUARE, 135, {0x40B040}},
                                {300, LOCAL_POINT, 140, {0x000000, 0, 1000}}},
                               codes);
}

// Creates the document of a map of scale 1:100,000 on the classifier `rsc`
// with one sheet (files S1.*) of sideX metres north by sideY east from
// (x, y); null on failure.
inline TMapAccess* CreateSheetDocument(const std::string& path, const std::string& rsc, double x,
                                       double y, double sideX, double sideY) {
  MAPREGISTEREX reg;
  ClearMapRegisterEx(&reg);
  reg.Scale = 100000;
  LISTREGISTER sheet{};
  std::strcpy(sheet.FileName, "S1");
  sheet.XSouthWest = x, sheet.YSouthWest = y;
  sheet.XNorthWest = x + sideX, sheet.YNorthWest = y;
  sheet.XNorthEast = x + sideX, sheet.YNorthEast = y + sideY;
  sheet.XSouthEast = x, sheet.YSouthEast = y + sideY;
  return CreateMapDocument(path.c_str(), rsc.c_str(), &reg, &sheet);
}

// A metric record of one contour of the f32 points (x, y).
inline std::vector<char> F32Metric(const std::vector<std::pair<float, float>>& points) {
  const uint32_t length = 16 + uint32_t(points.size()) * 8;
  std::vector<char> b(length, 0);
  const DWORD marker = METRIC_F32;
  std::memcpy(b.data(), &marker, 4);
  std::memcpy(b.data() + 4, &length, 4);
  const WORD count = WORD(points.size());
  std::memcpy(b.data() + 14, &count, 2);
  for (size_t i = 0; i < points.size(); ++i) {
    std::memcpy(b.data() + 16 + i * 8, &points[i].first, 4);
    std::memcpy(b.data() + 20 + i * 8, &points[i].second, 4);
  }
  return b;
}

// A metric record of one f32 contour through picture points, in the units
// of the document's sheet 1 (which must be open).
inline std::vector<char> PictureMetric(TMapAccess* doc, const std::vector<DOUBLEPOINT>& points) {
  const DOUBLEPOINT* view = doc->ViewPosition(1);
  std::vector<std::pair<float, float>> sheet;
  for (DOUBLEPOINT p : points) {
    doc->PictureToPlane(p.X, p.Y);
    sheet.push_back({float((p.X - doc->X0) / doc->Factor - view->X),
                     float((p.Y - doc->Y0) / doc->Factor - view->Y)});
  }
  return F32Metric(sheet);
}

// A metric record of one contour of `points` f32 points, varied by `seed`.
inline std::vector<char> LineMetric(int seed, int points) {
  const uint32_t length = 16 + points * 8;
  std::vector<char> b(length, 0);
  const DWORD marker = METRIC_F32;
  std::memcpy(b.data(), &marker, 4);
  std::memcpy(b.data() + 4, &length, 4);
  const WORD count = WORD(points);
  std::memcpy(b.data() + 14, &count, 2);
  for (int i = 0; i < points; ++i) {
    const float x = float(1000 + seed % 5000 + i * 10), y = float(2000 + i * 7);
    std::memcpy(b.data() + 16 + i * 8, &x, 4);
    std::memcpy(b.data() + 20 + i * 8, &y, 4);
  }
  return b;
}

// The records of a line object of 20 points and three characteristics
// (codes 9, 10 and 11, 4-byte integers holding seed, seed + 1, seed + 2),
// written over the same two buffers for each object's seed.
struct LineRecords {
  enum : int { POINTS = 20, VALUES = 3 };
  std::vector<char> metric = LineMetric(0, POINTS);
  std::vector<char> semn = std::vector<char>(4 + VALUES * 8, 0);

  void Fill(int seed) {
    for (int i = 0; i < POINTS; ++i) {
      const float x = float(1000 + seed % 5000 + i * 10), y = float(2000 + i * 7 + seed % 97);
      std::memcpy(metric.data() + 16 + i * 8, &x, 4);
      std::memcpy(metric.data() + 20 + i * 8, &y, 4);
    }
    const WORD head[2] = {0x7FFF, WORD(semn.size())};
    std::memcpy(semn.data(), head, 4);
    for (int v = 0; v < VALUES; ++v) {
      char* b = semn.data() + 4 + v * 8;
      const WORD code = WORD(9 + v);
      const int32_t value = seed + v;
      std::memcpy(b, &code, 2);
      b[2] = 4;  // a 4-byte integer
      b[3] = 0;  // no power of ten
      std::memcpy(b + 4, &value, 4);
    }
  }
};

// A semantics record of one characteristic: code 9, a 4-byte integer.
inline std::vector<char> OneValueSemantics(int value) {
  std::vector<char> b(12, 0);
  const WORD head[4] = {0x7FFF, 12, 9, 4};  // marker, length, code 9, type 4
  std::memcpy(b.data(), head, 6);
  b[6] = 4;
  std::memcpy(b.data() + 8, &value, 4);
  return b;
}

// Appends a line object of the benchmark kind to the open sheet.
inline bool AppendLine(TMap& map, std::vector<char>& metric, std::vector<char>* semn) {
  FVSPR d{};
  d.Local = LOCAL_LINE;
  d.Code = kLineCode;
  return map.AppendObject(&d, reinterpret_cast<LONGMETRIC*>(metric.data()),
                          semn != nullptr ? reinterpret_cast<SEMANTIC*>(semn->data()) : nullptr,
                          nullptr) != 0;
}

// The tables the large classifiers share: 491 semantics past the minimal
// ones, every fifth a list of ten values with defaults; 300 series of three
// variants each, limited by one list semantic; and 19 layers.
inline void AddSemanticsSeriesLayers(rsctest::Builder& b) {
  using namespace rsctest;
  for (uint32_t code = 1; code <= 491; code++) {
    Semantic& s = b.AddSemantic(code, code % 5 == 0 ? 1 : 0, "SEMANTIC " + std::to_string(code),
                                "S" + std::to_string(code));
    if (code % 5 == 0) {
      for (uint32_t v = 1; v <= 10; v++) s.values.push_back({v, "VALUE " + std::to_string(v)});
      s.defaults.push_back({0, 1, 1, 10});
    }
  }
  for (uint32_t s = 0; s < 300; s++) {
    const uint32_t excode = 50000000 + s;
    for (uint16_t v = 1; v <= 3; v++) b.AddObject(excode, 0, "SERIES MEMBER").series = v;
    b.pos.push_back({excode, 0, {5}, {10, 15}});
    Limit lim;
    lim.excode = excode;
    lim.code1 = 5;
    lim.values1 = {3, 6, 10};
    lim.variants = {1, 2, 3};
    b.limits.push_back(lim);
  }
  for (uint8_t l = 1; l < 20; l++)
    b.layers.push_back({"LAYER " + std::to_string(l), "L" + std::to_string(l), l, l, {1, 2, 3}});
}

// Writes the built classifier to the temporary folder under `name`; its path.
inline std::string WriteTempClassifier(const char* name, const rsctest::Bytes& bytes) {
  char folder[MAX_PATH];
  plat::GetTempPathA(sizeof folder, folder);
  std::string path = std::string(folder) + name;
  rsctest::WriteBytes(path, bytes);
  return path;
}

// Block (r, c) of a scanned map of 8-bit elements: areas of flat colour
// with edges and some noise, shifted by the block's place so that no two
// blocks are alike.
inline void FillScannedBlock(std::vector<char>& block, int width, int height, int r, int c,
                             std::mt19937& rng) {
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int row = r * 256 + y, col = c * 256 + x;
      int v = ((row / 19) * 7 + (col / 23) * 3) % 12;
      if ((row + col) % 41 == 0) v = 15;
      if (rng() % 50 == 0) v = int(rng() % 256);
      block[size_t(y) * width + x] = char(v);
    }
  }
}

// Writes every block of a raster just created (8 bits, blocks of 256 x 256
// at most) as a scanned map, LZW-compressed where that is shorter, and
// saves it; false when a write fails.
inline bool WriteScannedRaster(TRmf& raster) {
  raster.Head.Compression = RMF_LZW;
  raster.HeadChanged = 1;
  std::mt19937 rng(7);
  std::vector<char> block(65536), packed(65536);
  for (int r = 0; r < raster.Head.BlockRows; ++r) {
    for (int c = 0; c < raster.Head.BlockColumns; ++c) {
      const int w = raster.BlockWidth(c), h = raster.BlockHeight(r);
      FillScannedBlock(block, w, h, r, c, rng);
      int n = raster.Compress(block.data(), w * h, packed.data(), int(packed.size()));
      const char* data = n > 0 ? packed.data() : block.data();
      if (n <= 0) n = w * h;
      if (raster.TRmf::WriteBlock(r, c, data, n) != n) return false;
    }
  }
  return raster.Save() != 0;
}

}  // namespace benchsupport
