// Graphics objects and the handle table that registers them.
//
// A handle is a slot number with a generation and a kind tag, never an
// address: a null, foreign or stale handle finds no object.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gdi/gdi_test.h"
#include "platform/gdi/surface.h"
#include "platform/text/text_engine.h"

namespace plat::gdi {

class MetaRecorder;

struct GdiObject {
  explicit GdiObject(ObjectKind k) : kind(k) {}
  virtual ~GdiObject() = default;
  ObjectKind kind;
  bool stock = false;
  int stockIndex = -1;
  int selections = 0;  // contexts this object is selected into
  uintptr_t handle = 0;
};

struct Pen : GdiObject {
  Pen() : GdiObject(ObjectKind::Pen) {}
  int style = PS_SOLID;
  int width = 0;
  COLORREF color = 0;
};

struct Brush : GdiObject {
  Brush() : GdiObject(ObjectKind::Brush) {}
  int style = BS_SOLID;
  COLORREF color = 0;
};

struct FontObject : GdiObject {
  FontObject() : GdiObject(ObjectKind::Font) {}
  LOGFONTA request{};
  std::shared_ptr<const text::Font> font;
};

struct Bitmap : GdiObject {
  Bitmap() : GdiObject(ObjectKind::Bitmap) {}
  Surface surface;
};

struct Palette : GdiObject {
  Palette() : GdiObject(ObjectKind::Palette) {}
  std::vector<PALETTEENTRY> entries;
};

struct Region : GdiObject {
  Region() : GdiObject(ObjectKind::Region) {}
  RECT rect{};
};

struct MetaFile : GdiObject {
  MetaFile() : GdiObject(ObjectKind::MetaFile) {}
  std::vector<uint8_t> bytes;
};

// Device: a printer or plotter page of a test; Bitmap: a host's memory
// context over a bitmap of its own.
enum class DcKind { Display, Memory, Window, Device, Meta, Bitmap };

struct DeviceCaps {
  int technology = DT_RASDISPLAY;
  int width = 0;  // HORZRES
  int height = 0;  // VERTRES
  int dpiX = 96;
  int dpiY = 96;
  int rasterCaps = 0;
};

struct Dc : GdiObject {
  Dc();
  ~Dc() override;
  DcKind dcKind = DcKind::Display;
  DeviceCaps caps;
  Surface* surface = nullptr;  // where drawing goes, null: nowhere
  std::unique_ptr<Surface> own;  // device contexts' own page
  std::shared_ptr<Surface> shared;  // a window's backing surface
  HWND window = nullptr;
  Pen* pen = nullptr;
  Brush* brush = nullptr;
  FontObject* font = nullptr;
  Bitmap* bitmap = nullptr;
  Palette* palette = nullptr;
  int rop2 = R2_COPYPEN;
  int fillMode = ALTERNATE;
  UINT textAlign = 0;
  COLORREF textColor = 0;
  COLORREF bkColor = 0xFFFFFF;
  int bkMode = OPAQUE;
  int64_t orgX = 0, orgY = 0;  // viewport origin
  int64_t curX = 0, curY = 0;  // current position, logical
  bool hasClip = false;
  RECT clip{};
  std::unique_ptr<MetaRecorder> meta;
  bool logging = false;
  std::vector<std::string> log;
};

// Registers an object; returns its handle.
uintptr_t Register(std::unique_ptr<GdiObject> object);
// The object of a handle, or null.
GdiObject* Lookup(const void* handle);
template <class T>
T* LookupAs(const void* handle, ObjectKind kind) {
  GdiObject* o = Lookup(handle);
  return o && o->kind == kind ? static_cast<T*>(o) : nullptr;
}
inline Dc* GetDcObject(HDC dc) { return LookupAs<Dc>(dc, ObjectKind::Dc); }
// Removes and destroys the object of a handle.
void Unregister(const void* handle);
// Calls f for every live context (metafile bookkeeping of deletions).
std::vector<Dc*> LiveContexts();

// The stock objects.
Pen* StockPen(int index);
Brush* StockBrush(int index);
FontObject* StockFont();
Palette* StockPalette();
// The stand-in bitmap of a memory context with none of its own.
Bitmap* StockBitmap();

// Appends a line to the context's call log when logging is on.
void LogCall(Dc* dc, const char* format, ...) __attribute__((format(printf, 2, 3)));
#define MC_LOG_CALL(dc, ...) \
  do {                       \
    if ((dc)->logging) ::plat::gdi::LogCall(dc, __VA_ARGS__); \
  } while (0)

// The capabilities of a printer (DT_RASPRINTER) or plotter (DT_PLOTTER)
// page of width x height pixels at the given dots per inch.
DeviceCaps PageCaps(int technology, int width, int height, int dpiX, int dpiY);
// A context of that kind and those capabilities over a white 32-bit
// surface of its own; null when the surface cannot be made.
HDC CreateSurfaceDc(DcKind kind, const DeviceCaps& caps, int width, int height, bool topDown);

// The target of a drawing call: the context's surface inside its clip, the
// colour's pixel value and the mix.
Target MakeTarget(const Dc* dc, COLORREF color, int rop);

// The display's description (see SetDisplay).
bool DisplayAvailable();
DeviceCaps DisplayCaps();

}  // namespace plat::gdi
