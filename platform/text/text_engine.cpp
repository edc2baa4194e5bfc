// Font realisation, metrics and monochrome span rendering over FreeType.
#include "platform/text/text_engine.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <numbers>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/text/font_internal.h"
#include "platform/text/font_source.h"

namespace plat::text {
namespace {

// Largest cell height realised; taller requests are drawn at this height so
// that one glyph never needs more than a few megabytes of bitmap.
constexpr int kMaxCell = 4096;
// Cell height of a request with lfHeight 0.
constexpr int kDefaultCell = 16;
// Slant of synthesised italics (tan 12 degrees) in 16.16.
constexpr FT_Fixed kItalicShear = 0x366A;
// Weight from which a request is bold.
constexpr LONG kBoldWeight = FW_SEMIBOLD;

// Weights of the lower-case letters a-z and the space in the average
// character width of the older font tables (per thousand).
const int kAverageWeights[27] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3,  6,  35, 20, 56,
                                 56, 17, 4,  49, 56, 71,  31, 10, 18, 3,  18, 2,  166};

int RoundToInt(double v) {
  if (!(v > -2e9)) return -2000000000;
  if (!(v < 2e9)) return 2000000000;
  return static_cast<int>(std::floor(v + 0.5));
}

// The bytes of a font file, shared by every font realised from it.
struct FileBytes {
  std::vector<FT_Byte> data;
};

std::shared_ptr<FileBytes> LoadFileBytes(const std::string& path) {
  static std::mutex* mu = new std::mutex;
  static auto* files = new std::map<std::string, std::weak_ptr<FileBytes>>;
  std::lock_guard<std::mutex> lock(*mu);
  auto& slot = (*files)[path];
  if (auto live = slot.lock()) return live;
  std::ifstream in(path, std::ios::binary);
  if (!in) return nullptr;
  in.seekg(0, std::ios::end);
  std::streamoff size = in.tellg();
  if (size <= 0 || size > (std::streamoff(1) << 30)) return nullptr;
  auto bytes = std::make_shared<FileBytes>();
  bytes->data.resize(static_cast<size_t>(size));
  in.seekg(0);
  if (!in.read(reinterpret_cast<char*>(bytes->data.data()), size)) return nullptr;
  slot = bytes;
  return bytes;
}

// One ink span of a cached glyph: pixels [x0, x1) of a row, counted from the
// top left corner of the glyph's bitmap.
struct GlyphSpan {
  uint16_t row, x0, x1;
};

// A rendered glyph: its spans in an arena and the corner of its bitmap from
// the pen position (pixels right and up).
struct GlyphRef {
  uint32_t first = 0;
  uint32_t count = 0;
  int32_t left = 0;
  int32_t top = 0;
};

struct GlyphEntry {
  bool rendered = false;
  GlyphRef ref;  // into FontFace::arena_
};

// A turned glyph: its key (escapement in tenths of a degree and byte, see
// TurnKey; 0 marks a free slot) and its spans in FontFace::turnedArena_.
struct TurnedSlot {
  uint32_t key = 0;
  GlyphRef ref;
};

// A glyph's spans as handed to the renderer.
struct GlyphInk {
  const GlyphSpan* spans;
  uint32_t count;
  int32_t left, top;
};

uint32_t TurnKey(uint32_t turn, BYTE ch) { return ((turn + 1) << 8) | ch; }

// Bytes of turned glyphs one face keeps, and all faces together; past them a
// face drops its turned glyphs and renders them anew as they are asked for.
constexpr size_t kTurnedFaceLimit = size_t(8) << 20;
constexpr size_t kTurnedTotalLimit = size_t(64) << 20;
std::atomic<size_t> gTurnedFaceLimit{kTurnedFaceLimit};
std::atomic<size_t> gTurnedTotalLimit{kTurnedTotalLimit};
std::atomic<int64_t> gTurnedBytes{0};

// A span in device coordinates, before merging.
struct DevSpan {
  int64_t y, x0, x1;
  bool operator<(const DevSpan& o) const { return y != o.y ? y < o.y : x0 < o.x0; }
};

}  // namespace

// Everything of a realised font but its escapement: the face set to the
// font's size, the metrics, the advances and the rendered glyphs. The fonts
// of one request turned by different angles share one, so a label turned by
// any angle costs no face of its own: its glyphs are rendered from the shared
// face and kept under (angle, byte) in a bounded cache.
class FontFace {
 public:
  explicit FontFace(const LOGFONTA& request);
  ~FontFace();
  FontFace(const FontFace&) = delete;
  FontFace& operator=(const FontFace&) = delete;

  LOGFONTA request_;  // escapement and orientation 0
  TEXTMETRICA tm_{};
  std::string path_;  // empty: the null font
  bool synthBold_ = false;
  bool synthItalic_ = false;
  int boldPx_ = 0;        // extra advance of synthesised bold
  int nullAdvance_ = 0;   // advance of every byte in the null font
  int ulTop_ = 0, ulThick_ = 0;  // underline rows below the baseline (y down)
  int soTop_ = 0, soThick_ = 0;  // strike-out rows

