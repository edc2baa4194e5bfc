// Replay of an enhanced metafile into a context: the records the recording
// context writes, each checked against the file's size before it is used.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/file.h"
#include "platform/gdi/metafile.h"

namespace plat::gdi {
namespace {

class Player {
 public:
  Player(HDC dc, const std::vector<uint8_t>& bytes) : dc_(dc), b_(bytes) {}
  bool Run();

 private:
  template <class T>
  bool Read(size_t off, T* v) const {
    if (off + sizeof(T) > end_ || off + sizeof(T) < off) return false;
    memcpy(v, &b_[off], sizeof(T));
    return true;
  }
  DWORD D(size_t off) const {
    DWORD v = 0;
    Read(off, &v);
    return v;
  }
  bool Record(DWORD type, size_t at, size_t size);
  bool Points(size_t at, size_t size, DWORD type, std::vector<POINT>* pts,
              std::vector<INT>* counts);
  HGDIOBJ Object(DWORD ih) const {
    if (ih & kStockFlag) return GetStockObject((int)(ih & ~kStockFlag));
    return ih < table_.size() ? table_[ih] : nullptr;
  }
  void Store(DWORD ih, HGDIOBJ object) {
    if (ih == 0 || ih > 0xFFFF) {
      DeleteObject(object);
      return;
    }
    if (ih >= table_.size()) table_.resize(ih + 1, nullptr);
    Release(table_[ih]);
    table_[ih] = object;
  }
  // Deletes a played object; one still selected into the context (a file
  // may delete or replace it while selected) is deleted once the context's
  // own objects are back.
  void Release(HGDIOBJ object) {
    if (object && !DeleteObject(object)) orphans_.push_back(object);
  }
  bool Bitmap(size_t at, size_t size, DWORD offBmi, DWORD cbBmi, DWORD offBits, DWORD cbBits,
              DWORD usage, bool wholeImage, UINT startScan, UINT scans,
              const BITMAPINFO** info, const void** bits) const;

