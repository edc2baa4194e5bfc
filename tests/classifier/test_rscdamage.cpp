// Damaged classifiers are refused with their code and never read past the
// file: every lying count, length and offset, and random mutations.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>

#include "devices/fontreg.h"
#include "records/primitives.h"
#include "support/rscfixture.h"
#include "support/signrsc.h"

namespace {

using rsctest::Builder;
using rsctest::Bytes;
using rsctest::Put16;
using rsctest::Put32;

struct Damage {
  const char* name;
  int code;
  std::function<void(Builder&)> describe;         // before building
  std::function<void(const Builder&, Bytes&)> hurt;  // after building
};

void Nothing(Builder&) {}

// A classifier with one of everything, to be damaged.
Builder Full() {
  Builder b = Builder::Minimal();
  b.AddSemantic(4, 1, "HEIGHT", "H").values = {{1, "LOW"}, {2, "HIGH"}};
  b.semantics.back().defaults = {{0, 1, 1, 2}};
  b.AddObject(600, 0, "ROAD").series = 1;
  b.par.push_back(rsctest::DefaultImage(16, 0));
  b.pos.push_back({600, 0, {4}, {}});
  b.limits.push_back(rsctest::OneLimit(600, 0, 4, {1, 2}, {1, 1}));
  b.grs.push_back({1, 4, 1, {{128, Bytes(8, 0)}}});
  b.layers.push_back({"ROADS", "RD", 1, 3, {4}});
  return b;
}

std::vector<Damage> Damages() {
  std::vector<Damage> list;
  auto add = [&list](const char* name, int code, std::function<void(const Builder&, Bytes&)> hurt) {
    list.push_back({name, code, Nothing, std::move(hurt)});
  };
  auto head = [&list](const char* name, int code, std::function<void(Builder&)> describe) {
    list.push_back({name, code, std::move(describe), nullptr});
  };
  head("wrong mark", MAPERR_DATA, [](Builder& b) { b.head.mark = 0x1234; });
  head("old style, bad version", MAPERR_OLDVERSION, [](Builder& b) {
    b.head.style = 0x0405;
    b.head.version = 0x0500;
  });
  head("bad version", MAPERR_DATA, [](Builder& b) { b.head.version = 0x0500; });
  head("bad signature", MAPERR_DATA, [](Builder& b) { b.head.ident = 0x00435353; });
  head("font code out of range", MAPERR_DATA, [](Builder& b) { b.fonts[0].code = 300; });
  for (int delta : {16, 1, -1})
    add("length field", MAPERR_DATA, [delta](const Builder&, Bytes& f) { Put32(f, 4, uint32_t(f.size() + delta)); });
  add("header cut short", MAPERR_DATA, [](const Builder&, Bytes& f) { f.resize(200); });
  add("empty file", MAPERR_DATA, [](const Builder&, Bytes& f) { f.clear(); });
  add("file cut short", MAPERR_DATA, [](const Builder&, Bytes& f) {
    f.resize(f.size() - 100);
    Put32(f, 4, uint32_t(f.size()));
  });
  // A wrong tag before each table.
  const int tagged[] = {rsctest::OBJ, rsctest::SEM, rsctest::CLS, rsctest::DEF, rsctest::POS, rsctest::SEG,
                        rsctest::LIM, rsctest::PAR, rsctest::PAL, rsctest::TXT, rsctest::GRS};
  for (int t : tagged)
    add("missing tag", MAPERR_DATA, [t](const Builder& b, Bytes& f) { Put32(f, b.layout.offset[t] - 4, 0); });
  add("offset past the file", MAPERR_DATA, [](const Builder&, Bytes& f) {
    Put32(f, Builder::OffsetField(rsctest::POS), uint32_t(f.size() + 4));
  });
  add("optional offset past the file", MAPERR_DATA, [](const Builder&, Bytes& f) {
    Put32(f, Builder::OffsetField(rsctest::TAB), uint32_t(f.size() + 4));
  });
  add("required offset in the header", MAPERR_DATA,
      [](const Builder&, Bytes& f) { Put32(f, Builder::OffsetField(rsctest::SEM), 200); });
  add("table past the file", MAPERR_DATA,
      [](const Builder&, Bytes& f) { Put32(f, Builder::LengthField(rsctest::PAL), 0xFFFFFF00u); });
  add("SEM count", MAPERR_DATA, [](const Builder&, Bytes& f) { Put32(f, Builder::CountField(rsctest::SEM), 11); });
  add("PAL count", MAPERR_DATA, [](const Builder&, Bytes& f) { Put32(f, Builder::CountField(rsctest::PAL), 2); });
  add("TXT count", MAPERR_DATA, [](const Builder&, Bytes& f) { Put32(f, Builder::CountField(rsctest::TXT), 40); });
  add("CLS count", MAPERR_DATA, [](const Builder&, Bytes& f) { Put32(f, Builder::CountField(rsctest::CLS), 3); });
  add("DEF count", MAPERR_DATA, [](const Builder&, Bytes& f) { Put32(f, Builder::CountField(rsctest::DEF), 2); });
  add("IML count", MAPERR_DATA, [](const Builder& b, Bytes& f) {
    Put32(f, Builder::OffsetField(rsctest::IML), b.layout.offset[rsctest::IML]);
    Put32(f, Builder::CountField(rsctest::IML), 3);
  });
  // Image libraries are opened from the classifier's folder by the names
  // the file gives: a name that reaches elsewhere is damage.
  for (const char* file : {"../SIGNS.IML", "..\\SIGNS.IML", "LIB/SIGNS.IML", "C:SIGNS.IML", "..", ""})
    head("image library name", MAPERR_DATA,
         [file](Builder& b) { b.libraries.push_back({file, "SIGNS", 1}); });
  list.push_back({"image library name without its end", MAPERR_DATA,
                  [](Builder& b) { b.libraries.push_back({"SIGNS.IML", "SIGNS", 1}); },
                  [](const Builder& b, Bytes& f) {
                    std::memset(&f[b.layout.offset[rsctest::IML]], 'A', 80);
                  }});
  add("OBJ count", MAPERR_DATA,
      [](const Builder&, Bytes& f) { Put32(f, Builder::CountField(rsctest::OBJ), 0x7FFFFFFF); });
  add("value list past the file", MAPERR_DATA,
      [](const Builder& b, Bytes& f) { Put32(f, b.layout.sem.back() + 72, 0x10000000); });
  add("value list in the header", MAPERR_DATA, [](const Builder& b, Bytes& f) { Put32(f, b.layout.sem.back() + 68, 8); });
  add("defaults past the file", MAPERR_DATA,
      [](const Builder& b, Bytes& f) { Put32(f, b.layout.sem.back() + 80, 1000); });
  add("limit values past the record", MAPERR_DATA,
      [](const Builder& b, Bytes& f) { Put16(f, b.layout.lim[0] + 20, 40); });
  add("relations past the object record", MAPERR_DATA,
      [](const Builder& b, Bytes& f) { f[b.layout.obj[15] + 90] = 3; });
  add("POS codes past the record", MAPERR_DATA,
      [](const Builder& b, Bytes& f) { Put16(f, b.layout.pos[2] + 12, 9); });
  add("POS record shorter than its head", MAPERR_DATA, [](const Builder& b, Bytes& f) { Put32(f, b.layout.pos[0], 4); });
  add("PAR record shorter than its head", MAPERR_DATA, [](const Builder& b, Bytes& f) { Put32(f, b.layout.par[3], 4); });
  add("PAR record of length 0", MAPERR_DATA, [](const Builder& b, Bytes& f) { Put32(f, b.layout.par[0], 0); });
  add("layer record too short", MAPERR_DATA, [](const Builder& b, Bytes& f) { Put32(f, b.layout.seg[0], 40); });
  add("layer codes past the record", MAPERR_DATA, [](const Builder& b, Bytes& f) { Put16(f, b.layout.seg[1] + 54, 5); });
  add("layer count", MAPERR_DATA, [](const Builder&, Bytes& f) { Put32(f, Builder::CountField(rsctest::SEG), 5); });
  add("GRS item past the record", MAPERR_DATA, [](const Builder& b, Bytes& f) { Put32(f, b.layout.grs[0] + 20, 400); });
  add("GRS item count", MAPERR_DATA, [](const Builder& b, Bytes& f) { Put32(f, b.layout.grs[0] + 12, 7); });
  add("GRS record count", MAPERR_DATA, [](const Builder&, Bytes& f) { Put32(f, Builder::CountField(rsctest::GRS), 2); });
  return list;
}

class RscDamage : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    folder_ = rsctest::TestFolder();
    // Keeps the fixture's font measured between opens.
    font_ = RegisterMapFont("Arial", 204, '0');
  }
  void TearDown() override {
    if (font_) ReleaseMapFont(font_ - 1);
  }
  std::string folder_;
  int font_ = 0;
};