  std::shared_ptr<FileBytes> bytes_;
  FT_Face face_ = nullptr;
  FT_UInt glyphIndex_[256] = {};

  mutable std::mutex mu_;
  mutable int advance_[256];  // -1: not measured yet
  mutable GlyphEntry glyphs_[256];  // upright
  mutable std::vector<GlyphSpan> arena_;
  mutable std::vector<TurnedSlot> turned_;  // open addressing, size a power of two
  mutable size_t turnedUsed_ = 0;
  mutable std::vector<GlyphSpan> turnedArena_;
  mutable int64_t turnedBytes_ = 0;  // counted in gTurnedBytes

  int Advance(BYTE ch) const;  // mu_ held
  // The ink of a glyph turned by the rotation (turn in tenths of a degree,
  // 0 upright); valid until the next call. mu_ held.
  GlyphInk Glyph(BYTE ch, uint32_t turn, const FT_Matrix& rot) const;

 private:
  bool Load(const FaceFile& file);
  void Realise();
  void RealiseNull();
  void MapGlyphs();
  // Renders a glyph, turned when rot is not null, appending its spans.
  GlyphRef Render(BYTE ch, const FT_Matrix* rot, std::vector<GlyphSpan>& out) const;
  void DropTurned(bool release) const;
  void AccountTurned() const;
};

// A realised font: the request and its rotation over the shared face.
class Font {
 public:
  Font(const LOGFONTA& request, std::shared_ptr<const FontFace> face);
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  LOGFONTA request_;
  std::shared_ptr<const FontFace> face_;  // never null
  double cos_ = 1, sin_ = 0;
  uint32_t turn_ = 0;  // escapement in tenths of a degree, 0..3599
  FT_Matrix rot_{0x10000, 0, 0, 0x10000};
};

namespace {

FT_Face OpenFace(const std::shared_ptr<FileBytes>& bytes, int index) {
  std::lock_guard<std::mutex> lock(FreeTypeMutex());
  FT_Library lib = FreeTypeLibrary();
  if (!lib) return nullptr;
  FT_Face face = nullptr;
  if (FT_New_Memory_Face(lib, bytes->data.data(), static_cast<FT_Long>(bytes->data.size()),
                         index, &face) != 0)
    return nullptr;
  if (!FT_IS_SCALABLE(face)) {
    FT_Done_Face(face);
    return nullptr;
  }
  return face;
}

}  // namespace

FontFace::FontFace(const LOGFONTA& request) : request_(request) {
  for (int& a : advance_) a = -1;
  bool bold = request_.lfWeight >= kBoldWeight;
  bool italic = request_.lfItalic != 0;
  char name[LF_FACESIZE];
  std::memcpy(name, request_.lfFaceName, LF_FACESIZE);
  name[LF_FACESIZE - 1] = 0;
  if (!Load(FindFaceFile(name, bold, italic)) && !Load(FindDefaultFaceFile(bold, italic))) {
    RealiseNull();
    return;
  }
  Realise();
}

FontFace::~FontFace() {
  gTurnedBytes -= turnedBytes_;
  if (face_) {
    std::lock_guard<std::mutex> lock(FreeTypeMutex());
    FT_Done_Face(face_);
  }
}

bool FontFace::Load(const FaceFile& file) {
  if (file.path.empty()) return false;
  auto bytes = LoadFileBytes(file.path);
  if (!bytes) return false;
  FT_Face face = OpenFace(bytes, file.index);
  if (!face) return false;
  bytes_ = std::move(bytes);
  face_ = face;
  path_ = file.path;
  return true;
}

// Cell height asked for, limited to what the engine realises.
static int RequestedSize(LONG v) {
  int64_t a = v < 0 ? -static_cast<int64_t>(v) : v;
  return static_cast<int>(std::min<int64_t>(a, kMaxCell));
}

void FontFace::RealiseNull() {
  int h = request_.lfHeight == 0 ? kDefaultCell : std::max(1, RequestedSize(request_.lfHeight));
  tm_.tmHeight = h;
  tm_.tmAscent = (h * 4 + 2) / 5;
  tm_.tmDescent = h - tm_.tmAscent;
  nullAdvance_ = request_.lfWidth != 0 ? RequestedSize(request_.lfWidth) : std::max(1, (h + 1) / 2);
  tm_.tmAveCharWidth = nullAdvance_;
  tm_.tmMaxCharWidth = nullAdvance_;
  tm_.tmWeight = request_.lfWeight == 0 ? FW_NORMAL : request_.lfWeight;
  tm_.tmDigitizedAspectX = tm_.tmDigitizedAspectY = 96;
  tm_.tmFirstChar = 0x1E;
  tm_.tmLastChar = 0xFF;
  tm_.tmDefaultChar = 0x1F;
  tm_.tmBreakChar = 0x20;
  tm_.tmItalic = request_.lfItalic;
  tm_.tmUnderlined = request_.lfUnderline;
  tm_.tmStruckOut = request_.lfStrikeOut;
  tm_.tmPitchAndFamily = FF_SWISS | TMPF_FIXED_PITCH;
  tm_.tmCharSet = request_.lfCharSet;
  for (int& a : advance_) a = nullAdvance_;
}

