// The 3-D view of an elevation matrix: a 1024 x 768 picture of a 2049 x
// 2049 matrix of 2-byte heights seen from 30 degrees up at azimuth 30, with
// grid, shading and water. Goals: a full build (plans made, projected) 100
// ms; a build that only changes the elevation (plans kept) 15 ms; the angle
// painter (plans projected again, copied to a device) 15 ms.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "common/messages.h"
#include "document/mapaccess.h"
#include "document/mtr3d.h"
#include "tests/raster/support/rmfbuild.h"

namespace {

constexpr int kSide = 2049;
constexpr LONG kWidth = 1024, kHeight = 768;

benchsupport::ScratchFolder& Folder() {
  static benchsupport::ScratchFolder folder("bench_view3d");
  return folder;
}

// Hills of 0..1000 m over 10 m elements, written a band of rows at a time.
const std::string& MatrixFile() {
  static const std::string name = [] {
    const std::string path = Folder().path() + "hills.mtw";
    BUILDMTW b = rmftest::MatrixBuild(0, 0, kSide * 10.0, kSide * 10.0, 10, 2, 50000);
    TMtr m;
    if (m.Create(path.c_str(), &b, nullptr, 0) != 1) return std::string();
    constexpr int kBand = 64;
    std::vector<int16_t> band(size_t(kSide) * kBand);
    for (int r0 = 0; r0 < kSide; r0 += kBand) {
      const int rows = std::min(kBand, kSide - r0);
      for (int i = 0; i < rows; ++i)
        for (int j = 0; j < kSide; ++j) {
          const double u = (r0 + i) / 160.0, v = j / 190.0;
          band[size_t(i) * kSide + j] = int16_t(500 + 250 * std::sin(u) * std::cos(v) + 250 * std::sin(u * 0.37 + v * 0.61));
        }
      if (!m.PutFrame(reinterpret_cast<const char*>(band.data()), 0, r0, kSide, rows, 1, 0))
        return std::string();
    }
    m.Head.Minimum = 0;
    m.Head.Maximum = 1000;
    m.HeadChanged = 1;
    return m.Save() ? path : std::string();
  }();
  return name;
}

struct Scene {
  TMapAccess* doc = nullptr;
  TMtr3D* view = nullptr;
  MTR3DVIEWEX record{};
  bool Open() {
    MessageEnableSet(0);
    doc = NewDocument();
    const std::string& path = MatrixFile();
    if (!doc || path.empty() || doc->OpenMtr(path.c_str(), 0) != 1) return false;
    view = doc->OpenMtr3D(kWidth, kHeight);
    if (!view) return false;
    view->SetHeightWater(300);
    record.ViewX = record.ViewY = kSide * 5.0;
    // 20 m a pixel: the plan spans the matrix.
    record.Scale = LONG(20.0 * doc->PixelsPerMeterH);
    record.HeightScale = 200;
    record.GridStep = 32;
    record.Elevation = 30;
    record.Azimuth = 30;
    record.PaletteStyle = 1;
    record.ShowGrid = 1;
    record.Shadow = 1;
    record.ColorByHeight = 1;
    record.Width = kWidth;
    record.Height = kHeight;
    return view->BuildMtr3D(&record) != nullptr;
  }
  ~Scene() {
    if (doc) doc->CloseMtr3D(view);
    FreeDocument(doc);
  }
};

// Builds that alternate one field of the record between two values.
void Rebuild(benchmark::State& state, int16_t MTR3DVIEWEX::*field, int16_t a, int16_t b) {
  Scene scene;
  if (!scene.Open()) {
    state.SkipWithError("no view");
    return;
  }
  for (auto _ : state) {
    scene.record.*field = scene.record.*field == a ? b : a;
    benchmark::DoNotOptimize(scene.view->BuildMtr3D(&scene.record));
  }
}

// A new azimuth makes the plans again; a new elevation only projects them.
void BM_View3DFullBuild(benchmark::State& state) { Rebuild(state, &MTR3DVIEWEX::Azimuth, 30, 31); }
void BM_View3DElevation(benchmark::State& state) { Rebuild(state, &MTR3DVIEWEX::Elevation, 30, 35); }

void BM_View3DPaintAngle(benchmark::State& state) {
  Scene scene;
  if (!scene.Open()) {
    state.SkipWithError("no view");
    return;
  }
  HDC dc = plat::CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = kWidth;
  info.bmiHeader.biHeight = kHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = plat::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = plat::SelectObject(dc, bitmap);
  int16_t elevation = 30;
  for (auto _ : state) {
    scene.record.Elevation = elevation = int16_t(elevation == 30 ? 40 : 30);
    scene.view->PaintAngle(dc, &scene.record);
  }
  plat::SelectObject(dc, old);
  plat::DeleteObject(bitmap);
  plat::DeleteDC(dc);
}

}  // namespace

BENCHMARK(BM_View3DFullBuild)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_View3DElevation)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_View3DPaintAngle)->Unit(benchmark::kMillisecond);
