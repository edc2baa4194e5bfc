#include "support/layouts.h"

#include <algorithm>

namespace fuzz {

namespace {

const std::string& Bytes(const Files& files, const std::string& name) {
  static const std::string none;
  auto it = files.find(name);
  return it == files.end() ? none : it->second;
}

// The other files of the folder, as names a map could store.
void AddSiblings(Layout& layout, const Files& files, const std::string& name) {
  for (const auto& entry : files)
    if (entry.first != name) layout.siblings.push_back(entry.first);
}

// The base name of a sheet file ("S1" of "S1.DAT").
std::string SheetBase(const std::string& name) { return name.substr(0, name.rfind('.')); }

// The descriptors of a sheet's HDR file: {semantics, metric, graphics}
// offsets of each object.
struct RecordOffsets {
  uint32_t semn, data, draw;
};
std::vector<RecordOffsets> Descriptors(const Files& files, const std::string& sheetFile) {
  // A backup's records are pointed at by the copies of its ".^HD" file.
  const bool back = sheetFile.find(".^") != std::string::npos;
  const std::string& hdr = Bytes(files, SheetBase(sheetFile) + (back ? ".^HD" : ".HDR"));
  std::vector<RecordOffsets> out;
  const uint32_t count = Read32(hdr, 4);
  for (uint32_t n = 1; n <= count && 48 * (n + 1) <= hdr.size(); ++n) {
    const size_t d = 48 * n;
    out.push_back({Read32(hdr, d + 36), Read32(hdr, d + 40), Read32(hdr, d + 44)});
  }
  // The copies of a backup follow its header record to the end.
  for (size_t d = 48 * (count + 1); back && d + 48 <= hdr.size(); d += 48) {
    out.push_back({Read32(hdr, d + 36), Read32(hdr, d + 40), Read32(hdr, d + 44)});
  }
  return out;
}

}  // namespace

Layout Finish(Layout layout, const std::string& bytes) {
  auto& b = layout.boundaries;
  b.erase(std::remove_if(b.begin(), b.end(), [&](size_t at) { return at == 0 || at >= bytes.size(); }),
          b.end());
  std::sort(b.begin(), b.end());
  b.erase(std::unique(b.begin(), b.end()), b.end());
  auto& f = layout.fields;
  f.erase(std::remove_if(f.begin(), f.end(),
                         [&](const Field& x) { return x.offset + size_t(x.width) > bytes.size(); }),
          f.end());
  return layout;
}

Layout RscLayout(const Files& files, const std::string& name) {
  const std::string& b = Bytes(files, name);
  Layout l;
  l.Head(4, 4, "file length");
  l.Head(16, 4, "style");
  l.Head(28, 4, "highest key");
  l.Boundary(328);
  // Fourteen tables {offset, length, count} from 120; those whose records
  // start with their length are walked record by record.
  static const char* const tables[14] = {"OBJ", "SEM", "CLS", "DEF", "POS", "SEG", "LIM",
                                         "PAR", "PRN", "PAL", "TXT", "IML", "GRS", "TAB"};
  static const int fixed[14] = {0, 84, 36, 32, 0, 0, 0, 0, 0, 1056, 72, 120, 0, 0};
  for (int t = 0; t < 14; ++t) {
    const size_t at = 120 + 12 * size_t(t);
    const std::string table = tables[t];
    l.Head(at, 4, table + " offset");
    l.Head(at + 4, 4, table + " length");
    l.Head(at + 8, 4, table + " count");
    const uint32_t offset = Read32(b, at), length = Read32(b, at + 4), count = Read32(b, at + 8);
    if (offset == 0 || offset >= b.size()) continue;
    l.Boundary(offset);
    l.Boundary(offset + length);
    size_t r = offset;
    for (uint32_t i = 0; i < count && r < offset + length && r < b.size() && i < 64; ++i) {
      l.Boundary(r);
      const uint32_t size = fixed[t] ? uint32_t(fixed[t]) : Read32(b, r);
      if (size == 0) break;
      if (!fixed[t]) l.Add(r, 4, table + " record length");
      if (t == 0) l.Add(r + 8, 4, "object number");
      if (t == 4) l.Add(r + 12, 2, "must count"), l.Add(r + 14, 2, "possible count");
      if (t == 5) l.Add(r + 54, 2, "layer code count");
      if (t == 6) l.Add(r + 20, 2, "limit count 1"), l.Add(r + 28, 2, "limit count 2");
      if (t == 7 || t == 8) l.Add(r + 4, 2, "image object number");
      if (t == 12) l.Add(r + 12, 4, "image item count");
      r += size;
    }
  }
  return Finish(l, b);
}

Layout MapLayout(const Files& files, const std::string& name) {
  const std::string& b = Bytes(files, name);
  Layout l;
  l.Head(4, 4, "passport length");
  l.Head(16, 4, "sheet count");
  l.Head(20, 4, "change counter");
  l.Head(80, 4, "map register length");
  // Map register fields that choose how the sheets are read.
  l.Head(116, 4, "scale");
  l.Head(132, 4, "projection kind");
  l.Head(152, 4, "map type");
  l.Head(156, 4, "device capability");
  l.Head(168, 4, "user map flag");
  l.Head(812, 4, "group flag");
  l.Head(816, 4, "key table offset");
  l.Head(820, 4, "key table length");
  l.names.push_back({288, 260, "classifier name"});
  l.names.push_back({552, 260, "group file name"});
  l.Boundary(848);
  const uint32_t sheets = Read32(b, 16);
  for (uint32_t k = 0; k < sheets && k < 16; ++k) {
    const size_t r = 848 + 1728 * size_t(k);
    const std::string s = "sheet " + std::to_string(k + 1) + " ";
    l.Boundary(r + 1728);
    l.Add(r, 4, s + "marker");
    l.Add(r + 4, 4, s + "object count");
    l.Add(r + 8, 4, s + "number");
    l.Add(r + 12, 4, s + "frame object");
    l.Add(r + 96, 4, s + "register length");
    l.Add(r + 652, 4, s + "stage mask");
    l.names.push_back({r + 96 + 68, 260, s + "base name"});
    static const char* const ext[4] = {"HDR", "DAT", "SEM", "GRA"};
    for (int f = 0; f < 4; ++f) l.names.push_back({r + 656 + 264 * size_t(f), 264, s + ext[f] + " name"});
  }
  const uint32_t keys = Read32(b, 816);
  if (keys) {
    l.Boundary(keys);
    l.Boundary(keys + 48);
    l.Head(keys + 4, 4, "key table record length");
    l.Head(keys + 12, 4, "key table classifier ident");
    l.Head(keys + 16, 4, "key table classifier size");
    l.Head(keys + 44, 4, "key table count");
    // The codes of the kinds: a changed one relinks the objects.
    for (size_t at = keys + 48; at + 4 <= b.size() && at < keys + 48 + 4 * 24; at += 4)
      l.Add(at, 4, "key table code");
  }
  AddSiblings(l, files, name);
  return Finish(l, b);
}

Layout HdrLayout(const Files& files, const std::string& name) {
  const std::string& b = Bytes(files, name);
  Layout l;
  static const char* const head[10] = {"object count", "first object", "last object",
                                       "next key",     "last polygon", "last line",
                                       "last point",   "last title",   "last vector",
                                       "zero word"};
  for (int i = 0; i < 10; ++i) l.Head(4 + 4 * size_t(i), 4, head[i]);
  for (size_t d = 48; d + 48 <= b.size(); d += 48) {
    const std::string s = "object " + std::to_string(d / 48) + " ";
    l.Boundary(d);
    l.Add(d, 4, s + "next");
    l.Add(d + 4, 4, s + "back");
    l.Add(d + 6, 2, s + "kind");
    l.Add(d + 28, 4, s + "key");
    l.Add(d + 36, 4, s + "semantics offset");
    l.Add(d + 40, 4, s + "metric offset");
    l.Add(d + 44, 4, s + "graphics offset");
  }
  return Finish(l, b);
}

Layout DatLayout(const Files& files, const std::string& name) {
  const std::string& b = Bytes(files, name);
  Layout l;
  l.Boundary(8);
  for (const RecordOffsets& r : Descriptors(files, name)) {
    if (!r.data) continue;
    l.Boundary(r.data);
    l.Boundary(r.data + Read32(b, r.data + 4));
    l.Add(r.data + 4, 4, "metric length");
    l.Add(r.data + 8, 2, "subobject count");
    l.Add(r.data + 14, 2, "point count");
  }
  return Finish(l, b);
}

Layout SemLayout(const Files& files, const std::string& name) {
  const std::string& b = Bytes(files, name);
  Layout l;
  l.Boundary(4);
  for (const RecordOffsets& r : Descriptors(files, name)) {
    if (!r.semn) continue;
    l.Boundary(r.semn);
    l.Boundary(r.semn + Read16(b, r.semn + 2));
    l.Add(r.semn + 2, 2, "semantics length");
    l.Add(r.semn + 4, 2, "characteristic code");
    l.Add(r.semn + 6, 2, "value type and size");
  }
  return Finish(l, b);
}

Layout GraLayout(const Files& files, const std::string& name) {
  const std::string& b = Bytes(files, name);
  Layout l;
  l.Boundary(4);
  for (const RecordOffsets& r : Descriptors(files, name)) {
    if (!r.draw) continue;
    l.Boundary(r.draw);
    l.Boundary(r.draw + Read32(b, r.draw + 4));
    l.Add(r.draw + 4, 4, "graphics length");
    l.Add(r.draw + 8, 2, "element count");
    l.Add(r.draw + 12, 2, "element length");
    l.Add(r.draw + 14, 2, "element function");
  }
  return Finish(l, b);
}

Layout GdxLayout(const Files& files, const std::string& name) {
  const std::string& b = Bytes(files, name);
  Layout l;
  l.Head(4, 4, "file length");
  l.Head(20, 4, "group count");
  l.Head(24, 4, "index offset");
  l.Head(28, 4, "record area");
  l.Boundary(64);
  l.Boundary(Read32(b, 28));
  const uint32_t count = Read32(b, 20);
  for (uint32_t n = 1; n < count && n < 64; ++n) {
    const size_t e = 64 + 16 * size_t(n);
    const std::string s = "group " + std::to_string(n) + " ";
    l.Boundary(e);
    l.Add(e, 4, s + "index number");
    l.Add(e + 4, 4, s + "slot length");
    l.Add(e + 8, 4, s + "record offset");
    const uint32_t r = Read32(b, e + 8);
    if (r == 0 || r >= b.size()) continue;
    l.Boundary(r);
    l.Boundary(r + Read32(b, r + 4));
    l.Boundary(r + Read32(b, e + 4));
    l.Add(r + 4, 4, s + "record length");
    l.Add(r + 8, 4, s + "record number");
    l.Add(r + 16, 4, s + "sheet list count");
    l.Add(r + 20, 4, s + "first list sheet");
    l.Add(r + 24, 4, s + "first list object count");
  }
  return Finish(l, b);
}

Layout TacLayout(const Files& files, const std::string& name) {
  const std::string& b = Bytes(files, name);
  Layout l;
  l.Head(4, 4, "used length");
  l.Head(12, 4, "action count");
  l.Head(24, 4, "reserve");
  l.Head(28, 2, "use count");
  l.Head(30, 2, "process count");
  l.Boundary(32);
  const uint32_t used = Read32(b, 4);
  size_t a = 32;
  for (int n = 1; a + 16 <= used && a + 16 <= b.size() && n < 64; ++n) {
    const std::string s = "action " + std::to_string(n) + " ";
    l.Boundary(a);
    l.Boundary(a + 16);
    l.Add(a + 4, 2, s + "record count");
    l.Add(a + 6, 2, s + "type");
    a += 16 + 16 * size_t(Read16(b, a + 4));
  }
  l.Boundary(used);
  return Finish(l, b);
}

Layout BackLayout(const Files& files, const std::string& name) {
  const std::string ext = name.substr(name.rfind('.'));
  if (ext == ".^DA") return DatLayout(files, name);
  if (ext == ".^SE") return SemLayout(files, name);
  if (ext == ".^GR") return GraLayout(files, name);
  Layout l = HdrLayout(files, name);
  // A copy's first word carries the mark of a copy saved without records.
  for (size_t d = 48; d + 48 <= Bytes(files, name).size(); d += 48)
    l.Add(d, 4, "copy " + std::to_string(d / 48) + " next and records mark");
  return l;
}

Layout TextLayout(const Files& files, const std::string& name) {
  const std::string& b = Bytes(files, name);
  Layout l;
  for (size_t at = b.find('\n'); at != std::string::npos; at = b.find('\n', at + 1))
    l.Boundary(at + 1);
  return Finish(l, b);
}

namespace {

// The header of a blocked file (or of a reduced copy) at `at`: its fields
// (the doubles by their high words, where a bad value makes them huge,
// negative or not a number), its areas and block table.
void RmfHeader(Layout& l, const std::string& b, size_t at, const std::string& s, bool head) {
  struct Word {
    size_t offset;
    int width;
    const char* what;
  };
  static const Word words[] = {
      {4, 4, "version"},          {8, 4, "end position"},      {12, 4, "next copy"},
      {52, 4, "bits"},            {56, 4, "rows"},             {60, 4, "columns"},
      {64, 4, "block columns"},   {68, 4, "block rows"},       {72, 4, "block height"},
      {76, 4, "block width"},     {80, 4, "last height"},      {84, 4, "last width"},
      {88, 4, "border position"}, {92, 4, "border length"},    {96, 4, "palette position"},
      {100, 4, "palette length"}, {104, 4, "table position"},  {108, 4, "table length"},
      {128, 4, "projection code"}, {140, 4, "scale"},          {148, 4, "precision"},
      {156, 4, "element size"},   {208, 2, "compression"},     {212, 4, "flags position"},
      {216, 4, "flags length"},   {220, 4, "main length"},     {224, 4, "continuation length"},
      {228, 2, "unit shift"},     {236, 4, "layer position"},  {240, 4, "layer length"},
      {284, 4, "minimum"},        {292, 4, "maximum"},         {296, 4, "empty value low"},
      {300, 4, "empty value"},    {304, 4, "height unit"},     {312, 4, "addition position"},
      {316, 4, "addition length"},
  };
  for (const Word& w : words) {
    if (head)
      l.Head(at + w.offset, w.width, s + w.what);
    else
      l.Add(at + w.offset, w.width, s + w.what);
  }
  l.Boundary(at);
  l.Boundary(at + 320);
  // Areas: {position, length} pairs.
  for (size_t area : {88, 96, 104, 212, 236, 312}) {
    const uint32_t position = Read32(b, at + area), length = Read32(b, at + area + 4);
    if (position == 0 || position >= b.size()) continue;
    l.Boundary(position);
    l.Boundary(size_t(position) + length);
  }
  // The border: a metric record.
  if (const uint32_t border = Read32(b, at + 88); border != 0 && border < b.size()) {
    l.Add(border + 4, 4, s + "border record length");
    l.Add(border + 8, 2, s + "border subobject count");
    l.Add(border + 14, 2, s + "border point count");
  }
  const uint32_t table = Read32(b, at + 104), length = Read32(b, at + 108);
  for (uint32_t i = 0; i < length / 8 && i < 64 && table + 8 * size_t(i) + 8 <= b.size(); ++i) {
    const size_t e = table + 8 * size_t(i);
    const std::string block = s + "block " + std::to_string(i) + " ";
    l.Add(e, 4, block + "position");
    l.Add(e + 4, 4, block + "length");
    const uint32_t position = Read32(b, e);
    if (position == 0 || position >= b.size()) continue;
    l.Boundary(position);
    l.Boundary(size_t(position) + Read32(b, e + 4));
  }
}

}  // namespace

Layout RmfLayout(const Files& files, const std::string& name) {
  const std::string& b = Bytes(files, name);
  Layout l;
  RmfHeader(l, b, 0, "", true);
  // Reduced copies, chained from the header.
  size_t copy = Read32(b, 12);
  for (int k = 1; k <= 3 && copy != 0 && copy + 320 <= b.size(); ++k) {
    RmfHeader(l, b, copy, "copy " + std::to_string(k) + " ", false);
    copy = Read32(b, copy + 12);
  }
  // The layer block of a layer matrix: its head and the layers' words.
  const uint32_t layers = Read32(b, 236);
  if (layers != 0 && layers < b.size()) {
    static const char* const head[8] = {"marker",      "block length", "layer count",
                                        "second count", "height bytes", "thickness bytes",
                                        "no value",    "layer unit"};
    for (int i = 0; i < 8; ++i)
      l.Head(layers + 4 * size_t(i), 4, std::string("layer block ") + head[i]);
    for (uint32_t n = 0; n < Read32(b, layers + 8) && n < 8; ++n) {
      const size_t item = layers + 320 + 48 * size_t(n);
      l.Boundary(item);
      l.Add(item + 8, 4, "layer " + std::to_string(n + 1) + " largest thickness");
    }
  }
  return Finish(l, b);
}

}  // namespace fuzz
