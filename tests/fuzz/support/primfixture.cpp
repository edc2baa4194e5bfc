#include "support/primfixture.h"

#include <cstring>

#include "devices/support/devcanvas.h"
#include "document/legend.h"
#include "document/mapaccess.h"
#include "mapstore/support/mapbuilder.h"
#include "mapstore/support/objectbuilder.h"
#include "objects/objectinfo.h"
#include "records/objectdraw.h"
#include "records/primitives.h"
#include "types/paintparm.h"
#include "types/primitives.h"
#include "support/layouts.h"

namespace fuzz {

const std::vector<std::string> kPrimitiveFiles = {"rec146.img", "rec155.img", "rec157.img",
                                                  "rec158.img", "rec159.img"};

std::string PrimitiveFile(int code) { return "rec" + std::to_string(code) + ".img"; }

namespace {

using objtest::Bytes;

// The fixture's line kind and area kind (classifier indexes 16 and 17).
constexpr uint16_t kLineIndex = 16, kAreaIndex = 17;
// The objects lie inside sheet 1 (6000000, 7400000 and 10 km square).
constexpr double kX = 6004000, kY = 7403000;
// The picture painted around them, pixels.
constexpr int kSide = 160;

using mctest::Put32;
void Add32(std::string& b, uint32_t v) {
  b.resize(b.size() + 4);
  Put32(b, b.size() - 4, v);
}
std::string Words(std::initializer_list<uint32_t> words) {
  std::string b;
  for (uint32_t w : words) Add32(b, w);
  return b;
}
std::string Text(const Bytes& b) { return std::string(b.begin(), b.end()); }

// A nested element: u16 length (head included), u16 code, parameters.
std::string Element(int code, const std::string& parm) {
  std::string e(4, '\0');
  const uint16_t head[2] = {uint16_t(4 + parm.size()), uint16_t(code)};
  std::memcpy(&e[0], head, 4);
  return e + parm;
}

// A record whose first word is its length.
std::string Sized(std::string b) {
  Put32(b, 0, uint32_t(b.size()));
  return b;
}

// Nested primitives of the records.
std::string Sign(int32_t size) {
  return Text(objtest::VectorSign({{0, 0}, {size, size / 2}, {0, size}}));
}
std::string Line(uint32_t colour) { return Words({colour, 400}); }
std::string Dash(uint32_t colour) { return Words({colour, 300, 1500, 800}); }
std::string Circle(uint32_t colour) { return Words({colour, 200, 700}); }

// The seven slots of a line with signs: base line, line start and end,
// segment start and end, signs A and B.
std::string LineSignSlots(int base) {
  return Element(base, base == PRIM_LINE ? Line(0x804020) : Dash(0x804020)) +
         Element(PRIM_VECTOR, Sign(2000)) + Element(PRIM_CIRCLE, Circle(0x0000C0)) +
         Element(PRIM_EMPTY, "") + Element(PRIM_CIRCLE, Circle(0x00C000)) +
         Element(PRIM_VECTOR, Sign(1500)) + Element(PRIM_CIRCLE, Circle(0xC00000));
}

std::string Record(int code) {
  switch (code) {
    case PRIM_DECORATED_SHORT:
      return Sized(Words({0, 3000}) + LineSignSlots(PRIM_LINE));
    case PRIM_DECORATED: {
      std::string head = Words({0, 1000, 0, 500, 500, 3000, 2000, 0});
      return Sized(head + LineSignSlots(PRIM_DOT));
    }
    case PRIM_AREA_SIGNS:
      // Staggered cells of 3 mm.
      return Sized(Words({0, 0x5A5A, 3000, 3000, 0}) + Sign(1200));
    case PRIM_PATTERN_LINE: {
      // A piece of line, a gap, a sign and a dashed piece; the sign ends
      // every part.
      std::string r = Words({0, 4, 2, 1000, 0});
      auto item = [&](int c, uint32_t extent, const std::string& parm) {
        r += Sized(Words({0, uint32_t(c), extent}) + parm);
      };
      item(PRIM_LINE, 2000, Line(0x2040A0));
      item(PRIM_EMPTY, 1000, "");
      item(PRIM_VECTOR, 1500, Sign(1000));
      item(PRIM_LINE, 1000, Line(0xA04020));
      return Sized(r);
    }
    case PRIM_OFFSET_LINE:
      return Sized(Words({0, 1500}) + Element(PRIM_DOT, Dash(0x008080)));
  }
  return {};
}

int CodeOf(const std::string& name) {
  const size_t at = name.rfind("rec");
  return at == std::string::npos ? 0 : std::atoi(name.c_str() + at + 3);
}

// The fields of a vector sign at `at`: its length, sizes, border, subject
// count and its first subject's parameter length and point count.
void SignLayout(Layout& l, const std::string& b, size_t at, const std::string& s) {
  l.Boundary(at);
  l.Add(at, 4, s + "sign length");
  l.Add(at + 12, 4, s + "sign base");
  l.Add(at + 24, 4, s + "sign drawn height");
  l.Add(at + 36, 4, s + "sign drawn width");
  l.Add(at + 48, 4, s + "sign border");
  l.Add(at + 52, 4, s + "sign subject count");
  l.Boundary(at + 56);
  l.Add(at + 58, 2, s + "subject parameter length");
  const size_t count = at + 60 + Read16(b, at + 58);
  l.Add(count, 4, s + "subject point count");
  l.Boundary(count + 4);
  l.Boundary(at + Read32(b, at));
}

// Nested elements from `at` to `end`: each head's length and code, and the
// sign or the first words of each.
void ElementsLayout(Layout& l, const std::string& b, size_t at, size_t end) {
  for (int n = 1; at + 4 <= end && n <= 16; ++n) {
    const std::string s = "element " + std::to_string(n) + " ";
    const uint16_t length = Read16(b, at), code = Read16(b, at + 2);
    l.Boundary(at);
    l.Add(at, 2, s + "length");
    l.Add(at + 2, 2, s + "code");
    if (code == PRIM_VECTOR) SignLayout(l, b, at + 4, s);
    else if (length >= 12) l.Add(at + 8, 4, s + "thickness");
    if (length == 0) break;
    at += length;
  }
  l.Boundary(at);
}

typedef std::vector<uint32_t> Picture;

// The memory image of the rectangle at visual types 1 to 4.
std::vector<Picture> MemoryPictures(TMapAccess* doc, const RECT& rect) {
  std::vector<Picture> pictures;
  for (int type = 1; type <= 4; ++type) {
    Picture p(size_t(kSide) * kSide);
    const int old = doc->SetVisualType(type);
    doc->PaintDibToDib32(reinterpret_cast<char*>(p.data()), kSide * 4, kSide, rect);
    doc->SetVisualType(old);
    pictures.push_back(std::move(p));
  }
  return pictures;
}

int Changed(const std::vector<Picture>& before, const std::vector<Picture>& after) {
  int changed = 0;
  for (size_t i = 0; i < before.size() && i < after.size(); ++i) changed += before[i] != after[i];
  return changed;
}

// The device roads: the rectangle at every device type, each object
// alone, the select and (for a record that holds what it states) the
// record over caller's points and as legend samples.
void PaintDevices(TMapAccess* doc, const RECT& rect, const std::vector<int>& numbers, int code,
                  const std::string& record) {
  devtest::Canvas device(kSide, kSide);
  for (int type : {3, 4, 5, 6, 9, 10, 11}) {
    const int old = doc->SetVisualType(type);
    doc->Paint(device.dc, 1, rect);
    doc->SetVisualType(old);
  }
  TObjectInfo info;
  for (int n : numbers) {
    if (doc->OpenList(1) != 1 || info.Object(doc, 1, n) == nullptr || info.Desc == nullptr)
      continue;
    for (int type : {1, 3}) {
      const int old = doc->SetVisualType(type);
      doc->PaintObject(device.dc, rect, &info, 1, 0);
      doc->SetVisualType(old);
    }
    doc->PaintMapObject95(device.dc, rect, &info, nullptr);
  }
  doc->PaintSelect(device.dc, rect, nullptr, 0x0000FF, -1);
  const char* parm = record.data();
  if (!PrimitiveFits(code, parm, int(record.size()))) return;
  // The record over the picture points of a zigzag and of a square.
  DOUBLEPOINT points[9] = {{10, 10},  {60, 140}, {110, 20}, {150, 150}, {20, 20},
                           {140, 20}, {140, 140}, {20, 140}, {20, 20}};
  LONG counts[2] = {4, 5};
  const PLACEDATA place{points, counts, 2, nullptr};
  const PAINTPARM paint{code, parm, 13};
  doc->PaintUserObject(device.dc, RECT{0, 0, kSide, kSide}, &paint, &place, 2);
  for (int type = 1; type <= 4; ++type)
    for (int local : {LOCAL_LINE, LOCAL_SQUARE})
      doc->PaintExampleObject(device.dc, RECT{0, 0, 48, 40}, code, parm, 0, nullptr, type,
                              nullptr, local);
  TMapPaint::ExampleZoom(48, 40, code, parm);
  SampleText(code, parm);
}

// What the library answers of the record's length and size.
int AskLengths(TMapAccess* doc, int code, const std::string& record) {
  const char* parm = record.data();
  const int size = int(record.size());
  // These read the length word without a size: only of a record that has
  // one.
  if (size >= 4) {
    TObjectDraw::ElementParmLength(code, parm);
    PrimitiveParmLength(code, parm);
  }
  IMAGESIZE image;
  doc->Rsc.GetImageSize(code, parm, size, &image, nullptr);
  EXAMPLESHAPE shape;
  ExampleShape(code, parm, size, LOCAL_LINE, 48, 40, &shape);
  return PrimitiveFits(code, parm, size);
}

// The line and the area appended to sheet 1 without graphics of their
// own: their numbers.
std::vector<int> AppendObjects(TMapAccess* doc) {
  std::vector<int> numbers;
  if (doc->OpenList(1) != 1) return numbers;
  const objtest::Points line = {
      {kX, kY}, {kX + 1500, kY + 1500}, {kX + 200, kY + 2500}, {kX + 1000, kY + 3500}};
  const objtest::Points box = {{kX - 500, kY + 500},
                               {kX + 2000, kY + 500},
                               {kX + 2000, kY + 3000},
                               {kX - 500, kY + 3000},
                               {kX - 500, kY + 500}};
  for (const auto& [local, points] :
       {std::pair{LOCAL_LINE, line}, std::pair{LOCAL_SQUARE, box}}) {
    // The metric in the sheet's own units, as an object of the map makes it.
    TObjectInfo info;
    if (!info.CreateObject(doc, 1, METRIC_F64, 0)) continue;
    for (const auto& [x, y] : points) info.AppendPointPlane(x, y);
    const LONGMETRIC* made = info.Metric.Record;
    if (made == nullptr) continue;
    const char* from = reinterpret_cast<const char*>(made);
    Bytes metric(from, from + made->Length);
    FVSPR desc = objtest::Desc(local, local == LOCAL_LINE ? kLineIndex : kAreaIndex);
    const int n = doc->AppendObject(&desc, objtest::As<LONGMETRIC>(metric), nullptr, nullptr);
    if (n > 0) numbers.push_back(n);
  }
  return numbers;
}

// The record made the one element of the objects' own graphics: the
// objects that took it.
int PutRecord(TMapAccess* doc, const std::vector<int>& numbers, int code,
              const std::string& record) {
  if (doc->OpenList(1) != 1 || record.size() > size_t(IMGELEMENT_MAXPARM)) return 0;
  Bytes draw = objtest::Draw({{code, Bytes(record.begin(), record.end())}});
  int put = 0;
  for (int n : numbers) {
    FVSPR desc;
    doc->List.ReadObjectDesc(n, &desc);
    put += doc->UpdateObject(n, &desc, nullptr, nullptr, objtest::As<IMGDRAW>(draw)) > 0;
  }
  return put;
}

// The picture rectangle around the objects.
RECT Around(TMapAccess* doc) {
  const DOUBLEPOINT middle{kX + 750, kY + 1750};
  POINT p{};
  doc->PlaneToPicture(&middle, &p);
  return RECT{p.x - kSide / 2, p.y - kSide / 2, p.x + kSide / 2, p.y + kSide / 2};
}

}  // namespace

bool BuildPrimitiveFixture(const std::string& folder) {
  Files files;
  for (const std::string& name : kPrimitiveFiles) files[name] = Record(CodeOf(name));
  return WriteFolder(folder, files);
}

Layout PrimitiveLayout(const Files& files, const std::string& name) {
  auto it = files.find(name);
  const std::string b = it == files.end() ? std::string() : it->second;
  Layout l;
  l.Head(0, 4, "record length");
  switch (CodeOf(name)) {
    case PRIM_DECORATED_SHORT:
      l.Head(4, 4, "spacing");
      ElementsLayout(l, b, 8, b.size());
      break;
    case PRIM_DECORATED: {
      static const char* const head[] = {"start offset", "reserve", "start gap",
                                         "end gap",      "spacing A", "spacing B"};
      for (size_t i = 0; i < 6; ++i) l.Head(4 + 4 * i, 4, head[i]);
      l.Add(28, 4, "mode");
      ElementsLayout(l, b, 32, b.size());
      break;
    }
    case PRIM_AREA_SIGNS:
      l.Head(4, 2, "stagger");
      l.Head(8, 4, "horizontal step");
      l.Head(12, 4, "vertical step");
      SignLayout(l, b, 20, "");
      break;
    case PRIM_PATTERN_LINE: {
      l.Head(4, 4, "item count");
      l.Head(8, 4, "end item");
      l.Head(12, 4, "margin");
      size_t at = 20;
      for (int n = 1; at + 12 <= b.size() && n <= 8; ++n) {
        const std::string s = "item " + std::to_string(n) + " ";
        l.Boundary(at);
        l.Add(at, 4, s + "length");
        l.Add(at + 4, 4, s + "code");
        l.Add(at + 8, 4, s + "extent");
        if (Read32(b, at + 4) == PRIM_VECTOR) SignLayout(l, b, at + 12, s);
        if (Read32(b, at) == 0) break;
        at += Read32(b, at);
      }
      break;
    }
    case PRIM_OFFSET_LINE:
      l.Head(4, 4, "offset");
      ElementsLayout(l, b, 8, b.size());
      break;
  }
  return Finish(l, b);
}

WalkReport WalkPrimitive(const std::string& path) {
  // A document kept for the process's life spares each walk making the
  // shared memory image (as the raster walk does).
  static TMapAccess* const keeper = NewDocument();
  (void)keeper;
  WalkReport r;
  const std::string record = ReadFile(path);
  const int code = CodeOf(path.substr(path.rfind('/') + 1));
  const std::string map = path.substr(0, path.rfind('/') + 1) + kMapFile;
  TMapAccess* doc = NewDocument();
  if (doc == nullptr) return r;
  // The pictures of the objects by their kinds' images alone.
  std::vector<Picture> plain;
  if (doc->OpenData(map.c_str(), 0) != 0) {
    r.opened = 1;
    const RECT rect = Around(doc);
    r.kinds = AskLengths(doc, code, record);
    const std::vector<int> numbers = AppendObjects(doc);
    plain = MemoryPictures(doc, rect);
    r.appended = PutRecord(doc, numbers, code, record);
    r.objects = Changed(plain, MemoryPictures(doc, rect));
    PaintDevices(doc, rect, numbers, code, record);
    r.saved = doc->Save(1) == 1;
  }
  FreeDocument(doc);
  if (!r.saved) return r;
  doc = NewDocument();
  if (doc == nullptr) return r;
  if (doc->OpenData(map.c_str(), 0) != 0) {
    r.reopened = doc->OpenList(1) == 1;
    const RECT rect = Around(doc);
    r.objectsAfter = Changed(plain, MemoryPictures(doc, rect));
    devtest::Canvas device(kSide, kSide);
    const int old = doc->SetVisualType(6);
    doc->Paint(device.dc, 1, rect);
    doc->SetVisualType(old);
  }
  FreeDocument(doc);
  return r;
}

}  // namespace fuzz
