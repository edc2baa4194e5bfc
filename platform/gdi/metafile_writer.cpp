// The metafile recording context: each drawing call becomes a record in the
// enhanced-metafile format; the header with bounds, frame and counts is
// completed and the file written when the context is closed.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "platform/file.h"
#include "platform/gdi/metafile.h"

namespace plat::gdi {
namespace {

bool Fits16(int64_t v) { return v >= -32768 && v <= 32767; }

void PutLogFontW(std::vector<uint8_t>& out, const LOGFONTA& lf) {
  LogFontW w{};
  w.lfHeight = lf.lfHeight;
  w.lfWidth = lf.lfWidth;
  w.lfEscapement = lf.lfEscapement;
  w.lfOrientation = lf.lfOrientation;
  w.lfWeight = lf.lfWeight;
  w.lfItalic = lf.lfItalic;
  w.lfUnderline = lf.lfUnderline;
  w.lfStrikeOut = lf.lfStrikeOut;
  w.lfCharSet = lf.lfCharSet;
  w.lfOutPrecision = lf.lfOutPrecision;
  w.lfClipPrecision = lf.lfClipPrecision;
  w.lfQuality = lf.lfQuality;
  w.lfPitchAndFamily = lf.lfPitchAndFamily;
  for (int i = 0; i < LF_FACESIZE - 1 && lf.lfFaceName[i]; ++i)
    w.lfFaceName[i] = (uint16_t)text::ByteToUnicode(RUSSIAN_CHARSET, (BYTE)lf.lfFaceName[i]);
  const uint8_t* p = reinterpret_cast<const uint8_t*>(&w);
  out.insert(out.end(), p, p + sizeof w);
  out.resize(out.size() + (320 - sizeof w), 0);  // names, style, version, panose
}

std::atomic<int> g_recorders{0};

}  // namespace

bool AnyRecorder() { return g_recorders.load(std::memory_order_relaxed) > 0; }

MetaRecorder::MetaRecorder(const DeviceCaps& reference, const RECT* frame,
                           const char* description)
    : ref_(reference) {
  ++g_recorders;
  if (frame) {
    hasFrame_ = true;
    frame_ = *frame;
  }
  buf_.resize(sizeof(EmrHeader), 0);
  if (description) {
    // "application\0picture\0\0": up to and including the double zero.
    size_t n = 0;
    while (n < 4096 && !(description[n] == 0 && (n == 0 || description[n - 1] == 0))) ++n;
    if (n > 0 && n < 4096) {
      ++n;
      for (size_t i = 0; i < n; ++i) {
        uint16_t c = (uint16_t)text::ByteToUnicode(RUSSIAN_CHARSET, (BYTE)description[i]);
        Put(c);
      }
      EmrHeader* h = reinterpret_cast<EmrHeader*>(buf_.data());
      h->nDescription = (DWORD)n;
      h->offDescription = sizeof(EmrHeader);
      Pad();
    }
  }
}

MetaRecorder::~MetaRecorder() {
  --g_recorders;
  if (file_) {
    CloseHandle(file_);
    DeleteFileA(fileName_.c_str());
  }
}

bool MetaRecorder::OpenFile(const char* name) {
  HANDLE h = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  file_ = h;
  fileName_ = name;
  return true;
}

void MetaRecorder::Put(const void* data, size_t size) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  buf_.insert(buf_.end(), p, p + size);
}

void MetaRecorder::Pad() {
  while (buf_.size() % 4) buf_.push_back(0);
}

void MetaRecorder::Begin(DWORD type, DWORD) {
  recordStart_ = buf_.size();
  Put(type);
  Put(DWORD(0));
}

namespace {
void EndRecord(std::vector<uint8_t>& buf, size_t start, DWORD& records) {
  while (buf.size() % 4) buf.push_back(0);
  DWORD size = (DWORD)(buf.size() - start);
  memcpy(&buf[start + 4], &size, 4);
  ++records;
}
}  // namespace

#define MC_END() EndRecord(buf_, recordStart_, records_)