void FontFace::MapGlyphs() {
  FT_CharMap unicode = nullptr, symbol = nullptr;
  for (int i = 0; i < face_->num_charmaps; ++i) {
    FT_CharMap cm = face_->charmaps[i];
    if (cm->encoding == FT_ENCODING_UNICODE && !unicode) unicode = cm;
    if (cm->encoding == FT_ENCODING_MS_SYMBOL && !symbol) symbol = cm;
  }
  BYTE cs = request_.lfCharSet;
  for (int b = 0; b < 256; ++b) {
    FT_UInt gi = 0;
    if (cs == SYMBOL_CHARSET) {
      // The symbol map lists the codes at 0xF000 + byte; faces without one
      // are asked for the Unicode private-use code, then the byte itself.
      for (FT_CharMap cm : {symbol, unicode}) {
        if (!cm || gi) continue;
        FT_Set_Charmap(face_, cm);
        gi = FT_Get_Char_Index(face_, 0xF000 + b);
        if (!gi) gi = FT_Get_Char_Index(face_, b);
      }
    } else if (unicode) {
      FT_Set_Charmap(face_, unicode);
      gi = FT_Get_Char_Index(face_, ByteToUnicode(cs, static_cast<BYTE>(b)));
    } else if (symbol) {
      FT_Set_Charmap(face_, symbol);
      gi = FT_Get_Char_Index(face_, 0xF000 + b);
    }
    glyphIndex_[b] = gi;
  }
  if (unicode) FT_Set_Charmap(face_, unicode);
}

