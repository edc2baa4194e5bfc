#include "docmap.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <numbers>

#include "classifier/maprsc.h"
#include "document/docentries.h"
#include "document/mapcreate.h"
#include "drawing/paintcontext.h"
#include "objects/objectinfo.h"
#include "platform/gdi/gdi_test.h"

namespace doctest {

namespace {

struct KindImage {
  uint32_t code;
  int local;
  const char* name;
  int function;
  std::vector<DWORD> words;
};

}  // namespace

bool WriteImageClassifier(const std::string& path) {
  RSCCREATE create{};
  std::strcpy(create.Name, "DOCUMENT TESTS");
  std::strcpy(create.Type, "TEST");
  std::strcpy(create.Code, "DOC");
  create.Scale = 100000;
  create.Language = 1;
  PALETTE256 palette{};
  palette.Version = 0x0300;
  palette.Count = 16;
  for (int i = 0; i < 16; ++i) palette.Colors[i] = TMapRsc::GetDefaultColor(i);
  TMapRsc rsc;
  if (!rsc.CreateRsc(path.c_str(), &create, &palette, 0)) return false;
  // Two more palettes, for the choice of a map's palette.
  DWORD more[16];
  for (int p = 2; p <= 3; ++p) {
    for (int i = 0; i < 16; ++i) more[i] = palette.Colors[i] ^ (p == 2 ? 0xFFFFFF : 0x00FF00);
    if (rsc.AppendPalette(more, 16, p == 2 ? "NEGATIVE" : "GREENER") == nullptr) return false;
  }
  RSCSEGMENT layer{};
  std::strcpy(layer.Name, "LAYER");
  const int segment = rsc.AppendSegment(&layer);
  const KindImage kinds[] = {
      {KIND_ROAD, LOCAL_LINE, "ROAD", 128, {0x0000FF, 1000}},
      {KIND_LAKE, LOCAL_SQUARE, "LAKE", 135, {0xFF0000}},
      {KIND_FIELD, LOCAL_SQUARE, "FIELD", 136, {0x008000, 1, 250, 2000}},
      {KIND_WELL, LOCAL_POINT, "WELL", 140, {0x000000, 0, 1500}},
      {KIND_SHADE, LOCAL_SQUARE, "SHADE", 154, {DWORD(-50), 0}},
  };
  for (const KindImage& k : kinds) {
    RSCOBJ obj{};
    obj.Excode = k.code;
    obj.Local = WORD(k.local);
    obj.Segment = WORD(segment);
    std::strcpy(obj.Name, k.name);
    const int n = rsc.AppendObject(&obj, 1);
    if (n == 0) return false;
    if (!rsc.SetTabPar(n, int(k.words.size() * 4), k.function,
                       reinterpret_cast<const char*>(k.words.data())))
      return false;
  }
  return rsc.Save(1) == 1;
}

TMapAccess* CreateDocument(const std::string& path, const std::string& rsc, int mapType) {
  TMapRegister reg;
  if (mapType != 0) reg.RegisterFromMapType(mapType);
  std::strcpy(reg.Map.Name, "Document map");
  reg.Map.Scale = 100000;
  // The sheet's eastings (7 400 000 m and up) lie in zone 7.
  reg.Map.AxisMeridian = 39 * std::numbers::pi / 180;
  LISTREGISTER& sheet = reg.List.Register;
  std::strcpy(sheet.Nomenclature, "DOC-1");
  std::strcpy(sheet.FileName, "S1");
  sheet.XSouthWest = kSheetX, sheet.YSouthWest = kSheetY;
  sheet.XNorthWest = kSheetX + kSheetSide, sheet.YNorthWest = kSheetY;
  sheet.XNorthEast = kSheetX + kSheetSide, sheet.YNorthEast = kSheetY + kSheetSide;
  sheet.XSouthEast = kSheetX, sheet.YSouthEast = kSheetY + kSheetSide;
  return DocumentOf(docCreateMapEx(path.c_str(), rsc.c_str(), &reg.Map, &sheet));
}

int AppendPlaneObject(TMapAccess* doc, uint32_t code, int local, const PlanePoints& points) {
  TObjectInfo object;
  if (!object.CreateObject(doc, 1, 0, 0) || !object.RegisterObject(LONG(code), local)) return 0;
  const DOUBLEPOINT* view = doc->ViewPosition(1);
  for (const auto& p : points) {
    const double x = (p.first - doc->X0) / doc->Factor - view->X;
    const double y = (p.second - doc->Y0) / doc->Factor - view->Y;
    if (!object.Metric.AppendPointSubject(0, x, y)) return 0;
  }
  if (!doc->OpenList(1)) return 0;
  return doc->AppendObject(object.Desc, object.Metric.Record, object.Semn.Record(),
                           object.Draw.Record());
}

bool CreateUserMap(const std::string& path, const std::string& rsc,
                   const std::vector<PlaneObject>& objects, double meridian) {
  CREATESITE site{};
  std::strcpy(site.MapName, "User map");
  site.MapType = 1;
  site.AxisMeridian = meridian;
  TMapAccess* doc = CreateSiteDocument(path.c_str(), rsc.c_str(), &site);
  if (doc == nullptr) return false;
  bool made = true;
  for (const PlaneObject& o : objects)
    made = made && AppendPlaneObject(doc, o.code, o.local, o.points) > 0;
  FreeDocument(doc);
  return made;
}

Picture PaintPicture(TMapAccess* doc, const RECT& rect) {
  Picture p;
  p.width = rect.right - rect.left;
  p.height = rect.bottom - rect.top;
  std::vector<uint32_t> bottomUp(size_t(p.width) * p.height);
  const int row = p.width * 4;
  if (!doc->PaintDibToDib32(reinterpret_cast<char*>(bottomUp.data()), row, p.height, rect))
    return Picture{};
  p.pixels.resize(bottomUp.size());
  for (int y = 0; y < p.height; ++y)
    std::memcpy(&p.pixels[size_t(y) * p.width], &bottomUp[size_t(p.height - 1 - y) * p.width],
                size_t(row));
  for (uint32_t& v : p.pixels) v &= 0xFFFFFF;
  return p;
}

Picture GrabDc(HDC dc) {
  plat::gdi::SurfaceView v;
  if (!plat::gdi::GetSurface(dc, &v) || (v.bitsPerPixel != 32 && v.bitsPerPixel != 24))
    return Picture{};
  Picture p;
  p.width = v.width;
  p.height = v.height;
  p.pixels.resize(size_t(v.width) * v.height);
  const int bytes = v.bitsPerPixel / 8;
  for (int y = 0; y < v.height; ++y) {
    const BYTE* row = v.bits + size_t(v.topDown ? y : v.height - 1 - y) * v.stride;
    for (int x = 0; x < v.width; ++x) {
      const BYTE* q = row + size_t(x) * bytes;
      p.pixels[size_t(y) * v.width + x] = uint32_t(q[2]) << 16 | uint32_t(q[1]) << 8 | q[0];
    }
  }
  return p;
}

MemoryDevice::MemoryDevice(int width, int height) {
  dc = plat::CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, height, 1, 32, BI_RGB, 0,
                                    0, 0, 0, 0};
  void* bits = nullptr;
  bitmap = plat::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bits != nullptr) std::memset(bits, 0xFF, size_t(width) * height * 4);
  old = plat::SelectObject(dc, bitmap);
}

