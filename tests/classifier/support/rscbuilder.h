// A classifier file built byte by byte, independently of the library: the
// header, then each table at (end + 20) & ~15 with its tag in the four
// bytes before it, in the writer's order OBJ, CLS, DEF, SEM, POS, SEG, PAR,
// LIM, PRN, PAL, TXT, GRS, IML (and a TAB table last when one is given).
//
// Tests describe a classifier in plain fields, build its bytes, and then
// damage them at the offsets the builder reports. Header-only so that the
// benchmarks can build their synthetic classifiers with it too.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace rsctest {

using Bytes = std::vector<uint8_t>;

inline void Put8(Bytes& b, size_t at, uint32_t v) { b[at] = uint8_t(v); }
inline void Put16(Bytes& b, size_t at, uint32_t v) { b[at] = uint8_t(v), b[at + 1] = uint8_t(v >> 8); }
inline void Put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; i++) b[at + i] = uint8_t(v >> (8 * i));
}
inline void PutDouble(Bytes& b, size_t at, double v) { memcpy(b.data() + at, &v, 8); }
inline uint32_t Get32(const Bytes& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
inline uint16_t Get16(const Bytes& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }
// A text into a zero-padded field (cut to the field).
inline void PutText(Bytes& b, size_t at, const std::string& text, size_t field) {
  memcpy(b.data() + at, text.data(), text.size() < field ? text.size() : field);
}
// Appends `n` zero bytes and returns the offset of the first.
inline size_t Grow(Bytes& b, size_t n) {
  size_t at = b.size();
  b.resize(at + n, 0);
  return at;
}

// Table numbers in header order.
enum Table { OBJ, SEM, CLS, DEF, POS, SEG, LIM, PAR, PRN, PAL, TXT, IML, GRS, TAB, TABLES };
inline uint32_t Tag(int t) {
  static const char* const names[TABLES] = {"OBJ", "SEM", "CLS", "DEF", "POS", "SEG", "LIM",
                                            "PAR", "PRN", "PAL", "TXT", "IML", "GRS", "TAB"};
  const char* n = names[t];
  return uint32_t(uint8_t(n[0])) | uint32_t(uint8_t(n[1])) << 8 | uint32_t(uint8_t(n[2])) << 16;
}

struct Head {
  uint32_t ident = 0x00435352, version = 0x0702, mark = 0x414E;
  uint32_t style = 1, mode = 1, language = 1, maxKey = 0;
  std::string date = "20240115", type = "TEST", name = "MINIMAL", code = "MIN";
  uint32_t scale = 100000, scaleTable = 0;
  uint8_t objCodeType = 0, colorStyle = 0;
  uint32_t const126 = 126;
  uint16_t colorCount = 16;
};

struct Relation {
  uint32_t ident = 0, code = 0;
  std::string prefix;
  uint8_t flag = 0;
};

struct Object {
  uint32_t excode = 0, incode = 0, ident = 0;
  std::string key, name;
  uint8_t local = 0, segment = 0, scaleFlag = 0, bot = 0, top = 0, extloc = 0, direct = 0, extsem = 0;
  uint16_t series = 0;
  std::vector<Relation> relations;
};

struct Default {
  uint32_t object = 0;
  double min = 0, def = 0, max = 0;
};

struct Semantic {
  uint32_t code = 0;
  uint16_t type = 0;
  uint8_t reply = 0, common = 0;
  std::string name, shortName, unit;
  uint16_t size = 255;
  uint8_t decimal = 0;
  std::vector<std::pair<uint32_t, std::string>> values;
  std::vector<Default> defaults;
};

struct Pos {
  uint32_t excode = 0;
  uint8_t local = 0;
  std::vector<uint32_t> must, possible;
};

struct Layer {
  std::string name, shortName;
  uint8_t number = 0, order = 0;
  std::vector<uint32_t> codes;
};

struct Limit {
  uint32_t excode = 0;
  uint8_t local = 0;
  uint32_t code1 = 0;
  uint16_t def1 = 1;
  std::vector<double> values1;
  uint32_t code2 = 0;
  uint16_t def2 = 1;
  std::vector<double> values2;
  std::vector<uint8_t> variants;  // values1.size() x max(values2.size(), 1)
};

struct Image {
  uint16_t number = 0, function = 0;
  Bytes params;
};

struct Palette {
  std::vector<uint32_t> colors;
  std::string name;
};

struct Font {
  std::string face, name;
  uint32_t code = 1;
  uint8_t fixed = '0', charset = 204;
};

struct Library {
  std::string file, name;
  uint32_t code = 1;
};

struct GrsItem {
  uint32_t function = 0;
  Bytes params;
};

struct Grs {
  uint16_t number = 1;
  uint32_t code = 0, value = 0;
  std::vector<GrsItem> items;
};

// Where Build put each table: {offset, length, count}, and where each
// record of the variable tables begins.
struct Layout {
  uint32_t offset[TABLES] = {}, length[TABLES] = {}, count[TABLES] = {};
  std::vector<uint32_t> obj, sem, pos, seg, par, lim, prn, grs;
};

// The sixteen default colours.
inline const uint32_t* DefaultColors() {
  static const uint32_t colors[16] = {0x000000, 0xAA0000, 0x00AA00, 0x555500, 0x0000AA, 0x55AAFF,
                                      0x0055AA, 0xAAAAAA, 0x555555, 0xFFAA00, 0x55FF55, 0xFF5555,
                                      0x5500FF, 0xFF55FF, 0x55FFFF, 0xFFFFFF};
  return colors;
}

// The default screen image of a local type, as the classifier makes it.
inline Image DefaultImage(uint16_t number, int local) {
  Image im;
  im.number = number;
  Bytes& p = im.params;
  auto title = [](Bytes& q, size_t at) {
    const uint32_t words[5] = {0xF000000D, 0xFFFFFFFF, 0xFFFFFFFF, 2400, 400};
    for (int i = 0; i < 5; i++) Put32(q, at + 4 * i, words[i]);
    q[at + 25] = 1;
    q[at + 29] = 1;
    q[at + 30] = 255;
    q[at + 31] = 1;
  };
  switch (local) {
    case 0:
      im.function = 128;
      p.resize(8);
      Put32(p, 0, 0xF000000D);
      Put32(p, 4, 250);
      break;
    case 1:
      im.function = 135;
      p.resize(4);
      Put32(p, 0, 0xF000000D);
      break;
    case 2: {
      im.function = 143;
      p.resize(152);
      const uint32_t head[6] = {152, 1, 8000, 750, 750, 0xF000000D};
      for (int i = 0; i < 6; i++) Put32(p, i * 4, head[i]);
      const uint32_t rows[7] = {130, 68, 40, 16, 40, 68, 130};
      for (int i = 0; i < 7; i++) Put32(p, 24 + i * 4, rows[i]);
      break;
    }
    case 3:
      im.function = 142;
      p.resize(32);
      title(p, 0);
      break;
    case 4: {
      im.function = 149;
      p.resize(88);
      const uint32_t head[14] = {88, 500, 500, 4500, 0, 2500, 2500, 0, 2500, 2500, 0, 0, 0, 1};
      for (int i = 0; i < 14; i++) Put32(p, i * 4, head[i]);
      p[56] = 1;
      p[57] = 128;
      Put16(p, 58, 8);
      Put32(p, 60, 0xF000000D);
      Put32(p, 64, 500);
      Put32(p, 68, 2);
      Put32(p, 80, 4500);
      break;
    }
    default:
      im.function = 150;
      p.resize(104);
      Put32(p, 0, 104);
      Put32(p, 4, 60);
      Put32(p, 12, 4);
      Put32(p, 56, 1);
      Put32(p, 60, 1);
      Put32(p, 64, 1);
      p[68] = '$';
      p[70] = 142;
      title(p, 72);
      p[103] = 0;
      break;
  }
  return im;
}

inline std::string KeyOf(int local, uint32_t excode) {
  char key[32];
  snprintf(key, sizeof key, "%c%010u", "LSPTVC"[local], excode);
  return key;
}

class Builder {
 public:
  Head head;
  std::vector<Object> objects;
  std::vector<Semantic> semantics;
  std::vector<Pos> pos;
  std::vector<Layer> layers;
  std::vector<Limit> limits;
  std::vector<Image> par, prn;
  std::vector<Palette> palettes;
  std::vector<Font> fonts;
  std::vector<Library> libraries;
  std::vector<Grs> grs;
  Bytes tab;  // a TAB table of these bytes when not empty
  Layout layout;

  // Appends an object kind with the next number, its key made as the
  // classifier makes keys.
  Object& AddObject(uint32_t excode, uint8_t local, const std::string& name) {
    Object o;
    o.excode = excode;
    o.incode = uint32_t(objects.size() + 1);
    o.ident = o.incode;
    o.local = local;
    o.key = KeyOf(local, excode);
    o.name = name;
    static const uint8_t directs[6] = {0, 2, 0, 1, 0, 1};
    o.direct = directs[local % 6];
    objects.push_back(o);
    if (head.maxKey < o.ident) head.maxKey = o.ident;
    return objects.back();
  }

  Semantic& AddSemantic(uint32_t code, uint16_t type, const std::string& name, const std::string& shortName) {
    Semantic s;
    s.code = code;
    s.type = type;
    s.name = name;
    s.shortName = shortName;
    s.size = type == 1 ? 18 : 255;
    s.decimal = type == 1 ? 2 : 0;
    semantics.push_back(s);
    return semantics.back();
  }

  // The quiet classifier: the 15 service objects, the 9 system semantics,
  // the system layer, screen images for every kind, one palette and one
  // font; empty CLS, DEF, LIM and GRS tables. It opens without any repair.
  static Builder Minimal() {
    Builder b;
    static const char* const select[6] = {"SELECT LINE", "SELECT AREA", "SELECT POINT",
                                          "SELECT TITLE", "SELECT VECTOR", "SELECT TEMPLATE"};
    for (int n = 1; n <= 14; n++) {
      Object& o = n <= 6 ? b.AddObject(1000000000u + n, uint8_t(n - 1), select[n - 1])
                         : b.AddObject(1000000000u + n, 0, "SERVICE");
      if (n == 3 || n == 6) o.scaleFlag = 1;
    }
    b.AddObject(91000000u, 0, "SHEET FRAME");
    for (uint32_t n = 1; n <= 15; n++) {
      b.par.push_back(DefaultImage(uint16_t(n), b.objects[n - 1].local));
    }
    b.par[14].params.assign(8, 0);
    Put32(b.par[14].params, 0, 0xF0000000);
    Put32(b.par[14].params, 4, 250);
    struct Row {
      uint32_t code;
      uint16_t type;
      uint8_t reply;
      const char* name;
      const char* shortName;
    };
    static const Row rows[9] = {
        {0, 0, 0, "SYSTEM", "SYSTEM"},
        {32800, 1, 0, "CODE OF OBJECT", "OBJCODE"},
        {32801, 1, 0, "GROPE LEADER", "GROUPLEADER"},
        {32802, 1, 0, "GROPE SLAVE", "GROUPSLAVE"},
        {32803, 1, 0, "GROPE PARTNER", "GROUPPARTNER"},
        {32804, 12, 1, "REFER TO TEXT", "OBJECTTOTEXT"},
        {32805, 12, 0, "REFER TO OBJECT FROM TEXT", "TEXTTOOBJECT"},
        {32810, 0, 0, "SHORT NAME LAYER OF OBJECT", "LAYER's NAME"},
        {32811, 0, 0, "SHORT NAME OBJECT", "OBJECT's NAME"},
    };
    for (const Row& r : rows) {
      Semantic& s = b.AddSemantic(r.code, r.type, r.name, r.shortName);
      s.reply = r.reply;
      s.common = 1;
    }
    for (int n = 1; n <= 14; n++) b.pos.push_back({b.objects[n - 1].excode, b.objects[n - 1].local, {}, {32800}});
    b.layers.push_back({"SYSTEM", "SYSTEM", 0, 255, {}});
    b.palettes.push_back({std::vector<uint32_t>(DefaultColors(), DefaultColors() + 16), "Standard"});
    b.fonts.push_back({"Arial", "Arial", 1, '0', 204});
    return b;
  }

  Bytes Build() {
    layout = Layout{};
    Bytes b(328, 0);
    // Starts a table: the tag before (end + 20) & ~15.
    auto begin = [&b, this](int t) {
      size_t start = (b.size() + 20) & ~size_t(15);
      b.resize(start, 0);
      Put32(b, start - 4, Tag(t));
      layout.offset[t] = uint32_t(start);
      return start;
    };
    auto finish = [&b, this](int t, size_t start, uint32_t count) {
      layout.length[t] = uint32_t(b.size() - start);
      layout.count[t] = count;
    };

    // OBJ
    size_t s = begin(OBJ);
    for (const Object& o : objects) {
      uint32_t rel = uint32_t(o.relations.size());
      uint32_t len = rel <= 1 ? 112 : 96 + 16 * rel;
      size_t at = Grow(b, len);
      layout.obj.push_back(uint32_t(at));
      Put32(b, at, len);
      Put32(b, at + 4, o.excode);
      Put32(b, at + 8, o.incode);
      Put32(b, at + 12, o.ident);
      PutText(b, at + 16, o.key, 31);
      PutText(b, at + 48, o.name, 31);
      const uint8_t bytes[8] = {o.local, o.segment, o.scaleFlag, o.bot, o.top, o.extloc, o.direct, o.extsem};
      memcpy(b.data() + at + 80, bytes, 8);
      Put16(b, at + 88, o.series);
      Put8(b, at + 90, rel);
      for (uint32_t i = 0; i < rel; i++) {
        size_t r = at + 96 + 16 * i;
        Put32(b, r, o.relations[i].ident);
        Put32(b, r + 4, o.relations[i].code);
        PutText(b, r + 8, o.relations[i].prefix, 6);
        Put8(b, r + 15, o.relations[i].flag);
      }
    }
    finish(OBJ, s, uint32_t(objects.size()));

    // CLS and DEF, remembering where each semantic's lists went.
    std::vector<uint32_t> clsAt(semantics.size(), 0), defAt(semantics.size(), 0);
    uint32_t entries = 0;
    s = begin(CLS);
    for (size_t i = 0; i < semantics.size(); i++) {
      if (semantics[i].values.empty()) continue;
      clsAt[i] = uint32_t(b.size());
      for (const auto& v : semantics[i].values) {
        size_t at = Grow(b, 36);
        Put32(b, at, v.first);
        PutText(b, at + 4, v.second, 31);
        entries++;
      }
    }
    finish(CLS, s, entries);
    entries = 0;
    s = begin(DEF);
    for (size_t i = 0; i < semantics.size(); i++) {
      if (semantics[i].defaults.empty()) continue;
      defAt[i] = uint32_t(b.size());
      for (const Default& d : semantics[i].defaults) {
        size_t at = Grow(b, 32);
        Put32(b, at, d.object);
        Put32(b, at + 4, semantics[i].code);
        PutDouble(b, at + 8, d.min);
        PutDouble(b, at + 16, d.def);
        PutDouble(b, at + 24, d.max);
        entries++;
      }
    }
    finish(DEF, s, entries);

    // SEM
    s = begin(SEM);
    for (size_t i = 0; i < semantics.size(); i++) {
      const Semantic& m = semantics[i];
      size_t at = Grow(b, 84);
      layout.sem.push_back(uint32_t(at));
      Put32(b, at, m.code);
      Put16(b, at + 4, m.type);
      Put8(b, at + 6, m.reply);
      Put8(b, at + 7, m.common);
      PutText(b, at + 8, m.name, 31);
      PutText(b, at + 40, m.shortName, 15);
      PutText(b, at + 56, m.unit, 7);
      Put16(b, at + 64, m.size);
      Put8(b, at + 66, m.decimal);
      Put32(b, at + 68, clsAt[i]);
      Put32(b, at + 72, uint32_t(m.values.size()));
      Put32(b, at + 76, defAt[i]);
      Put32(b, at + 80, uint32_t(m.defaults.size()));
    }
    finish(SEM, s, uint32_t(semantics.size()));

    // POS
    s = begin(POS);
    for (const Pos& p : pos) {
      uint32_t n = uint32_t(p.must.size() + p.possible.size());
      uint32_t len = 16 + 4 * (n ? n : 1);
      size_t at = Grow(b, len);
      layout.pos.push_back(uint32_t(at));
      Put32(b, at, len);
      Put32(b, at + 4, p.excode);
      Put8(b, at + 8, p.local);
      Put16(b, at + 12, uint32_t(p.must.size()));
      Put16(b, at + 14, uint32_t(p.possible.size()));
      size_t c = at + 16;
      for (uint32_t code : p.must) Put32(b, c, code), c += 4;
      for (uint32_t code : p.possible) Put32(b, c, code), c += 4;
    }
    finish(POS, s, uint32_t(pos.size()));

    // SEG
    s = begin(SEG);
    for (const Layer& l : layers) {
      uint32_t len = l.codes.empty() ? 60 : 56 + 4 * uint32_t(l.codes.size());
      size_t at = Grow(b, len);
      layout.seg.push_back(uint32_t(at));
      Put32(b, at, len);
      PutText(b, at + 4, l.name, 31);
      PutText(b, at + 36, l.shortName, 15);
      Put8(b, at + 52, l.number);
      Put8(b, at + 53, l.order);
      Put16(b, at + 54, uint32_t(l.codes.size()));
      for (size_t i = 0; i < l.codes.size(); i++) Put32(b, at + 56 + 4 * i, l.codes[i]);
    }
    finish(SEG, s, uint32_t(layers.size()));

    auto images = [&b](const std::vector<Image>& list, std::vector<uint32_t>& at) {
      for (const Image& im : list) {
        uint32_t len = (8 + uint32_t(im.params.size()) + 3) & ~3u;
        size_t p = Grow(b, len);
        at.push_back(uint32_t(p));
        Put32(b, p, len);
        Put16(b, p + 4, im.number);
        Put16(b, p + 6, im.function);
        if (!im.params.empty()) memcpy(b.data() + p + 8, im.params.data(), im.params.size());
      }
    };
    s = begin(PAR);
    images(par, layout.par);
    finish(PAR, s, uint32_t(par.size()));

    // LIM
    s = begin(LIM);
    for (const Limit& l : limits) {
      uint32_t rows = l.values2.empty() ? 1 : uint32_t(l.values2.size());
      uint32_t need = 32 + 8 * uint32_t(l.values1.size() + l.values2.size()) + uint32_t(l.values1.size()) * rows;
      uint32_t len = (need + 7) & ~7u;
      size_t at = Grow(b, len);
      layout.lim.push_back(uint32_t(at));
      Put32(b, at, len);
      Put32(b, at + 4, l.excode);
      Put8(b, at + 8, l.local);
      Put32(b, at + 16, l.code1);
      Put16(b, at + 20, uint32_t(l.values1.size()));
      Put16(b, at + 22, l.def1);
      Put32(b, at + 24, l.code2);
      Put16(b, at + 28, uint32_t(l.values2.size()));
      Put16(b, at + 30, l.def2);
      size_t v = at + 32;
      for (double x : l.values1) PutDouble(b, v, x), v += 8;
      for (double x : l.values2) PutDouble(b, v, x), v += 8;
      for (size_t i = 0; i < l.variants.size() && v + i < at + len; i++) b[v + i] = l.variants[i];
    }
    finish(LIM, s, uint32_t(limits.size()));

    s = begin(PRN);
    images(prn, layout.prn);
    finish(PRN, s, uint32_t(prn.size()));

    s = begin(PAL);
    for (const Palette& p : palettes) {
      size_t at = Grow(b, 1056);
      for (size_t i = 0; i < p.colors.size() && i < 256; i++) Put32(b, at + 4 * i, p.colors[i]);
      PutText(b, at + 1024, p.name, 31);
    }
    finish(PAL, s, uint32_t(palettes.size()));

    s = begin(TXT);
    for (const Font& f : fonts) {
      size_t at = Grow(b, 72);
      PutText(b, at, f.face, 31);
      PutText(b, at + 32, f.name, 31);
      Put32(b, at + 64, f.code);
      Put8(b, at + 68, f.fixed);
      Put8(b, at + 69, f.charset);
    }
    finish(TXT, s, uint32_t(fonts.size()));

    s = begin(GRS);
    for (const Grs& g : grs) {
      uint32_t len = 20;
      for (const GrsItem& it : g.items) len += 12 + uint32_t(it.params.size());
      size_t at = Grow(b, len);
      layout.grs.push_back(uint32_t(at));
      Put32(b, at, len);
      Put16(b, at + 4, g.number);
      Put32(b, at + 8, g.code);
      Put32(b, at + 12, uint32_t(g.items.size()));
      Put32(b, at + 16, g.value);
      size_t i = at + 20;
      for (const GrsItem& it : g.items) {
        Put32(b, i, 12 + uint32_t(it.params.size()));
        Put32(b, i + 8, it.function);
        if (!it.params.empty()) memcpy(b.data() + i + 12, it.params.data(), it.params.size());
        i += 12 + it.params.size();
      }
    }
    finish(GRS, s, uint32_t(grs.size()));

    s = begin(IML);
    for (const Library& l : libraries) {
      size_t at = Grow(b, 120);
      PutText(b, at, l.file, 79);
      PutText(b, at + 80, l.name, 31);
      Put32(b, at + 112, l.code);
    }
    finish(IML, s, uint32_t(libraries.size()));

    if (!tab.empty()) {
      s = begin(TAB);
      size_t at = Grow(b, tab.size());
      memcpy(b.data() + at, tab.data(), tab.size());
      finish(TAB, s, 1);
    }

    // The header, with the descriptors; empty optional tables count as
    // absent (offset 0), as the writer leaves them.
    Put32(b, 0, head.ident);
    Put32(b, 4, uint32_t(b.size()));
    Put32(b, 8, head.version);
    Put32(b, 12, head.mark);
    Put32(b, 16, head.style);
    Put32(b, 20, head.mode);
    Put32(b, 24, head.language);
    Put32(b, 28, head.maxKey);
    memcpy(b.data() + 32, head.date.data(), head.date.size() < 8 ? head.date.size() : 8);
    PutText(b, 40, head.type, 31);
    PutText(b, 72, head.name, 31);
    PutText(b, 104, head.code, 7);
    Put32(b, 112, head.scale);
    Put32(b, 116, head.scaleTable);
    for (int t = 0; t < TABLES; t++) {
      Put32(b, 120 + 12 * t, layout.offset[t]);
      Put32(b, 124 + 12 * t, layout.length[t]);
      Put32(b, 128 + 12 * t, layout.count[t]);
    }
    Put8(b, 288, head.objCodeType);
    Put8(b, 289, head.colorStyle);
    Put32(b, 320, head.const126);
    Put16(b, 324, head.colorCount);
    return b;
  }

  // Descriptor fields of table t in the header of built bytes.
  static size_t OffsetField(int t) { return 120 + 12 * size_t(t); }
  static size_t LengthField(int t) { return 124 + 12 * size_t(t); }
  static size_t CountField(int t) { return 128 + 12 * size_t(t); }
};

// Writes bytes to a file (replacing it); false on failure.
inline bool WriteBytes(const std::string& path, const Bytes& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return fclose(f) == 0 && ok;
}

inline Bytes ReadBytes(const std::string& path) {
  Bytes bytes;
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return bytes;
  uint8_t buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  fclose(f);
  return bytes;
}

// A folder of its own for one test under `base` (created when missing),
// with a trailing '/'.
std::string MakeFolder(const std::string& base, const std::string& name);
}  // namespace rsctest