void FontFace::Realise() {
  MapGlyphs();
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
  const TT_HoriHeader* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face_, FT_SFNT_HHEA));
  const TT_Postscript* post = static_cast<const TT_Postscript*>(FT_Get_Sfnt_Table(face_, FT_SFNT_POST));
  double upem = face_->units_per_EM > 0 ? face_->units_per_EM : 2048;

  // Vertical extent in font units: the Windows ascent and descent of the
  // OS/2 table, else the horizontal header's.
  double winA, winD;
  if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
    winA = os2->usWinAscent;
    winD = os2->usWinDescent;
  } else {
    winA = face_->ascender;
    winD = -face_->descender;
    if (winA + winD <= 0) {
      winA = upem * 0.8;
      winD = upem * 0.2;
    }
  }

  // Positive heights are cell heights, negative ones em heights.
  double scale;
  int ascent, descent;
  if (request_.lfHeight >= 0) {
    int h = request_.lfHeight == 0 ? kDefaultCell : std::max(1, RequestedSize(request_.lfHeight));
    scale = h / (winA + winD);
    ascent = RoundToInt(winA * scale);
    descent = h - ascent;
  } else {
    int em = std::max(1, RequestedSize(request_.lfHeight));
    scale = em / upem;
    ascent = RoundToInt(winA * scale);
    descent = RoundToInt(winD * scale);
    int over = ascent + descent - kMaxCell;
    if (over > 0) descent -= over;
  }
  int h = ascent + descent;
  int emPx = std::max(1, RoundToInt(upem * scale));

  // Average width over a-z and space in font units, weighted the old way.
  double avgUnits = 0;
  bool complete = true;
  FT_CharMap saved = face_->charmap;
  for (int i = 0; i < 27 && complete; ++i) {
    FT_ULong code = i < 26 ? 'a' + i : ' ';
    FT_UInt gi = FT_Get_Char_Index(face_, code);
    if (!gi && saved && saved->encoding == FT_ENCODING_MS_SYMBOL)
      gi = FT_Get_Char_Index(face_, 0xF000 + code);
    FT_Fixed adv = 0;
    if (!gi || FT_Get_Advance(face_, gi, FT_LOAD_NO_SCALE, &adv) != 0) complete = false;
    avgUnits += static_cast<double>(adv) * kAverageWeights[i];
  }
  avgUnits /= 1000.0;
  if (!complete || avgUnits <= 0) avgUnits = os2 && os2->xAvgCharWidth > 0 ? os2->xAvgCharWidth : upem / 2;

  // lfWidth stretches horizontally so that the average width becomes lfWidth.
  double stretch = 1.0;
  if (request_.lfWidth != 0) {
    double natural = avgUnits * scale;
    stretch = RequestedSize(request_.lfWidth) / natural;
    stretch = std::clamp(stretch, 1.0 / 64, 64.0);
    if (emPx * stretch > 4 * kMaxCell) stretch = 4.0 * kMaxCell / emPx;
  }
  int emPxX = std::max(1, RoundToInt(upem * scale * stretch));
  FT_Set_Pixel_Sizes(face_, static_cast<FT_UInt>(emPxX), static_cast<FT_UInt>(emPx));

  // Styles the face lacks are synthesised.
  bool wantBold = request_.lfWeight >= kBoldWeight;
  bool faceBold = (face_->style_flags & FT_STYLE_FLAG_BOLD) || (os2 && os2->usWeightClass >= 600);
  synthBold_ = wantBold && !faceBold;
  synthItalic_ = request_.lfItalic && !(face_->style_flags & FT_STYLE_FLAG_ITALIC);
  boldPx_ = synthBold_ ? std::max(1, RoundToInt(emPx / 24.0)) : 0;

  double lineGap = 0;
  if (hhea) {
    double g = hhea->Line_Gap - ((winA + winD) - (hhea->Ascender - hhea->Descender));
    lineGap = std::max(0.0, g);
  }

  tm_.tmHeight = h;
  tm_.tmAscent = ascent;
  tm_.tmDescent = descent;
  tm_.tmInternalLeading = std::max(0, h - emPx);
  tm_.tmExternalLeading = RoundToInt(lineGap * scale);
  tm_.tmAveCharWidth = std::max(1, RoundToInt(avgUnits * scale * stretch));
  double maxAdv = hhea && hhea->advance_Width_Max > 0 ? hhea->advance_Width_Max : face_->max_advance_width;
  tm_.tmMaxCharWidth = RoundToInt(maxAdv * scale * stretch) + boldPx_;
  tm_.tmWeight = request_.lfWeight == 0 ? FW_NORMAL : request_.lfWeight;
  tm_.tmOverhang = 0;
  tm_.tmDigitizedAspectX = tm_.tmDigitizedAspectY = 96;
  bool symbolFace = false;
  for (int i = 0; i < face_->num_charmaps; ++i)
    if (face_->charmaps[i]->encoding == FT_ENCODING_MS_SYMBOL) symbolFace = true;
  tm_.tmFirstChar = symbolFace ? 0x1F : 0x1E;
  tm_.tmLastChar = 0xFF;
  tm_.tmDefaultChar = 0x1F;
  tm_.tmBreakChar = 0x20;
  tm_.tmItalic = request_.lfItalic;
  tm_.tmUnderlined = request_.lfUnderline;
  tm_.tmStruckOut = request_.lfStrikeOut;
  BYTE family = FF_SWISS;
  if (FT_IS_FIXED_WIDTH(face_))
    family = FF_MODERN;
  else if (os2 && os2->panose[0] == 2 && os2->panose[1] >= 2 && os2->panose[1] <= 10)
    family = FF_ROMAN;
  tm_.tmPitchAndFamily = static_cast<BYTE>(family | TMPF_TRUETYPE | TMPF_VECTOR |
                                           (FT_IS_FIXED_WIDTH(face_) ? 0 : TMPF_FIXED_PITCH));
  tm_.tmCharSet = request_.lfCharSet == DEFAULT_CHARSET ? ANSI_CHARSET : request_.lfCharSet;

  // Underline and strike-out bars from the font's own positions (font units
  // above the baseline of the bar's top edge), as rows below the baseline.
  double ulPos = post && post->underlinePosition ? post->underlinePosition : -upem / 10;
  double ulThick = post && post->underlineThickness > 0 ? post->underlineThickness : upem / 20;
  double soPos = os2 && os2->version != 0xFFFF && os2->yStrikeoutPosition ? os2->yStrikeoutPosition
                                                                          : upem * 0.26;
  double soThick = os2 && os2->version != 0xFFFF && os2->yStrikeoutSize > 0 ? os2->yStrikeoutSize
                                                                            : ulThick;
  ulThick_ = std::max(1, RoundToInt(ulThick * scale));
  ulTop_ = std::min(descent - 1, -RoundToInt(ulPos * scale));
  if (ulTop_ + ulThick_ > descent) ulTop_ = std::max(1, descent - ulThick_);
  soThick_ = std::max(1, RoundToInt(soThick * scale));
  soTop_ = -RoundToInt(soPos * scale);
}

int FontFace::Advance(BYTE ch) const {
  int& a = advance_[ch];
  if (a >= 0) return a;
  FT_Fixed adv = 0;
  if (FT_Get_Advance(face_, glyphIndex_[ch], FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP, &adv) != 0)
    adv = 0;
  a = static_cast<int>((adv + 0x8000) >> 16) + boldPx_;
  if (a < 0) a = 0;
  return a;
}