namespace {

// Inclusive bounds of a cx x cy block at (x, y), in 64-bit arithmetic and
// clamped to the 32-bit range of the record.
LONG ClampLong(int64_t v) {
  return static_cast<LONG>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

RECT BoundsOf(int x, int y, int cx, int cy) {
  return RECT{x, y, ClampLong(int64_t{x} + cx - 1), ClampLong(int64_t{y} + cy - 1)};
}

}  // namespace

void MetaRecorder::Bound(const Dc* dc, int64_t l, int64_t t, int64_t r, int64_t b) {
  // Only what the clip lets through is drawn.
  if (dc->hasClip) {
    l = std::max<int64_t>(l, dc->clip.left);
    t = std::max<int64_t>(t, dc->clip.top);
    r = std::min<int64_t>(r, int64_t{dc->clip.right} - 1);
    b = std::min<int64_t>(b, int64_t{dc->clip.bottom} - 1);
    if (l > r || t > b) return;
  }
  auto clamp = [](int64_t v) { return (LONG)std::clamp<int64_t>(v, INT32_MIN, INT32_MAX); };
  if (empty_) {
    bounds_ = RECT{clamp(l), clamp(t), clamp(r), clamp(b)};
    empty_ = false;
    return;
  }
  bounds_.left = MinOf(bounds_.left, clamp(l));
  bounds_.top = MinOf(bounds_.top, clamp(t));
  bounds_.right = MaxOf(bounds_.right, clamp(r));
  bounds_.bottom = MaxOf(bounds_.bottom, clamp(b));
}

void MetaRecorder::Value(DWORD type, DWORD value) {
  Begin(type, 0);
  if (type != EMR_REALIZEPALETTE) Put(value);
  MC_END();
}

void MetaRecorder::Point(DWORD type, int64_t x, int64_t y) {
  Begin(type, 0);
  Put((LONG)x);
  Put((LONG)y);
  MC_END();
}

void MetaRecorder::SetPixel(const Dc* dc, int x, int y, COLORREF color) {
  Begin(EMR_SETPIXELV, 0);
  Put((LONG)x);
  Put((LONG)y);
  Put(color);
  MC_END();
  Bound(dc, x + dc->orgX, y + dc->orgY, x + dc->orgX, y + dc->orgY);
}

void MetaRecorder::LineTo(const Dc* dc, int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
  Point(EMR_LINETO, x1, y1);
  int64_t h = dc->pen && dc->pen->width > 1 ? dc->pen->width / 2 + 1 : 0;
  Bound(dc, std::min(x0, x1) + dc->orgX - h, std::min(y0, y1) + dc->orgY - h,
        std::max(x0, x1) + dc->orgX + h, std::max(y0, y1) + dc->orgY + h);
}

void MetaRecorder::Poly(const Dc* dc, DWORD type32, DWORD type16, const POINT* points,
                        const INT* counts, int polygons) {
  int64_t total = 0;
  for (int i = 0; i < polygons; ++i) total += counts[i];
  if (total <= 0) return;
  RECT box{points[0].x, points[0].y, points[0].x, points[0].y};
  bool fits = true;
  for (int64_t i = 0; i < total; ++i) {
    const POINT& p = points[i];
    box.left = MinOf(box.left, p.x);
    box.top = MinOf(box.top, p.y);
    box.right = MaxOf(box.right, p.x);
    box.bottom = MaxOf(box.bottom, p.y);
    fits = fits && Fits16(p.x) && Fits16(p.y);
  }
  Begin(fits ? type16 : type32, 0);
  Put(box);
  if (type32 == EMR_POLYPOLYGON) {
    Put((DWORD)polygons);
    Put((DWORD)total);
    for (int i = 0; i < polygons; ++i) Put((DWORD)counts[i]);
  } else {
    Put((DWORD)total);
  }
  for (int64_t i = 0; i < total; ++i) {
    if (fits) {
      Put((int16_t)points[i].x);
      Put((int16_t)points[i].y);
    } else {
      Put(points[i]);
    }
  }
  MC_END();
  int64_t h = dc->pen && dc->pen->style != PS_NULL && dc->pen->width > 1 ? dc->pen->width / 2 + 1 : 0;
  Bound(dc, box.left + dc->orgX - h, box.top + dc->orgY - h, box.right + dc->orgX + h,
        box.bottom + dc->orgY + h);
}

DWORD MetaRecorder::IndexOf(const GdiObject* object) const {
  if (object->stock) return kStockFlag | (DWORD)object->stockIndex;
  auto it = index_.find(object);
  return it == index_.end() ? 0 : it->second;
}

DWORD MetaRecorder::NewIndex() {
  for (size_t i = 1; i < used_.size(); ++i)
    if (!used_[i]) {
      used_[i] = true;
      return (DWORD)i;
    }
  used_.push_back(true);
  return (DWORD)(used_.size() - 1);
}

void MetaRecorder::Select(GdiObject* object) {
  DWORD ih = IndexOf(object);
  if (ih == 0) {
    ih = NewIndex();
    index_[object] = ih;
    if (object->kind == ObjectKind::Pen) {
      const Pen* p = static_cast<const Pen*>(object);
      Begin(EMR_CREATEPEN, 0);
      Put(ih);
      Put((DWORD)p->style);
      Put((LONG)p->width);
      Put((LONG)0);
      Put(p->color);
    } else if (object->kind == ObjectKind::Brush) {
      const Brush* b = static_cast<const Brush*>(object);
      Begin(EMR_CREATEBRUSHINDIRECT, 0);
      Put(ih);
      Put((DWORD)b->style);
      Put(b->color);
      Put((DWORD)0);
    } else if (object->kind == ObjectKind::Font) {
      Begin(EMR_EXTCREATEFONTINDIRECTW, 0);
      Put(ih);
      PutLogFontW(buf_, static_cast<const FontObject*>(object)->request);
    } else {
      return;
    }
    MC_END();
  }
  Value(EMR_SELECTOBJECT, ih);
}

void MetaRecorder::Deleted(const GdiObject* object) {
  auto it = index_.find(object);
  if (it == index_.end()) return;
  Value(EMR_DELETEOBJECT, it->second);
  used_[it->second] = false;
  index_.erase(it);
}

void MetaRecorder::SelectPalette(Palette* palette) {
  DWORD ih = IndexOf(palette);
  if (ih == 0) {
    ih = NewIndex();
    index_[palette] = ih;
    Begin(EMR_CREATEPALETTE, 0);
    Put(ih);
    Put((WORD)0x300);
    Put((WORD)palette->entries.size());
    Put(palette->entries.data(), palette->entries.size() * sizeof(PALETTEENTRY));
    MC_END();
  }
  Value(EMR_SELECTPALETTE, ih);
}

void MetaRecorder::PaletteEntries(const Palette* palette, UINT start, UINT count) {
  auto it = index_.find(palette);
  if (it == index_.end() || count == 0) return;
  Begin(EMR_SETPALETTEENTRIES, 0);
  Put(it->second);
  Put((DWORD)start);
  Put((DWORD)count);
  Put(&palette->entries[start], count * sizeof(PALETTEENTRY));
  MC_END();
}

void MetaRecorder::Clip(const RECT* rect) {
  Begin(EMR_EXTSELECTCLIPRGN, 0);
  if (!rect) {
    Put((DWORD)0);
    Put(RGN_COPY);
  } else {
    Put((DWORD)(32 + 16));
    Put(RGN_COPY);
    Put((DWORD)32);  // region header: size, rectangles, count, bytes, bounds
    Put((DWORD)1);
    Put((DWORD)1);
    Put((DWORD)16);
    Put(*rect);
    Put(*rect);
  }
  MC_END();
}

bool MetaRecorder::BitBlt(const Dc* dc, int x, int y, int cx, int cy, DWORD rop,
                          const Surface* src, int sx, int sy) {
  EmrBitBlt r{};
  r.iType = EMR_BITBLT;
  r.rclBounds = BoundsOf(x, y, cx, cy);
  r.xDest = x;
  r.yDest = y;
  r.cxDest = cx;
  r.cyDest = cy;
  r.dwRop = rop;
  r.xform[0] = r.xform[3] = 1.0f;
  r.iUsageSrc = DIB_RGB_COLORS;
  int64_t bitsSize = src ? (int64_t)cx * cy * 4 : 0;
  if (bitsSize > ((int64_t)1 << 30)) return false;
  if (src) {
    r.offBmiSrc = sizeof(EmrBitBlt);
    r.cbBmiSrc = sizeof(BITMAPINFOHEADER);
    r.offBitsSrc = r.offBmiSrc + r.cbBmiSrc;
    r.cbBitsSrc = (DWORD)bitsSize;
  }
  recordStart_ = buf_.size();
  Put(r);
  if (src) {
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = cx;
    h.biHeight = cy;  // bottom-up
    h.biPlanes = 1;
    h.biBitCount = 32;
    h.biSizeImage = (DWORD)bitsSize;
    Put(h);
    size_t at = buf_.size();
    buf_.resize(at + (size_t)bitsSize, 0);
    for (int j = 0; j < cy; ++j) {
      int64_t syy = (int64_t)sy + (cy - 1 - j);
      if (syy < 0 || syy >= src->height) continue;
      uint8_t* out = &buf_[at + (size_t)j * cx * 4];
      for (int i = 0; i < cx; ++i) {
        int64_t sxx = (int64_t)sx + i;
        if (sxx < 0 || sxx >= src->width) continue;
        uint32_t v = src->bpp == 8 ? ToRgbValue(src->ColorOfValue(src->Get((int)sxx, (int)syy)))
                                   : src->Get((int)sxx, (int)syy);
        memcpy(out + 4 * i, &v, 4);
      }
    }
  }
  MC_END();
  Bound(dc, int64_t{x} + dc->orgX, int64_t{y} + dc->orgY, int64_t{x} + dc->orgX + cx - 1,
        int64_t{y} + dc->orgY + cy - 1);
  return true;
}

void MetaRecorder::SetDIBits(const Dc* dc, int xDest, int yDest, int cx, int cy, int xSrc,
                             int ySrc, UINT startScan, UINT lines, const BITMAPINFO* info,
                             DWORD infoSize, const void* bits, DWORD bitsSize, UINT usage) {
  EmrSetDIBits r{};
  r.iType = EMR_SETDIBITSTODEVICE;
  r.rclBounds = BoundsOf(xDest, yDest, cx, cy);
  r.xDest = xDest;
  r.yDest = yDest;
  r.xSrc = xSrc;
  r.ySrc = ySrc;
  r.cxSrc = cx;
  r.cySrc = cy;
  DWORD bmiPadded = (infoSize + 3) & ~3u;
  r.offBmiSrc = sizeof(EmrSetDIBits);
  r.cbBmiSrc = infoSize;
  r.offBitsSrc = r.offBmiSrc + bmiPadded;
  r.cbBitsSrc = bitsSize;
  r.iUsageSrc = usage;
  r.iStartScan = startScan;
  r.cScans = lines;
  recordStart_ = buf_.size();
  Put(r);
  Put(info, infoSize);
  Pad();
  Put(bits, bitsSize);
  MC_END();
  Bound(dc, int64_t{xDest} + dc->orgX, int64_t{yDest} + dc->orgY, int64_t{xDest} + dc->orgX + cx - 1,
        int64_t{yDest} + dc->orgY + cy - 1);
}

void MetaRecorder::Text(const Dc* dc, int x, int y, const char* s, int length,
                        const RECT& box) {
  const FontObject* f = dc->font ? dc->font : StockFont();
  BYTE charset = f->request.lfCharSet;
  EmrExtTextOut r{};
  r.iType = EMR_EXTTEXTOUTW;
  r.rclBounds = RECT{(LONG)(box.left - dc->orgX), (LONG)(box.top - dc->orgY),
                     (LONG)(box.right - dc->orgX), (LONG)(box.bottom - dc->orgY)};
  r.iGraphicsMode = 1;
  r.text.ptlReference = POINT{x, y};
  r.text.nChars = (DWORD)length;
  r.text.offString = sizeof(EmrExtTextOut);
  r.text.rcl = RECT{0, 0, -1, -1};
  DWORD stringBytes = ((DWORD)length * 2 + 3) & ~3u;
  r.text.offDx = r.text.offString + stringBytes;
  recordStart_ = buf_.size();
  Put(r);
  for (int i = 0; i < length; ++i) Put((uint16_t)text::ByteToUnicode(charset, (BYTE)s[i]));
  Pad();
  for (int i = 0; i < length; ++i) Put((DWORD)text::CharWidth(*f->font, (BYTE)s[i]));
  MC_END();
  Bound(dc, box.left, box.top, box.right, box.bottom);
}

std::unique_ptr<MetaFile> MetaRecorder::Close() {
  Begin(EMR_EOF, 0);
  Put((DWORD)0);   // palette entries
  Put((DWORD)16);  // their offset
  Put((DWORD)20);  // size of this record, repeated
  MC_END();
  EmrHeader h;
  memcpy(&h, buf_.data(), sizeof h);
  h.iType = EMR_HEADER;
  h.nSize = h.nDescription ? (DWORD)((sizeof h + h.nDescription * 2 + 3) & ~3u) : sizeof h;
  h.rclBounds = empty_ ? RECT{0, 0, -1, -1} : bounds_;
  if (hasFrame_) {
    h.rclFrame = frame_;
  } else {
    // The bounds in 0.01 mm of the reference device (right and bottom edges
    // of the last pixels included).
    const RECT& b = h.rclBounds;
    h.rclFrame = empty_ ? RECT{0, 0, -1, -1}
                        : RECT{(LONG)((int64_t)b.left * 2540 / ref_.dpiX),
                               (LONG)((int64_t)b.top * 2540 / ref_.dpiY),
                               (LONG)((int64_t)(b.right + 1) * 2540 / ref_.dpiX),
                               (LONG)((int64_t)(b.bottom + 1) * 2540 / ref_.dpiY)};
  }
  h.dSignature = kEmfSignature;
  h.nVersion = 0x10000;
  h.nBytes = (DWORD)buf_.size();
  h.nRecords = records_;
  h.nHandles = (WORD)used_.size();
  h.sReserved = 0;
  h.nPalEntries = 0;
  h.szlDevice = SIZE{ref_.width, ref_.height};
  h.szlMillimeters = SIZE{(LONG)(ref_.width * 25.4 / ref_.dpiX + 0.5),
                          (LONG)(ref_.height * 25.4 / ref_.dpiY + 0.5)};
  h.cbPixelFormat = h.offPixelFormat = h.bOpenGL = 0;
  h.szlMicrometers = SIZE{h.szlMillimeters.cx * 1000, h.szlMillimeters.cy * 1000};
  memcpy(buf_.data(), &h, sizeof h);
  if (file_) {
    bool ok = true;
    for (size_t at = 0; ok && at < buf_.size();) {
      const DWORD chunk = DWORD(std::min<size_t>(buf_.size() - at, 1u << 30));
      DWORD written = 0;
      ok = WriteFile(file_, buf_.data() + at, chunk, &written, nullptr) && written == chunk;
      at += chunk;
    }
    ok = CloseHandle(file_) && ok;
    file_ = nullptr;
    if (!ok) {
      DeleteFileA(fileName_.c_str());
      return nullptr;
    }
  }
  auto m = std::make_unique<MetaFile>();
  m->bytes = std::move(buf_);
  return m;
}

}  // namespace plat::gdi