  HDC dc_;
  const std::vector<uint8_t>& b_;
  size_t end_ = 0;
  std::vector<HGDIOBJ> table_;
  std::vector<HGDIOBJ> orphans_;
};

bool Player::Points(size_t at, size_t size, DWORD type, std::vector<POINT>* pts,
                    std::vector<INT>* counts) {
  bool small = type == EMR_POLYLINE16 || type == EMR_POLYGON16 || type == EMR_POLYPOLYGON16;
  bool poly = type == EMR_POLYPOLYGON || type == EMR_POLYPOLYGON16;
  size_t off = at + 24;  // type, size, bounds
  DWORD polys = 1, total;
  if (poly) {
    polys = D(off);
    total = D(off + 4);
    off += 8;
  } else {
    total = D(off);
    off += 4;
  }
  uint64_t need = (uint64_t)(off - at) + (poly ? (uint64_t)polys * 4 : 0) +
                  (uint64_t)total * (small ? 4 : 8);
  if (need > size || total == 0 || polys == 0) return false;
  counts->clear();
  uint64_t sum = 0;
  if (poly) {
    for (DWORD i = 0; i < polys; ++i) {
      DWORD c = D(off + 4 * i);
      sum += c;
      counts->push_back((INT)c);
    }
    if (sum != total) return false;
    off += 4 * (size_t)polys;
  } else {
    counts->push_back((INT)total);
  }
  pts->resize(total);
  for (DWORD i = 0; i < total; ++i) {
    if (small) {
      int16_t xy[2];
      Read(off + 4 * (size_t)i, &xy);
      (*pts)[i] = POINT{xy[0], xy[1]};
    } else {
      Read(off + 8 * (size_t)i, &(*pts)[i]);
    }
  }
  return true;
}

// The bitmap of a record: header, colour table (colours, or 16-bit palette
// indices with DIB_PAL_COLORS) and bits inside the record. The bits hold the
// whole image (wholeImage, and top-down images always) or the scan lines
// [startScan, startScan + scans) of a bottom-up image.
bool Player::Bitmap(size_t at, size_t size, DWORD offBmi, DWORD cbBmi, DWORD offBits,
                    DWORD cbBits, DWORD usage, bool wholeImage, UINT startScan, UINT scans,
                    const BITMAPINFO** info, const void** bits) const {
  if (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS) return false;
  if (cbBmi < sizeof(BITMAPINFOHEADER) || (uint64_t)offBmi + cbBmi > size ||
      (uint64_t)offBits + cbBits > size)
    return false;
  const BITMAPINFOHEADER* h = reinterpret_cast<const BITMAPINFOHEADER*>(&b_[at + offBmi]);
  if (h->biSize < 40 || h->biSize > cbBmi) return false;
  if (h->biBitCount == 8) {
    DWORD n = h->biClrUsed && h->biClrUsed < 256 ? h->biClrUsed : 256;
    if ((uint64_t)h->biSize + (usage == DIB_PAL_COLORS ? 2 : 4) * n > cbBmi) return false;
  }
  if (h->biWidth <= 0) return false;
  int64_t height = h->biHeight < 0 ? -(int64_t)h->biHeight : h->biHeight;
  int64_t stride = (((int64_t)h->biWidth * h->biBitCount + 31) / 32) * 4;
  int64_t rows = height;
  if (!wholeImage && h->biHeight > 0)
    rows = std::min<int64_t>(scans, std::max<int64_t>(height - startScan, 0));
  // In 128 bits: a lying width and height must not wrap to a small size.
  if ((__int128)stride * rows > (__int128)cbBits) return false;
  *info = reinterpret_cast<const BITMAPINFO*>(h);
  *bits = &b_[at + offBits];
  return true;
}

bool Player::Record(DWORD type, size_t at, size_t size) {
  auto need = [&](size_t n) { return size >= n; };
  switch (type) {
    case EMR_SETVIEWPORTORGEX:
      return need(16) && SetViewportOrgEx(dc_, (LONG)D(at + 8), (LONG)D(at + 12), nullptr);
    case EMR_MOVETOEX:
      return need(16) && MoveToEx(dc_, (LONG)D(at + 8), (LONG)D(at + 12), nullptr);
    case EMR_LINETO:
      return need(16) && LineTo(dc_, (LONG)D(at + 8), (LONG)D(at + 12));
    case EMR_SETPIXELV:
      if (!need(20)) return false;
      SetPixel(dc_, (LONG)D(at + 8), (LONG)D(at + 12), D(at + 16));
      return true;
    case EMR_SETBKMODE:
      return need(12) && (SetBkMode(dc_, (int)D(at + 8)), true);
    case EMR_SETPOLYFILLMODE:
      return need(12) && (SetPolyFillMode(dc_, (int)D(at + 8)), true);
    case EMR_SETROP2:
      return need(12) && (SetROP2(dc_, (int)D(at + 8)), true);
    case EMR_SETTEXTALIGN:
      return need(12) && (SetTextAlign(dc_, D(at + 8)), true);
    case EMR_SETTEXTCOLOR:
      return need(12) && (SetTextColor(dc_, D(at + 8)), true);
    case EMR_SETBKCOLOR:
      return need(12) && (SetBkColor(dc_, D(at + 8)), true);
    case EMR_SELECTOBJECT:
      if (!need(12)) return false;
      if (HGDIOBJ o = Object(D(at + 8))) SelectObject(dc_, o);
      return true;
    case EMR_DELETEOBJECT: {
      if (!need(12)) return false;
      DWORD ih = D(at + 8);
      if (ih < table_.size() && table_[ih]) {
        Release(table_[ih]);
        table_[ih] = nullptr;
      }
      return true;
    }
    case EMR_CREATEPEN:
      if (!need(28)) return false;
      Store(D(at + 8), CreatePen((int)D(at + 12), (LONG)D(at + 16), D(at + 24)));
      return true;
    case EMR_CREATEBRUSHINDIRECT:
      if (!need(24)) return false;
      Store(D(at + 8), D(at + 12) == BS_NULL ? GetStockObject(NULL_BRUSH)
                                              : CreateSolidBrush(D(at + 16)));
      return true;
    case EMR_EXTCREATEFONTINDIRECTW: {
      LogFontW w;
      if (!need(12 + sizeof w) || !Read(at + 12, &w)) return false;
      LOGFONTA lf{};
      lf.lfHeight = w.lfHeight;
      lf.lfWidth = w.lfWidth;
      lf.lfEscapement = w.lfEscapement;
      lf.lfOrientation = w.lfOrientation;
      lf.lfWeight = w.lfWeight;
      lf.lfItalic = w.lfItalic;
      lf.lfUnderline = w.lfUnderline;
      lf.lfStrikeOut = w.lfStrikeOut;
      lf.lfCharSet = w.lfCharSet;
      lf.lfOutPrecision = w.lfOutPrecision;
      lf.lfClipPrecision = w.lfClipPrecision;
      lf.lfQuality = w.lfQuality;
      lf.lfPitchAndFamily = w.lfPitchAndFamily;
      for (int i = 0; i < LF_FACESIZE - 1 && w.lfFaceName[i]; ++i) {
        BYTE c = '?';
        for (int k = 0; k < 256; ++k)
          if (text::ByteToUnicode(RUSSIAN_CHARSET, (BYTE)k) == w.lfFaceName[i]) {
            c = (BYTE)k;
            break;
          }
        lf.lfFaceName[i] = (char)c;
      }
      Store(D(at + 8), CreateFontIndirectA(&lf));
      return true;
    }
    case EMR_CREATEPALETTE: {
      if (!need(16)) return false;
      WORD n = (WORD)(D(at + 12) >> 16);
      if (n == 0 || 16 + (size_t)n * 4 > size) return false;
      std::vector<BYTE> raw(8 + (size_t)n * 4);
      memcpy(raw.data() + 4, &b_[at + 12], 4 + (size_t)n * 4);  // version, count, entries
      Store(D(at + 8), CreatePalette(reinterpret_cast<const LOGPALETTE*>(raw.data() + 4)));
      return true;
    }
    case EMR_SELECTPALETTE:
      if (!need(12)) return false;
      if (HGDIOBJ o = Object(D(at + 8))) SelectPalette(dc_, (HPALETTE)o, FALSE);
      return true;
    case EMR_SETPALETTEENTRIES: {
      if (!need(20)) return false;
      DWORD start = D(at + 12), n = D(at + 16);
      if (20 + (uint64_t)n * 4 > size) return false;
      if (HGDIOBJ o = Object(D(at + 8)))
        SetPaletteEntries((HPALETTE)o, start, n,
                          reinterpret_cast<const PALETTEENTRY*>(&b_[at + 20]));
      return true;
    }
    case EMR_REALIZEPALETTE:
      RealizePalette(dc_);
      return true;
    case EMR_POLYLINE:
    case EMR_POLYLINE16:
    case EMR_POLYGON:
    case EMR_POLYGON16:
    case EMR_POLYPOLYGON:
    case EMR_POLYPOLYGON16: {
      std::vector<POINT> pts;
      std::vector<INT> counts;
      if (!Points(at, size, type, &pts, &counts)) return false;
      if (type == EMR_POLYLINE || type == EMR_POLYLINE16)
        Polyline(dc_, pts.data(), (int)pts.size());
      else if (type == EMR_POLYGON || type == EMR_POLYGON16)
        Polygon(dc_, pts.data(), (int)pts.size());
      else
        PolyPolygon(dc_, pts.data(), counts.data(), (int)counts.size());
      return true;
    }
    case EMR_EXTSELECTCLIPRGN: {
      if (!need(16)) return false;
      DWORD cb = D(at + 8);
      if (cb == 0) {
        SelectClipRgn(dc_, nullptr);
        return true;
      }
      RECT r;
      if (cb < 48 || 16 + (uint64_t)cb > size || !Read(at + 16 + 32, &r)) return false;
      HRGN rgn = CreateRectRgnIndirect(&r);
      SelectClipRgn(dc_, rgn);
      DeleteObject(rgn);
      return true;
    }
    case EMR_BITBLT: {
      EmrBitBlt r;
      if (!need(sizeof r) || !Read(at, &r)) return false;
      if (r.cbBitsSrc == 0) {
        BitBlt(dc_, r.xDest, r.yDest, r.cxDest, r.cyDest, nullptr, 0, 0, r.dwRop);
        return true;
      }
      const BITMAPINFO* info;
      const void* bits;
      if (!Bitmap(at, size, r.offBmiSrc, r.cbBmiSrc, r.offBitsSrc, r.cbBitsSrc, r.iUsageSrc, true,
                  0, 0, &info, &bits))
        return false;
      // The source rectangle's first row counted from the image's bottom.
      const int64_t h = info->bmiHeader.biHeight;
      const int64_t ySrc = h < 0 ? r.ySrc : h - r.ySrc - r.cyDest;
      if (ySrc < INT32_MIN || ySrc > INT32_MAX || r.cxDest <= 0 || r.cyDest <= 0) return true;
      SetDIBitsToDevice(dc_, r.xDest, r.yDest, (DWORD)r.cxDest, (DWORD)r.cyDest, r.xSrc,
                        (int)ySrc, 0, (UINT)(h < 0 ? -h : h), bits, info, r.iUsageSrc);
      return true;
    }
    case EMR_SETDIBITSTODEVICE: {
      EmrSetDIBits r;
      if (!need(sizeof r) || !Read(at, &r)) return false;
      const BITMAPINFO* info;
      const void* bits;
      if (!Bitmap(at, size, r.offBmiSrc, r.cbBmiSrc, r.offBitsSrc, r.cbBitsSrc,
                  r.iUsageSrc, false, r.iStartScan, r.cScans, &info, &bits))
        return false;
      SetDIBitsToDevice(dc_, r.xDest, r.yDest, (DWORD)r.cxSrc, (DWORD)r.cySrc, r.xSrc, r.ySrc,
                        r.iStartScan, r.cScans, bits, info, r.iUsageSrc);
      return true;
    }
    case EMR_EXTTEXTOUTW: {
      EmrExtTextOut r;
      if (!need(sizeof r) || !Read(at, &r)) return false;
      if ((uint64_t)r.text.offString + 2 * (uint64_t)r.text.nChars > size) return false;
      Dc* dc = GetDcObject(dc_);
      BYTE charset = dc && dc->font ? dc->font->request.lfCharSet : 0;
      std::string s(r.text.nChars, '?');
      for (DWORD i = 0; i < r.text.nChars; ++i) {
        uint16_t u = 0;
        Read(at + r.text.offString + 2 * (size_t)i, &u);
        for (int k = 0; k < 256; ++k)
          if (text::ByteToUnicode(charset, (BYTE)k) == u) {
            s[i] = (char)k;
            break;
          }
      }
      TextOutA(dc_, r.text.ptlReference.x, r.text.ptlReference.y, s.data(), (int)s.size());
      return true;
    }
    default:
      return true;  // records this reader does not draw
  }
}

bool Player::Run() {
  EmrHeader h;
  if (b_.size() < sizeof h) return false;
  memcpy(&h, b_.data(), sizeof h);
  if (h.iType != EMR_HEADER || h.dSignature != kEmfSignature || h.nBytes > b_.size() ||
      h.nSize < 88 || h.nSize > h.nBytes)
    return false;
  end_ = h.nBytes;
  Dc* dc = GetDcObject(dc_);
  if (!dc) return false;
  // Start from the default state and put the context's own back afterwards.
  HGDIOBJ pen = SelectObject(dc_, GetStockObject(BLACK_PEN));
  HGDIOBJ brush = SelectObject(dc_, GetStockObject(WHITE_BRUSH));
  HGDIOBJ font = SelectObject(dc_, GetStockObject(SYSTEM_FONT));
  HPALETTE palette = SelectPalette(dc_, (HPALETTE)GetStockObject(DEFAULT_PALETTE), FALSE);
  Dc saved;
  saved.rop2 = dc->rop2;
  saved.fillMode = dc->fillMode;
  saved.textAlign = dc->textAlign;
  saved.textColor = dc->textColor;
  saved.bkColor = dc->bkColor;
  saved.bkMode = dc->bkMode;
  saved.orgX = dc->orgX;
  saved.orgY = dc->orgY;
  saved.hasClip = dc->hasClip;
  saved.clip = dc->clip;
  dc->rop2 = R2_COPYPEN;
  dc->fillMode = ALTERNATE;
  dc->textAlign = 0;
  dc->textColor = 0;
  dc->bkColor = 0xFFFFFF;
  dc->bkMode = OPAQUE;
  dc->orgX = dc->orgY = 0;
  dc->hasClip = false;

  bool ok = false;
  size_t at = h.nSize;
  while (true) {
    DWORD type, size;
    if (!Read(at, &type) || !Read(at + 4, &size) || size < 8 || size % 4 || at + size > end_)
      break;
    if (type == EMR_EOF) {
      ok = true;
      break;
    }
    if (!Record(type, at, size)) break;
    at += size;
  }

  dc->rop2 = saved.rop2;
  dc->fillMode = saved.fillMode;
  dc->textAlign = saved.textAlign;
  dc->textColor = saved.textColor;
  dc->bkColor = saved.bkColor;
  dc->bkMode = saved.bkMode;
  dc->orgX = saved.orgX;
  dc->orgY = saved.orgY;
  dc->hasClip = saved.hasClip;
  dc->clip = saved.clip;
  SelectObject(dc_, pen);
  SelectObject(dc_, brush);
  SelectObject(dc_, font);
  SelectPalette(dc_, palette, FALSE);
  for (HGDIOBJ o : table_)
    if (o) DeleteObject(o);
  for (HGDIOBJ o : orphans_) DeleteObject(o);
  return ok;
}

}  // namespace

bool PlayMetaFile(HDC dc, const std::vector<uint8_t>& bytes) {
  if (!GetDcObject(dc)) return false;
  return Player(dc, bytes).Run();
}

bool ReadFileBytes(const char* path, std::vector<uint8_t>* bytes) {
  if (!path || !bytes) return false;
  HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  bytes->clear();
  uint8_t chunk[65536];
  DWORD n = 0;
  bool ok = true;
  while ((ok = ReadFile(f, chunk, sizeof chunk, &n, nullptr)) && n > 0)
    bytes->insert(bytes->end(), chunk, chunk + n);
  CloseHandle(f);
  return ok;
}

}  // namespace plat::gdi