GlyphRef FontFace::Render(BYTE ch, const FT_Matrix* rot, std::vector<GlyphSpan>& out) const {
  GlyphRef ref;
  ref.first = static_cast<uint32_t>(out.size());
  if (FT_Load_Glyph(face_, glyphIndex_[ch], FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP) != 0) return ref;
  FT_GlyphSlot slot = face_->glyph;
  if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
    if (synthItalic_) {
      FT_Matrix shear = {0x10000, kItalicShear, 0, 0x10000};
      FT_Outline_Transform(&slot->outline, &shear);
    }
    if (synthBold_) FT_Outline_EmboldenXY(&slot->outline, boldPx_ * 64, boldPx_ * 32);
    // Turned after hinting and the synthesised styles, as the upright glyph.
    if (rot) FT_Outline_Transform(&slot->outline, rot);
  }
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) return ref;
  const FT_Bitmap& bm = slot->bitmap;
  // The rasteriser makes no bitmap wider or taller than 32767 pixels.
  if (bm.pixel_mode != FT_PIXEL_MODE_MONO || bm.width > 0xFFFF || bm.rows > 0xFFFF) return ref;
  ref.left = slot->bitmap_left;
  ref.top = slot->bitmap_top;
  for (unsigned r = 0; r < bm.rows; ++r) {
    const unsigned char* row = bm.buffer + static_cast<ptrdiff_t>(r) * bm.pitch;
    unsigned c = 0;
    while (c < bm.width) {
      while (c < bm.width && !(row[c >> 3] & (0x80 >> (c & 7)))) ++c;
      if (c >= bm.width) break;
      unsigned start = c;
      while (c < bm.width && (row[c >> 3] & (0x80 >> (c & 7)))) ++c;
      out.push_back(GlyphSpan{static_cast<uint16_t>(r), static_cast<uint16_t>(start),
                              static_cast<uint16_t>(c)});
    }
  }
  ref.count = static_cast<uint32_t>(out.size() - ref.first);
  return ref;
}

// Drops the turned glyphs; release also frees their memory.
void FontFace::DropTurned(bool release) const {
  if (release) {
    std::vector<TurnedSlot>().swap(turned_);
    std::vector<GlyphSpan>().swap(turnedArena_);
  } else {
    std::fill(turned_.begin(), turned_.end(), TurnedSlot{});
    turnedArena_.clear();
  }
  turnedUsed_ = 0;
  AccountTurned();
}

// Brings the process-wide count of turned glyph bytes up to date.
void FontFace::AccountTurned() const {
  int64_t bytes = static_cast<int64_t>(turned_.capacity() * sizeof(TurnedSlot) +
                                       turnedArena_.capacity() * sizeof(GlyphSpan));
  gTurnedBytes += bytes - turnedBytes_;
  turnedBytes_ = bytes;
}

GlyphInk FontFace::Glyph(BYTE ch, uint32_t turn, const FT_Matrix& rot) const {
  if (turn == 0) {
    GlyphEntry& g = glyphs_[ch];
    if (!g.rendered) {
      g.rendered = true;
      g.ref = Render(ch, nullptr, arena_);
    }
    return GlyphInk{arena_.data() + g.ref.first, g.ref.count, g.ref.left, g.ref.top};
  }

  const uint32_t key = TurnKey(turn, ch);
  auto find = [&](uint32_t k) -> TurnedSlot& {
    size_t mask = turned_.size() - 1;
    size_t i = (k * 0x9E3779B1u) & mask;
    while (turned_[i].key != 0 && turned_[i].key != k) i = (i + 1) & mask;
    return turned_[i];
  };
  if (!turned_.empty()) {
    const TurnedSlot& hit = find(key);
    if (hit.key == key)
      return GlyphInk{turnedArena_.data() + hit.ref.first, hit.ref.count, hit.ref.left, hit.ref.top};
  }

  // A new turned glyph: make room within the limits, then render it.
  if (static_cast<size_t>(turnedBytes_) >= gTurnedFaceLimit)
    DropTurned(false);
  else if (gTurnedBytes.load() >= static_cast<int64_t>(gTurnedTotalLimit))
    DropTurned(true);
  if ((turnedUsed_ + 1) * 2 > turned_.size()) {
    std::vector<TurnedSlot> old(std::max<size_t>(turned_.size() * 2, 1024));
    old.swap(turned_);
    for (const TurnedSlot& e : old)
      if (e.key) find(e.key) = e;
  }
  TurnedSlot& slot = find(key);
  slot.key = key;
  slot.ref = Render(ch, &rot, turnedArena_);
  ++turnedUsed_;
  AccountTurned();
  return GlyphInk{turnedArena_.data() + slot.ref.first, slot.ref.count, slot.ref.left, slot.ref.top};
}

Font::Font(const LOGFONTA& request, std::shared_ptr<const FontFace> face)
    : request_(request), face_(std::move(face)) {
  LONG esc = request_.lfEscapement % 3600;
  if (esc < 0) esc += 3600;
  turn_ = static_cast<uint32_t>(esc);
  if (esc == 0) return;
  switch (esc) {
    case 900: cos_ = 0; sin_ = 1; break;
    case 1800: cos_ = -1; sin_ = 0; break;
    case 2700: cos_ = 0; sin_ = -1; break;
    default: {
      double a = esc * std::numbers::pi / 1800.0;
      cos_ = std::cos(a);
      sin_ = std::sin(a);
    }
  }
  rot_ = {static_cast<FT_Fixed>(std::lround(cos_ * 65536)),
          static_cast<FT_Fixed>(std::lround(-sin_ * 65536)),
          static_cast<FT_Fixed>(std::lround(sin_ * 65536)),
          static_cast<FT_Fixed>(std::lround(cos_ * 65536))};
}