MemoryDevice::~MemoryDevice() {
  plat::SelectObject(dc, old);
  plat::DeleteDC(dc);
  plat::DeleteObject(bitmap);
}

bool AppendScene(TMapAccess* doc) {
  const double x = kSheetX, y = kSheetY;
  return AppendPlaneObject(doc, KIND_FIELD, LOCAL_SQUARE,
                           {{x + 5500, y + 500},
                            {x + 9500, y + 500},
                            {x + 9500, y + 4500},
                            {x + 5500, y + 4500},
                            {x + 5500, y + 500}}) > 0 &&
         AppendPlaneObject(doc, KIND_LAKE, LOCAL_SQUARE,
                           {{x + 1000, y + 6000},
                            {x + 2000, y + 9000},
                            {x + 4500, y + 8500},
                            {x + 3500, y + 5500},
                            {x + 1000, y + 6000}}) > 0 &&
         AppendPlaneObject(doc, KIND_ROAD, LOCAL_LINE,
                           {{x + 500, y + 500},
                            {x + 5000, y + 4000},
                            {x + 6000, y + 7000},
                            {x + 9500, y + 9500}}) > 0 &&
         AppendPlaneObject(doc, KIND_WELL, LOCAL_POINT, {{x + 2000, y + 2500}}) > 0 &&
         AppendPlaneObject(doc, KIND_WELL, LOCAL_POINT, {{x + 7500, y + 2500}}) > 0;
}

namespace {

// A PNG of 8-bit channels, or of 8-bit indexes into a table of 256 colours
// (a 256-colour picture), row by row from `row`.
template <class Row>
bool WritePngRows(const std::string& path, int width, int height, const RGBQUAD* table, Row row) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (png == nullptr || info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, width, height, 8, table ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_color colours[256];
  if (table != nullptr) {
    for (int i = 0; i < 256; ++i)
      colours[i] = png_color{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue};
    png_set_PLTE(png, info, colours, 256);
  }
  png_write_info(png, info);
  std::vector<png_byte> bytes(size_t(width) * (table ? 1 : 3));
  for (int y = 0; y < height; ++y) {
    row(y, bytes.data());
    png_write_row(png, bytes.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

}  // namespace

bool WritePng(const Picture& picture, const std::string& path) {
  return WritePngRows(path, picture.width, picture.height, nullptr, [&](int y, png_byte* row) {
    for (int x = 0; x < picture.width; ++x) {
      const uint32_t v = picture.At(x, y);
      row[3 * x] = png_byte(v >> 16), row[3 * x + 1] = png_byte(v >> 8),
              row[3 * x + 2] = png_byte(v);
    }
  });
}

bool WritePalettePng(const uint8_t* indexes, int width, int height, const RGBQUAD* table,
                     const std::string& path) {
  return WritePngRows(path, width, height, table, [&](int y, png_byte* row) {
    std::memcpy(row, indexes + size_t(y) * width, size_t(width));
  });
}

bool ReadPng(const std::string& path, Picture* picture) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  std::vector<png_byte> bytes(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) return false;
  picture->width = int(image.width);
  picture->height = int(image.height);
  picture->pixels.resize(size_t(image.width) * image.height);
  for (size_t i = 0; i < picture->pixels.size(); ++i)
    picture->pixels[i] =
        uint32_t(bytes[3 * i]) << 16 | uint32_t(bytes[3 * i + 1]) << 8 | bytes[3 * i + 2];
  return true;
}

}  // namespace doctest