TEST_F(RscDamage, EveryDamageIsRefusedWithItsCode) {
  std::string path = folder_ + "damaged.rsc";
  {  // undamaged, it opens quietly
    ASSERT_TRUE(rsctest::WriteBytes(path, Full().Build()));
    TMapRsc rsc;
    ASSERT_EQ(1, rsc.OpenRsc(path.c_str(), 0)) << rsc.Error();
    EXPECT_EQ(16, rsc.GetObjCount());
    EXPECT_EQ(0, rsc.IsModify());
  }
  int i = 0;
  for (const Damage& d : Damages()) {
    SCOPED_TRACE(std::string(d.name) + " #" + std::to_string(i++));
    Builder b = Full();
    d.describe(b);
    Bytes bytes = b.Build();
    if (d.hurt) d.hurt(b, bytes);
    ASSERT_TRUE(rsctest::WriteBytes(path, bytes));
    TMapRsc rsc;
    EXPECT_EQ(0, rsc.OpenRsc(path.c_str(), 0));
    EXPECT_EQ(d.code, rsc.Error());
    rsc.CloseRsc();
    EXPECT_EQ(nullptr, rsc.File);
    EXPECT_EQ(nullptr, rsc.Image);
  }
}

// Random damage of every kind: bytes changed anywhere, mostly in the header
// descriptors and record heads, files cut short. Opening must fail cleanly
// or give a classifier whose every record lies in memory it owns.
TEST_F(RscDamage, RandomMutationsNeverCrash) {
  Builder b = Full();
  const Bytes original = b.Build();
  std::string path = folder_ + "fuzz.rsc";
  std::mt19937 rng(20240115);
  int opened = 0;
  for (int round = 0; round < 3000; round++) {
    Bytes bytes = original;
    const int edits = 1 + int(rng() % 6);
    for (int e = 0; e < edits; e++) {
      size_t at;
      switch (rng() % 4) {
        case 0: at = 120 + rng() % 168; break;        // descriptors
        case 1: at = rng() % 328; break;              // anywhere in the header
        default: at = 328 + rng() % (bytes.size() - 328); break;
      }
      switch (rng() % 4) {
        case 0: bytes[at] = uint8_t(rng()); break;
        case 1: bytes[at] ^= uint8_t(1u << (rng() % 8)); break;
        case 2: bytes[at] = 0xFF; break;
        default: bytes[at] = 0; break;
      }
    }
    if (rng() % 10 == 0) bytes.resize(328 + rng() % (bytes.size() - 328));
    if (rng() % 2) Put32(bytes, 4, uint32_t(bytes.size()));
    ASSERT_TRUE(rsctest::WriteBytes(path, bytes));
    TMapRsc rsc;
    if (rsc.OpenRsc(path.c_str(), 0)) {
      opened++;
      // Walk what the index hands out.
      for (int n = 1; n <= rsc.GetObjCount(); n++) {
        const RSCOBJINDEX& e = rsc.ObjIndex[n];
        if (e.Obj) {
          ASSERT_LT(strlen(e.Obj->Name), 32u);
        }
        if (e.Par) {
          ASSERT_GE(e.Par->Length, 8u);
        }
      }
      rsc.GetElementbyName("SYSTEM", 1);
      rsc.GetElementbyName("L1000000001", 5);
      rsc.CheckFrameCode();
      // The writer lays out whatever was accepted; what it writes opens.
      if (rsc.Save(1)) {
        TMapRsc again;
        ASSERT_EQ(1, again.OpenRsc(path.c_str(), 0)) << again.Error() << " round " << round;
        ASSERT_EQ(rsc.GetObjCount(), again.GetObjCount());
      }
    }
    rsc.CloseRsc();
  }
  EXPECT_GT(opened, 100);
}