// ---- font cache ----

namespace {

// A request as a cache key: the record with the bytes after the face name's
// terminator cleared, so that equal requests have equal keys.
struct RequestKey {
  LOGFONTA lf;
  explicit RequestKey(const LOGFONTA& request) : lf(request) {
    size_t n = strnlen(lf.lfFaceName, LF_FACESIZE - 1);
    std::memset(lf.lfFaceName + n, 0, LF_FACESIZE - n);
  }
  bool operator==(const RequestKey& o) const { return std::memcmp(&lf, &o.lf, sizeof lf) == 0; }
};

static_assert(sizeof(LOGFONTA) % 4 == 0);

struct RequestKeyHash {
  size_t operator()(const RequestKey& k) const {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(&k.lf);
    uint64_t h = 0;
    for (size_t i = 0; i < sizeof k.lf; i += 4) {
      uint32_t w;
      std::memcpy(&w, p + i, 4);
      h = (h ^ w) * 0x9E3779B97F4A7C15ull;
    }
    return static_cast<size_t>(h ^ (h >> 29));
  }
};

// Realised objects by request, the least recently used dropped past the limit
// when no caller holds them.
template <class T>
struct Cache {
  explicit Cache(size_t limit) : limit(limit) {}
  const size_t limit;
  std::mutex mu;
  std::unordered_map<RequestKey, std::pair<std::shared_ptr<const T>, uint64_t>, RequestKeyHash> items;
  uint64_t clock = 0;

  std::shared_ptr<const T> Find(const RequestKey& key) {
    std::lock_guard<std::mutex> lock(mu);
    auto it = items.find(key);
    if (it == items.end()) return nullptr;
    it->second.second = ++clock;
    return it->second.first;
  }

  // Adds a newly realised object; when another thread added one first, that
  // one is returned. Objects dropped by the trim go to *dropped, to be
  // destroyed outside the lock.
  std::shared_ptr<const T> Add(const RequestKey& key, std::shared_ptr<const T> item,
                               std::vector<std::shared_ptr<const T>>* dropped) {
    std::lock_guard<std::mutex> lock(mu);
    auto [it, inserted] = items.emplace(key, std::make_pair(std::move(item), ++clock));
    if (!inserted || items.size() <= limit) return it->second.first;
    std::shared_ptr<const T> added = it->second.first;
    std::vector<std::pair<uint64_t, const RequestKey*>> idle;
    for (auto& [k, entry] : items)
      if (entry.first.use_count() == 1) idle.emplace_back(entry.second, &k);
    std::sort(idle.begin(), idle.end(),
              [](const auto& x, const auto& y) { return x.first < y.first; });
    size_t excess = items.size() - limit * 3 / 4;
    for (size_t i = 0; i < idle.size() && i < excess; ++i) {
      auto found = items.find(*idle[i].second);
      dropped->push_back(std::move(found->second.first));
      items.erase(found);
    }
    return added;
  }

  void Clear(std::vector<std::shared_ptr<const T>>* dropped) {
    std::lock_guard<std::mutex> lock(mu);
    for (auto& [key, entry] : items) dropped->push_back(std::move(entry.first));
    items.clear();
  }
};

// Fonts are small (a request, a rotation and the face), so many are kept: a
// map's labels at every whole degree in a few styles stay warm. Faces hold
// the font files' glyphs and are fewer.
Cache<Font>& TheFonts() {
  static auto* c = new Cache<Font>(1024);  // lives for the whole process
  return *c;
}

Cache<FontFace>& TheFaces() {
  static auto* c = new Cache<FontFace>(64);
  return *c;
}

std::shared_ptr<const FontFace> SharedFace(const RequestKey& key) {
  Cache<FontFace>& faces = TheFaces();
  if (auto face = faces.Find(key)) return face;
  auto face = std::make_shared<const FontFace>(key.lf);
  std::vector<std::shared_ptr<const FontFace>> dropped;
  return faces.Add(key, std::move(face), &dropped);
}

}  // namespace

void ClearFontCache() {
  std::vector<std::shared_ptr<const Font>> fonts;  // destroyed outside the locks
  std::vector<std::shared_ptr<const FontFace>> faces;
  TheFonts().Clear(&fonts);
  TheFaces().Clear(&faces);
}

std::shared_ptr<const Font> OpenFont(const LOGFONTA& request) {
  const RequestKey key(request);
  Cache<Font>& fonts = TheFonts();
  if (auto font = fonts.Find(key)) return font;
  // Every escapement of a request shares the face of the upright request.
  RequestKey upright = key;
  upright.lf.lfEscapement = 0;
  upright.lf.lfOrientation = 0;
  auto font = std::make_shared<const Font>(key.lf, SharedFace(upright));
  std::vector<std::shared_ptr<const Font>> dropped;
  return fonts.Add(key, std::move(font), &dropped);
}

