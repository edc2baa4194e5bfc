// The handle table, the stock objects, call logs and the display settings.
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/gdi/metafile.h"
#include "platform/gdi/objects.h"

namespace plat::gdi {
namespace {

// Handle layout: generation << 32 | (slot + 1) << 4 | kind tag. Slots live
// in chunks that never move, so a lookup reads them without the lock
// (registration and removal take it).
constexpr uint32_t kChunkBits = 12, kChunkSize = 1u << kChunkBits, kMaxChunks = 4096;

struct Slot {
  std::atomic<uint32_t> generation{0};
  std::atomic<GdiObject*> object{nullptr};
};

struct Table {
  std::mutex lock;
  std::atomic<Slot*> chunks[kMaxChunks] = {};
  uint32_t used = 0;  // slots handed out so far
  std::vector<uint32_t> free;
  int live[8] = {};
};

Table& GetTable() {
  static Table* table = new Table;  // lives as long as the process
  return *table;
}

Slot* SlotAt(Table& t, uint32_t index) {
  Slot* chunk = t.chunks[index >> kChunkBits].load(std::memory_order_acquire);
  return chunk ? &chunk[index & (kChunkSize - 1)] : nullptr;
}

bool ParseHandle(uintptr_t h, uint32_t* slot, uint32_t* generation) {
  if (h == 0 || (h & 0xF) == 0) return false;
  uint64_t s = (h >> 4) & 0xFFFFFFF;
  if (s == 0) return false;
  *slot = (uint32_t)(s - 1);
  *generation = (uint32_t)((uint64_t)h >> 32);
  return true;
}

struct Display {
  int width = 1920, height = 1080, dpi = 96;
  bool available = true;
};
Display& GetDisplay() {
  static Display d;
  return d;
}

}  // namespace

Dc::Dc() : GdiObject(ObjectKind::Dc) {}
Dc::~Dc() = default;

uintptr_t Register(std::unique_ptr<GdiObject> object) {
  Table& t = GetTable();
  std::lock_guard<std::mutex> g(t.lock);
  uint32_t index;
  if (!t.free.empty()) {
    index = t.free.back();
    t.free.pop_back();
  } else {
    if (t.used >= kChunkSize * kMaxChunks) return 0;
    index = t.used++;
    if (!t.chunks[index >> kChunkBits].load(std::memory_order_relaxed))
      t.chunks[index >> kChunkBits].store(new Slot[kChunkSize], std::memory_order_release);
  }
  Slot& s = *SlotAt(t, index);
  uint32_t generation = s.generation.load(std::memory_order_relaxed) + 1;
  if (generation == 0) generation = 1;
  uintptr_t h = ((uintptr_t)generation << 32) | ((uintptr_t)(index + 1) << 4) |
                (uintptr_t)((int)object->kind + 1);
  object->handle = h;
  if (!object->stock) ++t.live[(int)object->kind];
  s.object.store(object.release(), std::memory_order_release);
  s.generation.store(generation, std::memory_order_release);
  return h;
}

GdiObject* Lookup(const void* handle) {
  uint32_t index, generation;
  if (!ParseHandle((uintptr_t)handle, &index, &generation)) return nullptr;
  Table& t = GetTable();
  if ((index >> kChunkBits) >= kMaxChunks) return nullptr;
  Slot* s = SlotAt(t, index);
  if (!s || s->generation.load(std::memory_order_acquire) != generation) return nullptr;
  GdiObject* o = s->object.load(std::memory_order_acquire);
  return o && o->handle == (uintptr_t)handle ? o : nullptr;
}

void Unregister(const void* handle) {
  uint32_t index, generation;
  if (!ParseHandle((uintptr_t)handle, &index, &generation)) return;
  std::unique_ptr<GdiObject> dead;
  {
    Table& t = GetTable();
    std::lock_guard<std::mutex> g(t.lock);
    if ((index >> kChunkBits) >= kMaxChunks) return;
    Slot* s = SlotAt(t, index);
    if (!s || s->generation.load(std::memory_order_relaxed) != generation) return;
    GdiObject* o = s->object.load(std::memory_order_relaxed);
    if (!o) return;
    if (!o->stock) --t.live[(int)o->kind];
    s->object.store(nullptr, std::memory_order_release);
    dead.reset(o);
    t.free.push_back(index);
  }
}

std::vector<Dc*> LiveContexts() {
  std::vector<Dc*> out;
  Table& t = GetTable();
  std::lock_guard<std::mutex> g(t.lock);
  for (uint32_t i = 0; i < t.used; ++i) {
    GdiObject* o = SlotAt(t, i)->object.load(std::memory_order_relaxed);
    if (o && o->kind == ObjectKind::Dc) out.push_back(static_cast<Dc*>(o));
  }
  return out;
}

int LiveObjects(ObjectKind kind) {
  Table& t = GetTable();
  std::lock_guard<std::mutex> g(t.lock);
  return t.live[(int)kind];
}

namespace {

template <class T>
T* MakeStock(int index) {
  auto o = std::make_unique<T>();
  o->stock = true;
  o->stockIndex = index;
  T* raw = o.get();
  Register(std::move(o));
  return raw;
}

struct Stock {
  Pen* pens[3];
  Brush* brushes[6];
  FontObject* font;
  Palette* palette;
  Bitmap* bitmap;
  Stock() {
    bitmap = MakeStock<Bitmap>(-1);
    static const COLORREF kBrush[6] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0, 0};
    for (int i = 0; i < 6; ++i) {
      brushes[i] = MakeStock<Brush>(i);
      brushes[i]->color = kBrush[i];
      brushes[i]->style = i == NULL_BRUSH ? BS_NULL : BS_SOLID;
    }
    for (int i = 0; i < 3; ++i) {
      pens[i] = MakeStock<Pen>(WHITE_PEN + i);
      pens[i]->color = i == 0 ? 0xFFFFFF : 0;
      pens[i]->style = i == 2 ? PS_NULL : PS_SOLID;
    }
    font = MakeStock<FontObject>(SYSTEM_FONT);
    font->request.lfHeight = 16;
    font->request.lfWeight = FW_BOLD;
    strcpy(font->request.lfFaceName, "System");
    font->font = text::OpenFont(font->request);
    palette = MakeStock<Palette>(DEFAULT_PALETTE);
    static const BYTE kSys[20][3] = {
        {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
        {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
        {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
        {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
    for (auto& c : kSys) palette->entries.push_back(PALETTEENTRY{c[0], c[1], c[2], 0});
  }
};

Stock& GetStock() {
  static Stock* s = new Stock;
  return *s;
}

}  // namespace

Pen* StockPen(int index) { return GetStock().pens[index - WHITE_PEN]; }
Brush* StockBrush(int index) { return GetStock().brushes[index]; }
FontObject* StockFont() { return GetStock().font; }
Palette* StockPalette() { return GetStock().palette; }
Bitmap* StockBitmap() { return GetStock().bitmap; }

void LogCall(Dc* dc, const char* format, ...) {
  if (!dc || !dc->logging) return;
  char line[256];
  va_list args;
  va_start(args, format);
  vsnprintf(line, sizeof line, format, args);
  va_end(args);
  dc->log.emplace_back(line);
}

void SetDisplay(int width, int height, int dpi, bool available) {
  Display& d = GetDisplay();
  if (width > 0) d.width = width;
  if (height > 0) d.height = height;
  if (dpi > 0) d.dpi = dpi;
  d.available = available;
}

bool DisplayAvailable() { return GetDisplay().available; }

DeviceCaps DisplayCaps() {
  const Display& d = GetDisplay();
  DeviceCaps c;
  c.technology = DT_RASDISPLAY;
  c.width = d.width;
  c.height = d.height;
  c.dpiX = c.dpiY = d.dpi;
  c.rasterCaps = RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT;
  return c;
}

}  // namespace plat::gdi