// A sign whose own length and counts claim more than its record holds (two
// bytes changed in a classifier the library made): the classifier opens,
// the sign measures as empty, and nothing past its record is read.
TEST_F(RscDamage, SignsClaimingMoreThanTheirRecordMeasureAsEmpty) {
  rsctest::SignClassifier c;
  ASSERT_TRUE(rsctest::MakeSignClassifier(folder_ + "made.rsc", &c));
  struct Kind {
    int n, function;
  };
  const Kind kinds[] = {{c.bitmapKind, PRIM_BITMAP}, {c.vectorKind, PRIM_VECTOR}};
  auto empty = [](const IMAGEFRAME& f) {
    for (const DOUBLEPOINT& p : f.Point)
      if (p.X != 0 || p.Y != 0) return false;
    return true;
  };
  {  // intact, both signs have a frame and a size
    TMapRsc rsc;
    ASSERT_EQ(1, rsc.OpenRsc((folder_ + "made.rsc").c_str(), 0)) << rsc.Error();
    for (const Kind& k : kinds) {
      IMAGEFRAME f{};
      ASSERT_EQ(1, rsc.GetImageFrame(k.function, rsc.GetPar(k.n), 0.0, &f));
      EXPECT_FALSE(empty(f)) << k.function;
      IMAGESIZE s{};
      const char* params = rsc.GetPar(k.n);
      ASSERT_EQ(1, rsc.GetImageSize(k.function, params, PrimitiveParmLength(k.function, params),
                                    &s, nullptr));
      EXPECT_GT(s.Width, 0) << k.function;
    }
  }
  rsctest::DamageBitmapSign(&c);
  rsctest::DamageVectorSign(&c);
  const std::string path = folder_ + "damaged.rsc";
  ASSERT_TRUE(rsctest::WriteBytes(path, c.bytes));
  TMapRsc rsc;
  ASSERT_EQ(1, rsc.OpenRsc(path.c_str(), 0)) << rsc.Error();
  for (const Kind& k : kinds) {
    SCOPED_TRACE(k.function);
    const char* params = rsc.GetPar(k.n);
    ASSERT_NE(nullptr, params);
    // The frame a host asks for with the parameters the classifier gave it.
    IMAGEFRAME f;
    std::memset(&f, 0x55, sizeof f);
    EXPECT_EQ(1, rsc.GetImageFrame(k.function, params, 0.5, &f));
    EXPECT_TRUE(empty(f));
    // Measured by the length the parameters claim, and as the kind's sign.
    IMAGESIZE s;
    std::memset(&s, 0x55, sizeof s);
    EXPECT_EQ(1, rsc.GetImageSize(k.function, params, PrimitiveParmLength(k.function, params), &s,
                                  nullptr));
    EXPECT_EQ(0, s.Width);
    EXPECT_EQ(0, s.Height);
    std::memset(&s, 0x55, sizeof s);
    EXPECT_EQ(1, rsc.GetImageSize(k.n, &s, 0, nullptr));
    EXPECT_EQ(0, s.Width);
    EXPECT_EQ(0, s.Height);
  }
}

}  // namespace
