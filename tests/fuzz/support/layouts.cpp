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

// Keeps only boundaries inside the file, once each, in order.
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

// The base name of a sheet file ("S1" of "S1.DAT").
std::string SheetBase(const std::string& name) { return name.substr(0, name.rfind('.')); }

// The descriptors of a sheet's HDR file: {semantics, metric, graphics}
// offsets of each object.
struct RecordOffsets {
  uint32_t semn, data, draw;
};
std::vector<RecordOffsets> Descriptors(const Files& files, const std::string& sheetFile) {
  const std::string& hdr = Bytes(files, SheetBase(sheetFile) + ".HDR");
  std::vector<RecordOffsets> out;
  const uint32_t count = Read32(hdr, 4);
  for (uint32_t n = 1; n <= count && 48 * (n + 1) <= hdr.size(); ++n) {
    const size_t d = 48 * n;
    out.push_back({Read32(hdr, d + 36), Read32(hdr, d + 40), Read32(hdr, d + 44)});
  }
  return out;
}

}  // namespace

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

Layout TextLayout(const Files& files, const std::string& name) {
  const std::string& b = Bytes(files, name);
  Layout l;
  for (size_t at = b.find('\n'); at != std::string::npos; at = b.find('\n', at + 1))
    l.Boundary(at + 1);
  return Finish(l, b);
}

}  // namespace fuzz