// ---- measuring ----

const LOGFONTA& FontRequest(const Font& font) { return font.request_; }

const std::string& FontFilePath(const Font& font) { return font.face_->path_; }

bool FontSynthesisesBold(const Font& font) { return font.face_->synthBold_; }

bool FontSynthesisesItalic(const Font& font) { return font.face_->synthItalic_; }

bool FontsShareFace(const Font& a, const Font& b) { return a.face_ == b.face_; }

size_t TurnedGlyphBytes() { return static_cast<size_t>(std::max<int64_t>(0, gTurnedBytes.load())); }

void SetTurnedGlyphLimits(size_t perFace, size_t total) {
  gTurnedFaceLimit = perFace ? perFace : kTurnedFaceLimit;
  gTurnedTotalLimit = total ? total : kTurnedTotalLimit;
}

void GetTextMetrics(const Font& font, TEXTMETRICA* tm) {
  if (tm) *tm = font.face_->tm_;
}

int CharWidth(const Font& font, BYTE ch) {
  const FontFace& face = *font.face_;
  if (!face.face_) return face.nullAdvance_;
  std::lock_guard<std::mutex> lock(face.mu_);
  return face.Advance(ch);
}

SIZE TextExtent(const Font& font, const char* s, int n) {
  const FontFace& face = *font.face_;
  SIZE size{0, face.tm_.tmHeight};
  if (!s || n <= 0) return size;
  int64_t w = 0;
  if (!face.face_) {
    w = static_cast<int64_t>(face.nullAdvance_) * n;
  } else {
    std::lock_guard<std::mutex> lock(face.mu_);
    for (int i = 0; i < n; ++i) w += face.Advance(static_cast<BYTE>(s[i]));
  }
  size.cx = static_cast<LONG>(std::min<int64_t>(w, INT_MAX));
  return size;
}

// ---- rendering ----

namespace {

// Fills the convex quadrilateral q (device coordinates) with the pixel-centre
// rule: a pixel is ink when its centre lies inside, left and top edges
// included.
void FillQuad(const double (&q)[4][2], std::vector<DevSpan>& out) {
  double ymin = q[0][1], ymax = q[0][1];
  for (int i = 1; i < 4; ++i) {
    ymin = std::min(ymin, q[i][1]);
    ymax = std::max(ymax, q[i][1]);
  }
  if (!(ymin > -4e9 && ymax < 4e9)) return;
  int64_t r0 = static_cast<int64_t>(std::ceil(ymin - 0.5));
  int64_t r1 = static_cast<int64_t>(std::ceil(ymax - 0.5));
  for (int64_t r = r0; r < r1; ++r) {
    double yc = static_cast<double>(r) + 0.5;
    double xl = 1e300, xr = -1e300;
    for (int i = 0; i < 4; ++i) {
      const double* p = q[i];
      const double* e = q[(i + 1) & 3];
      if ((p[1] <= yc && yc < e[1]) || (e[1] <= yc && yc < p[1])) {
        double x = p[0] + (yc - p[1]) * (e[0] - p[0]) / (e[1] - p[1]);
        xl = std::min(xl, x);
        xr = std::max(xr, x);
      }
    }
    if (xl > xr) continue;
    int64_t x0 = static_cast<int64_t>(std::ceil(xl - 0.5));
    int64_t x1 = static_cast<int64_t>(std::ceil(xr - 0.5));
    if (x1 > x0) out.push_back(DevSpan{r, x0, x1});
  }
}

// Orders spans by row, then by start. A text covers few rows, so the spans
// are dealt into their rows first; the spans of a row come glyph by glyph
// along the base line, nearly in order, and an insertion sort finishes them.
void SortSpans(std::vector<DevSpan>& spans) {
  thread_local std::vector<DevSpan> dealt;
  thread_local std::vector<uint32_t> rowEnd;
  if (spans.size() < 2) return;
  int64_t top = spans[0].y, bottom = top;
  for (const DevSpan& s : spans) {
    top = std::min(top, s.y);
    bottom = std::max(bottom, s.y);
  }
  const uint64_t rows = static_cast<uint64_t>(bottom - top) + 1;
  if (rows > 4 * spans.size() + 64) {
    std::sort(spans.begin(), spans.end());
    return;
  }
  rowEnd.assign(rows, 0);
  for (const DevSpan& s : spans) ++rowEnd[s.y - top];
  uint32_t at = 0;
  for (uint32_t& r : rowEnd) at = r += at;  // the end of each row
  dealt.resize(spans.size());
  for (size_t i = spans.size(); i-- > 0;) dealt[--rowEnd[spans[i].y - top]] = spans[i];
  // rowEnd now holds the start of each row.
  for (size_t r = 0; r < rows; ++r) {
    const size_t begin = rowEnd[r], end = r + 1 < rows ? rowEnd[r + 1] : dealt.size();
    for (size_t i = begin + 1; i < end; ++i) {
      DevSpan v = dealt[i];
      size_t j = i;
      for (; j > begin && v.x0 < dealt[j - 1].x0; --j) dealt[j] = dealt[j - 1];
      dealt[j] = v;
    }
  }
  spans.swap(dealt);
}

}  // namespace