namespace plat {
using namespace plat::gdi;

HDC CreateEnhMetaFileA(HDC reference, const char* file, const RECT* frame,
                       const char* description) {
  DeviceCaps caps = DisplayCaps();
  if (reference) {
    Dc* ref = GetDcObject(reference);
    if (!ref) return nullptr;
    if (ref->dcKind != DcKind::Meta) caps = ref->caps;
  }
  auto dc = std::make_unique<Dc>();
  dc->dcKind = DcKind::Meta;
  dc->caps = caps;
  dc->caps.technology = DT_METAFILE;
  dc->caps.rasterCaps = 0;
  dc->meta = std::make_unique<MetaRecorder>(caps, frame, description);
  if (file && !dc->meta->OpenFile(file)) return nullptr;
  dc->pen = StockPen(BLACK_PEN);
  dc->brush = StockBrush(WHITE_BRUSH);
  dc->font = StockFont();
  dc->palette = StockPalette();
  return reinterpret_cast<HDC>(Register(std::move(dc)));
}

HENHMETAFILE CloseEnhMetaFile(HDC hdc) {
  Dc* dc = GetDcObject(hdc);
  if (!dc || !dc->meta) return nullptr;
  std::unique_ptr<MetaFile> m = dc->meta->Close();
  DeleteDC(hdc);
  if (!m) return nullptr;
  return reinterpret_cast<HENHMETAFILE>(Register(std::move(m)));
}

BOOL DeleteEnhMetaFile(HENHMETAFILE metafile) {
  if (!LookupAs<MetaFile>(metafile, ObjectKind::MetaFile)) return FALSE;
  Unregister(metafile);
  return TRUE;
}

UINT GetEnhMetaFileBits(HENHMETAFILE metafile, UINT size, BYTE* data) {
  MetaFile* m = LookupAs<MetaFile>(metafile, ObjectKind::MetaFile);
  if (!m) return 0;
  if (!data) return (UINT)m->bytes.size();
  if (size < m->bytes.size()) return 0;
  memcpy(data, m->bytes.data(), m->bytes.size());
  return (UINT)m->bytes.size();
}

}  // namespace plat