void RenderText(const Font& font, int x, int y, UINT align, const char* s, int n, SpanSink sink,
                void* ctx, TextBox* box) {
  if (!s || n < 0) n = 0;
  const FontFace& face = *font.face_;
  const TEXTMETRICA& tm = face.tm_;
  const double c = font.cos_, sn = font.sin_;
  thread_local std::vector<DevSpan> spans;
  thread_local std::vector<int> advances;
  spans.clear();

  std::unique_lock<std::mutex> lock(face.mu_, std::defer_lock);
  if (face.face_) lock.lock();
  advances.resize(static_cast<size_t>(n));
  int64_t width = 0;
  for (int i = 0; i < n; ++i) {
    advances[i] = face.face_ ? face.Advance(static_cast<BYTE>(s[i])) : face.nullAdvance_;
    width += advances[i];
  }

  // Offsets of the base line's start from the reference point along the
  // text direction (u) and across it, downwards (v).
  double ax = 0;
  if ((align & TA_CENTER) == TA_CENTER)
    ax = static_cast<double>(width / 2);
  else if (align & TA_RIGHT)
    ax = static_cast<double>(width);
  double oy = 0;
  if ((align & TA_BASELINE) == TA_BASELINE)
    oy = 0;
  else if (align & TA_BOTTOM)
    oy = -tm.tmDescent;
  else
    oy = tm.tmAscent;
  // Device position of local point (u, v): u runs along (cos, -sin), v along
  // (sin, cos), both rotated counter-clockwise on a y-down device.
  auto devX = [&](double u, double v) { return x + (u - ax) * c + (v + oy) * sn; };
  auto devY = [&](double u, double v) { return y - (u - ax) * sn + (v + oy) * c; };

  if (box) {
    const double corners[4][2] = {{0.0, -static_cast<double>(tm.tmAscent)},
                                  {static_cast<double>(width), -static_cast<double>(tm.tmAscent)},
                                  {static_cast<double>(width), static_cast<double>(tm.tmDescent)},
                                  {0.0, static_cast<double>(tm.tmDescent)}};
    for (int i = 0; i < 4; ++i) {
      box->corner[i].x = RoundToInt(devX(corners[i][0], corners[i][1]));
      box->corner[i].y = RoundToInt(devY(corners[i][0], corners[i][1]));
    }
  }
  if (!face.face_ || !sink) return;

  int64_t pen = 0;
  for (int i = 0; i < n; ++i) {
    const GlyphInk g = face.Glyph(static_cast<BYTE>(s[i]), font.turn_, font.rot_);
    double fx = devX(static_cast<double>(pen), 0), fy = devY(static_cast<double>(pen), 0);
    pen += advances[i];
    if (!g.count || !(std::fabs(fx) < 4e9 && std::fabs(fy) < 4e9)) continue;
    // The glyph bitmap's top left corner in device pixels.
    int64_t gx = static_cast<int64_t>(std::floor(fx + 0.5)) + g.left;
    int64_t gy = static_cast<int64_t>(std::floor(fy + 0.5)) - g.top;
    for (const GlyphSpan* gs = g.spans; gs != g.spans + g.count; ++gs)
      spans.push_back(DevSpan{gy + gs->row, gx + gs->x0, gx + gs->x1});
  }
  lock.unlock();

  auto bar = [&](int top, int thick) {
    double w = static_cast<double>(width);
    const double u[4] = {0, w, w, 0};
    const double v[4] = {static_cast<double>(top), static_cast<double>(top),
                         static_cast<double>(top + thick), static_cast<double>(top + thick)};
    double q[4][2];
    for (int i = 0; i < 4; ++i) {
      q[i][0] = devX(u[i], v[i]);
      q[i][1] = devY(u[i], v[i]);
    }
    FillQuad(q, spans);
  };
  if (width > 0 && font.request_.lfUnderline) bar(face.ulTop_, face.ulThick_);
  if (width > 0 && font.request_.lfStrikeOut) bar(face.soTop_, face.soThick_);

  // Merge overlapping and touching spans so each pixel is emitted once.
  SortSpans(spans);
  size_t i = 0;
  while (i < spans.size()) {
    DevSpan cur = spans[i++];
    while (i < spans.size() && spans[i].y == cur.y && spans[i].x0 <= cur.x1) {
      cur.x1 = std::max(cur.x1, spans[i].x1);
      ++i;
    }
    if (cur.y < INT_MIN || cur.y > INT_MAX) continue;
    int64_t x0 = std::max<int64_t>(cur.x0, INT_MIN), x1 = std::min<int64_t>(cur.x1, INT_MAX);
    if (x1 > x0) sink(ctx, static_cast<int>(cur.y), static_cast<int>(x0), static_cast<int>(x1));
  }
}

}  // namespace plat::text
