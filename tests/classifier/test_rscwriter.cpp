// Saving a classifier: the layout of the written file against the byte
// builder, round trips (of edited classifiers too), the save stamp, deleted
// objects, series sharing, and failures that must leave the previous classifier in place.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <random>

#include "classifier/rscwrite.h"
#include "common/messages.h"
#include "platform/fault.h"
#include "support/host_recorder.h"
#include "support/rscfixture.h"
#include "support/rscsnapshot.h"

namespace {

using rsctest::Builder;
using rsctest::Bytes;
using rsctest::Get32;
using rsctest::Rich;

// The bytes with the save stamp (offset 20) cleared.
Bytes Unstamped(Bytes bytes) {
  if (bytes.size() >= 24) rsctest::Put32(bytes, 20, 0);
  return bytes;
}

class RscWriter : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    plat::fault::Reset();
    oldMessages_ = MessageEnableSet(1);
    folder_ = rsctest::TestFolder("writer_");
    path_ = folder_ + "test.rsc";
    backup_ = folder_ + "test.~RS";
    std::remove(backup_.c_str());
  }
  void TearDown() override {
    plat::fault::Reset();
    MessageEnableSet(oldMessages_);
  }
  Bytes Put(const Bytes& bytes) {
    EXPECT_TRUE(rsctest::WriteBytes(path_, bytes));
    return bytes;
  }
  Bytes File() const { return rsctest::ReadBytes(path_); }

  std::string folder_, path_, backup_;
  int oldMessages_ = 1;
  mctest::RecordingMessageBox boxes_;
};

TEST_F(RscWriter, FixtureRoundTripsByteForByte) {
  Builder b = Rich();
  b.head.mode = 41;
  const Bytes fixture = Put(b.Build());
  {
    TMapRsc rsc;
    ASSERT_EQ(1, rsc.OpenRsc(path_.c_str(), 0)) << rsc.Error();
    ASSERT_EQ(0, rsc.IsModify());
    ASSERT_EQ(1, rsc.Save(1));
    EXPECT_EQ(0, rsc.IsModify());
    EXPECT_EQ(42u, rsc.Head.Mode);
  }
  const Bytes saved = File();
  EXPECT_EQ(42u, Get32(saved, 20));
  EXPECT_TRUE(Unstamped(fixture) == Unstamped(saved));
  // The backup holds the file as it was before the save.
  EXPECT_TRUE(rsctest::ReadBytes(backup_) == fixture);

  // Reopened, the classifier has the same tables; saved again, the same bytes.
  {
    TMapRsc rsc;
    ASSERT_EQ(1, rsc.OpenRsc(path_.c_str(), 0)) << rsc.Error();
    EXPECT_EQ(int(b.objects.size()), rsc.GetObjCount());
    const int n = rsc.GetObjCount();
    EXPECT_EQ(rsc.ObjIndex[n].Pos, rsc.ObjIndex[n - 1].Pos);
    EXPECT_EQ(rsc.ObjIndex[n].Lim, rsc.ObjIndex[n - 1].Lim);
    EXPECT_NE(nullptr, rsc.ObjIndex[n].Lim);
    ASSERT_EQ(1, rsc.Save(1));
    // A series member keeps its flags after a save, so a second save in the
    // same session writes the same tables again.
    EXPECT_NE(0, rsc.ObjIndex[n].Flags & RSCINDEX_SERIES);
    const Bytes first = File();
    ASSERT_EQ(1, rsc.Save(1));
    EXPECT_TRUE(Unstamped(first) == Unstamped(File()));
    EXPECT_EQ(Get32(first, 20) + 1, Get32(File(), 20));
  }
  EXPECT_TRUE(Unstamped(fixture) == Unstamped(File()));
}

TEST_F(RscWriter, EditedTablesInThePoolAreSaved) {
  Put(Rich().Build());
  int n = 0;
  {
    TMapRsc rsc;
    ASSERT_EQ(1, rsc.OpenRsc(path_.c_str(), 0)) << rsc.Error();
    RSCOBJ obj{};
    obj.Excode = 777;
    obj.Local = LOCAL_POINT;
    std::strcpy(obj.Name, "WELL");
    n = rsc.AppendObject(&obj, 1);
    ASSERT_GT(n, 0);
    ASSERT_EQ(1, rsc.CreateDefaultView(n));
    RSCSEM sem{};
    sem.Code = 55;
    sem.Type = 1;
    std::strcpy(sem.Name, "DEPTH");
    ASSERT_NE(nullptr, rsc.AppendSemantic(&sem));
    ASSERT_EQ(1, rsc.AppendPosSemantic(n, 55, 0));
    ASSERT_NE(0, rsc.IsModify());
    // Closing a modified classifier saves it.
  }
  TMapRsc rsc;
  ASSERT_EQ(1, rsc.OpenRsc(path_.c_str(), 0)) << rsc.Error();
  ASSERT_EQ(n, rsc.GetObjCount());
  EXPECT_EQ(777u, rsc.ObjIndex[n].Excode);
  EXPECT_EQ(143, rsc.ObjIndex[n].Function);
  ASSERT_NE(nullptr, rsc.ObjIndex[n].Pos);
  EXPECT_NE(nullptr, rsc.GetTabSem(55));
  EXPECT_EQ(0, rsc.IsModify());
}

// Random edits of a classifier, as a host makes them: kinds appended,
// changed, copied (and given codes of their own), deleted and pressed out;
// series made, their limits changed or cut and their members relinked,
// members and whole series deleted.
class TRandomEditor {
 public:
  TRandomEditor(TMapRsc& rsc, unsigned seed) : rsc_(rsc), random_(seed), next_(5000 + 1000 * seed) {}

  // One edit; what it was.
  std::string Edit() { return Pick(2) ? EditKinds() : EditTables(); }

 private:
  std::string EditKinds() {
    switch (Pick(14)) {
      case 0: {
        RSCOBJECT d = Describe(Pick(6), "NEW");
        return Did("append", rsc_.AppendObjectDefaultView(&d));
      }
      case 1: {
        const int n = Kind(false);
        RSCOBJECT d{};
        if (!n || !rsc_.GetDescribeObj(n, &d)) return "none";
        d.Excode = next_++;
        d.Local = DWORD(Pick(6));
        d.Top = Scale();
        std::snprintf(d.Name, sizeof d.Name, "CHANGED %d", Pick(100));
        return Did("update", rsc_.UpdateObject(n, &d));
      }
      case 2: {
        const int n = Kind(true);
        if (!n) return "none";
        char text[32];
        std::snprintf(text, sizeof text, "K%u", next_++);
        switch (Pick(6)) {
          case 0: rsc_.SetObjName(n, text); break;
          case 1: rsc_.SetObjKey(n, text); break;
          case 2: rsc_.SetObjDirect(n, Pick(6)); break;
          case 3: rsc_.SetObjTop(n, Pick(18) - 1); break;
          case 4: rsc_.SetObjBot(n, Pick(18) - 1); break;
          default: rsc_.SetObjScale(n, Pick(2)); break;
        }
        return Did("field", n);
      }
      case 3: {
        const int n = Kind(true);
        const int m = n ? rsc_.CopyObject(n) : 0;
        if (m) rsc_.UpdateObjExcode(m, LONG(next_++));
        return Did("copy", m);
      }
      case 4: {
        const int to = Kind(false), from = Kind(true);
        const int done = to && from ? rsc_.CopyObject(to, from) : 0;
        if (done) rsc_.UpdateObjExcode(to, LONG(next_++));
        return Did("copy over", done);
      }
      case 5: return Did("delete", rsc_.DeleteObject(Kind(false)));
      case 6: return Did("press", rsc_.Press());
      case 7: return NewSeries();
      case 8:
      case 9: {
        const int n = Member();
        if (!n) return "none";
        TABLIM* lim = rsc_.ObjIndex[n].Lim;
        const int which = 1 + Pick(2);
        if (Pick(4) == 0) {
          lim = rsc_.DeleteLimit(lim, which);
        } else {
          const double values[4] = {0, 5, 50, 500};
          lim = rsc_.UpdateGateSeria(lim, which, which == 1 ? 4 : 5, 1 + Pick(4), Pick(5), values);
        }
        return Did("limits", Relink(n, lim));
      }
      case 10: return Did("delete member", rsc_.DeleteSeriaObject(Member()));
      case 11: {
        const int n = Member();
        return Did("delete series", n && rsc_.DeleteSeria(DWORD(rsc_.GetObjExcode(n)), rsc_.GetObjLocal(n)));
      }
      case 12: {
        const int n = Member();
        if (!n || !rsc_.UpdateCodeSeria(rsc_.ObjIndex[n].Lim, next_++)) return "none";
        return Did("series code", Relink(n, rsc_.ObjIndex[n].Lim));
      }
      default: return Did("view", rsc_.SetObjectView(Scale()) + 1);
    }
  }

  // Semantics, their values and defaults, kinds' and layers' semantics,
  // palettes, fonts, libraries, relations and images of values.
  std::string EditTables() {
    char text[32];
    std::snprintf(text, sizeof text, "T%u", next_++);
    const DWORD code = Semantic();
    switch (Pick(16)) {
      case 0: {
        RSCSEMANTICEX d{};
        d.Code = 100 + next_++ % 1000;
        d.Type = DWORD(Pick(3) == 0 ? 0 : Pick(2) ? 1 : 16);
        d.Minimum = Pick(3);
        d.Default = d.Minimum + Pick(3);
        d.Maximum = d.Default + Pick(3);
        d.Service = DWORD(Pick(4) == 0);
        std::strcpy(d.Name, text);
        std::strcpy(d.ShortName, text);
        return Did("semantic", int(rsc_.AppendSemantic(&d)));
      }
      case 1: {
        RSCSEMANTICEX d{};
        if (!code || !rsc_.SemanticDescribeEx(&d, code, 0)) return "none";
        if (Pick(2)) d.Code = 100 + next_++ % 1000;
        d.Type = DWORD(Pick(3) ? rsc_.GetSemType(code) : Pick(2));
        d.Reply = DWORD(Pick(2));
        std::strcpy(d.Name, text);
        return Did("change semantic", int(rsc_.UpdateSemantic(code, &d, Pick(4) == 0)));
      }
      case 2: return Did("delete semantic", rsc_.DeleteSemantic(code));
      case 3: return Did("value", rsc_.AppendCls(code, LONG(Pick(20)), text) != nullptr);
      case 4: {
        const int n = Pick(3) ? Kind(true) : 0;
        return Did("default", rsc_.AppendDef(n, code, Pick(5), Pick(5), Pick(5)) != nullptr);
      }
      case 5: {
        const int n = Kind(false);
        switch (Pick(5)) {
          case 0: return Did("kind semantic", rsc_.AppendObjectSemantic(n, code, 1 + Pick(2), 0));
          case 1: return Did("possible", rsc_.SetTypePosSemantic(n, code, 0));
          case 2: return Did("obligatory", rsc_.SetTypeMustSemantic(n, code, 0));
          case 3: return Did("drop semantic", rsc_.DeletePosSemantic(n, code, 0));
          default: return Did("drop semantics", n >= 16 && rsc_.DeletePos(n, 0));
        }
      }
      case 6: {
        const int layer = Pick(rsc_.GetSegCount());
        switch (Pick(4)) {
          case 0: return Did("layer code", rsc_.AppendSegSemCode(layer, code));
          case 1: return Did("layer drop", rsc_.DeleteSegSemCode(layer, rsc_.GetSegSemCode(layer, 1)));
          case 2: return Did("layer build", rsc_.BuildSegmentSemantic(layer, Pick(2)) != nullptr);
          default: return Did("layer short", rsc_.SetSegShortName(layer, text));
        }
      }
      case 7: {
        DWORD colors[256];
        for (DWORD& c : colors) c = random_() & 0xFFFFFF;
        const int p = 1 + Pick(rsc_.GetPaletteCount() + 1);
        switch (Pick(5)) {
          case 0: return Did("palette", rsc_.AppendPalette(colors, 1 + Pick(256), Pick(2) ? text : nullptr) != nullptr);
          case 1: return Did("replace palette", rsc_.ReplacePalette(p, colors, 1 + Pick(200), Pick(2) ? text : nullptr) != nullptr);
          case 2: return Did("palette name", rsc_.SetPaletteName(p, text));
          case 3: return Did("delete palette", rsc_.DeletePalette(p));
          default: return Did("colour", rsc_.SetPaletteColor(p, 1 + Pick(16), colors[0]));
        }
      }
      case 8: {
        RSCFONT font{};
        std::snprintf(font.Face, sizeof font.Face, "%s", Pick(2) ? "DejaVu Sans" : "Liberation Serif");
        std::strcpy(font.Name, text);
        font.Charset = Pick(2) ? 204 : 0;
        const int f = 1 + Pick(rsc_.GetFontCount());
        switch (Pick(4)) {
          case 0: return Did("font", rsc_.AppendFont(&font));
          case 1: return Did("replace font", rsc_.ReplaceFont(f, &font));
          case 2: return Did("delete font", rsc_.DeleteFont(rsc_.GetFontcode(f), rsc_.GetFontcode(1 + Pick(rsc_.GetFontCount()))));
          default: return Did("fixed", rsc_.SetFontFixedChar(f, Pick(2) ? '0' : '1'));
        }
      }
      case 9: {
        const int l = 1 + Pick(rsc_.GetImlCount() + 1);
        switch (Pick(3)) {
          case 0: return Did("library", rsc_.CodeAppendLibrary(Pick(2) ? "signs.iml" : text, text));
          case 1: return Did("library name", *rsc_.SetImlName(l, text));
          default: return Did("delete library", rsc_.DeleteLibrary(rsc_.GetImlCode(l)));
        }
      }
      case 10: {
        int title = 0;
        for (int n = Pick(2) ? 1 : 16; n <= rsc_.GetObjCount() && !title; n++)
          if (Live(n) && rsc_.GetObjLocal(n) == LOCAL_TITLE) title = n;
        const int n = Kind(true);
        if (Pick(3) == 0) return Did("drop relation", int(rsc_.DeleteObjectRelate(n, code)));
        return Did("relation", int(rsc_.UpdateObjectRelate(n, code, DWORD(rsc_.GetObjIdent(title)), text, Pick(12))));
      }
      case 11: {
        const int item = rsc_.AppendGrs(4, 128 + Pick(3));
        BYTE image[20] = {};
        const DWORD head[3] = {sizeof image, 0, DWORD(128 + Pick(3))};
        std::memcpy(image, head, sizeof head);
        image[12 + Pick(8)] = BYTE(random_());
        return Did("value image", rsc_.AppendGrsItem(item, DWORD(1 + Pick(3)), (const IMAGEVALUE*)image));
      }
      case 12: return Did("decimals", rsc_.SetSemDecimal(code, Pick(20), Pick(5)));
      case 13: return Did("short name", rsc_.SetSemShortName(code, text));
      case 14: return Did("value name", rsc_.UpdateClassificatorName(code, 1 + Pick(3), text));
      default: return Did("drop printer image", rsc_.DeleteTabPrn(Kind(true)));
    }
  }

  // A semantic of the classifier other than the system ones (which opening
  // puts back), or 0.
  DWORD Semantic() {
    std::vector<DWORD> codes;
    for (int i = 1; i <= rsc_.GetSemCount(); i++) {
      const DWORD code = rsc_.GetSemOrderExcode(i);
      if (code && code < 32800) codes.push_back(code);
    }
    return codes.empty() ? 0 : codes[size_t(Pick(int(codes.size())))];
  }

  int Pick(int n) { return int(random_() % unsigned(n)); }
  DWORD Scale() {
    static const DWORD scales[] = {0, 1000, 25000, 30000, 200000, 40000000, 50000000};
    return scales[Pick(7)];
  }
  std::string Did(const char* what, int result) { return std::string(what) + " " + std::to_string(result); }
  RSCOBJECT Describe(int local, const char* name) {
    RSCOBJECT d{};
    d.Length = sizeof d;
    d.Excode = next_++;
    d.Local = DWORD(local);
    d.Segment = DWORD(Pick(3));
    d.Scale = DWORD(Pick(2));
    d.Bot = Scale();
    d.Top = Scale();
    std::snprintf(d.Name, sizeof d.Name, "%s %u", name, unsigned(d.Excode));
    return d;
  }
  bool Live(int n) { return rsc_.GetTabObj(n) && rsc_.GetObjExcode(n) != 0; }
  bool InSeries(int n) { return rsc_.ObjIndex[n].Series != 0; }
  // A random live kind of 16 and up (any, or in no series); 0 when none.
  int Kind(bool members) {
    std::vector<int> kinds;
    for (int n = 16; n <= rsc_.GetObjCount(); n++)
      if (Live(n) && (members || !InSeries(n))) kinds.push_back(n);
    return kinds.empty() ? 0 : kinds[size_t(Pick(int(kinds.size())))];
  }
  int Member() {
    std::vector<int> kinds;
    for (int n = 16; n <= rsc_.GetObjCount(); n++)
      if (Live(n) && InSeries(n) && rsc_.ObjIndex[n].Lim) kinds.push_back(n);
    return kinds.empty() ? 0 : kinds[size_t(Pick(int(kinds.size())))];
  }
  // Links every live member of n's series to `lim` and gives it a variant
  // table of the right size.
  int Relink(int n, TABLIM* lim) {
    if (!lim) return 0;
    const TABLIM* old = rsc_.ObjIndex[n].Lim;
    TABPOS* pos = rsc_.ObjIndex[n].Pos ? rsc_.ObjIndex[n].Pos : rsc_.AppendPos(n, 1);
    for (int m = 16; m <= rsc_.GetObjCount(); m++)
      if (Live(m) && rsc_.ObjIndex[m].Lim == old && !rsc_.UpdateSeriaObject(m, rsc_.ObjIndex[m].Series, lim, pos))
        return 0;
    char table[16];
    for (char& c : table) c = char(1 + Pick(4));
    const int size = (lim->Count1 ? lim->Count1 : 1) * (lim->Count2 ? lim->Count2 : 1);
    rsc_.UpdateExtendSeria(lim, size, table);
    return n;
  }
  std::string NewSeries() {
    const int n = Kind(false);
    if (!n) return "none";
    const DWORD excode = next_++;
    const int local = rsc_.GetObjLocal(n);
    rsc_.UpdateObjExcode(n, LONG(excode));
    TABLIM* lim = rsc_.InitSeria(excode, local);
    const double values[3] = {1, 2, 3};
    lim = rsc_.UpdateGateSeria(lim, 1, 4, 1 + Pick(3), 1, values);
    if (lim && Pick(2)) lim = rsc_.UpdateGateSeria(lim, 2, 5, 1 + Pick(3), 2, values);
    TABPOS* pos = rsc_.AppendPos(n, 1);
    if (!lim || !pos || !rsc_.UpdateSeriaObject(n, 1, lim, pos)) return "series failed";
    if (Pick(2)) rsc_.AppendPosSemantic(n, 9, 1);
    const int members = 1 + Pick(3);
    for (int v = 2; v <= members; v++)
      if (!rsc_.UpdateSeriaObject(rsc_.CopyObject(n), v, lim, pos)) return "member failed";
    return Did("series", Relink(n, lim));
  }

  TMapRsc& rsc_;
  std::mt19937 random_;
  DWORD next_;
};

// Each random edit is saved and read back: the reopened classifier answers
// as the edited one did, and saving it again writes the same bytes.
TEST_F(RscWriter, EditedClassifiersRoundTrip) {
  Builder b = Rich(4);
  b.AddSemantic(5, 1, "DEPTH", "DEPTH");
  const Bytes fixture = b.Build();
  for (unsigned seed = 1; seed <= 8; seed++) {
    Put(fixture);
    TMapRsc rsc;
    ASSERT_EQ(1, rsc.OpenRsc(path_.c_str(), 0)) << rsc.Error();
    TRandomEditor editor(rsc, seed);
    std::string done;
    for (int step = 0; step < 40; step++) {
      done += editor.Edit() + "; ";
      ASSERT_EQ(1, rsc.Save(1));
      const Bytes saved = File();
      TMapRsc again;
      ASSERT_EQ(1, again.OpenRsc(path_.c_str(), 0)) << again.Error();
      EXPECT_EQ(0, again.IsModify());
      ASSERT_EQ("", rsctest::FirstDifference(rsctest::TakeSnapshot(rsc), rsctest::TakeSnapshot(again)))
          << "seed " << seed << ": " << done;
      ASSERT_EQ(1, again.Save(1));
      ASSERT_TRUE(Unstamped(saved) == Unstamped(File())) << "seed " << seed << ": " << done;
    }
  }
}

TEST_F(RscWriter, SaveStampWrapsAndTabIsDropped) {
  Builder b = Builder::Minimal();
  b.head.mode = 65535;
  b.tab = Bytes(40, 7);
  const Bytes fixture = Put(b.Build());
  ASSERT_NE(0u, Get32(fixture, 120 + 12 * rsctest::TAB));
  TMapRsc rsc;
  ASSERT_EQ(1, rsc.OpenRsc(path_.c_str(), 0)) << rsc.Error();
  ASSERT_EQ(1, rsc.Save(1));
  const Bytes saved = File();
  EXPECT_EQ(0u, Get32(saved, 20));
  EXPECT_EQ(65536u, rsc.Head.Mode);
  for (int f = 0; f < 3; f++) EXPECT_EQ(0u, Get32(saved, 120 + 12 * rsctest::TAB + 4 * f));
  EXPECT_EQ(saved.size(), Get32(saved, 4));
  EXPECT_LT(saved.size(), fixture.size());
  ASSERT_EQ(1, rsc.Save(1));
  EXPECT_EQ(1u, Get32(File(), 20));
}

TEST_F(RscWriter, NothingIsWrittenWithoutCause) {
  const Bytes fixture = Put(Builder::Minimal().Build());
  TMapRsc rsc;
  ASSERT_EQ(1, rsc.OpenRsc(path_.c_str(), 0)) << rsc.Error();
  EXPECT_EQ(0, rsc.Save(0));
  EXPECT_EQ(0, rsc.Commit());
  EXPECT_FALSE(rsc.IsModify());
  struct stat st;
  EXPECT_NE(0, stat(backup_.c_str(), &st));  // not even a backup
  // A read-only classifier is never written.
  rsc.SetModify();
  rsc.Access = RSC_ACCESS_READ;
  EXPECT_EQ(0, rsc.Save(1));
  EXPECT_TRUE(File() == fixture);
  EXPECT_TRUE(boxes_.boxes().empty());
  rsc.Modify = 0;

  TMapRsc closed;
  EXPECT_EQ(0, closed.Save(1));
  EXPECT_EQ(60005, closed.Error());
}

TEST_F(RscWriter, DeletedObjectsKeepTheirNumbersAndShortRecordsArePadded) {
  Builder b = Rich();
  b.AddObject(300, 0, "GONE");
  b.par.push_back(rsctest::DefaultImage(uint16_t(b.objects.size()), 0));
  Put(b.Build());
  const int gone = int(b.objects.size());
  TMapRsc rsc;
  ASSERT_EQ(1, rsc.OpenRsc(path_.c_str(), 0)) << rsc.Error();
  ASSERT_EQ(gone, rsc.DeleteObject(gone));
  // The road's record claims 100 bytes; what lies after them in memory
  // must not reach the file.
  TABOBJ* road = rsc.ObjIndex[16].Obj;
  ASSERT_EQ(128u, road->Length);
  road->Length = 100;
  road->RelCount = 0;
  std::memset((BYTE*)road + 100, 0xAB, 12);
  ASSERT_EQ(1, rsc.Save(0));

  const Bytes saved = File();
  ASSERT_EQ(uint32_t(gone), Get32(saved, 128));
  uint32_t at = Get32(saved, 120);
  for (int n = 1; n < gone; n++) {
    if (n == 16) {
      EXPECT_EQ(112u, Get32(saved, at));
      for (int i = 100; i < 112; i++) EXPECT_EQ(0, saved[at + i]) << i;
    }
    at += Get32(saved, at);
  }
  EXPECT_EQ(112u, Get32(saved, at));
  EXPECT_EQ(0u, Get32(saved, at + 4));
  EXPECT_EQ(uint32_t(gone), Get32(saved, at + 8));
  const uint8_t deleted[] = {0xCE, 0xC1, 0xDA, 0xC5, 0xCA, 0xD2, 0x20, 0xD3, 0xC4, 0xC0, 0xCB, 0xC5, 0xCD, 0};
  EXPECT_EQ(0, std::memcmp(saved.data() + at + 48, deleted, sizeof deleted));
  EXPECT_EQ(0, std::memcmp(rsc.ObjIndex[gone].Obj->Name, deleted, sizeof deleted));

  // The PAR table still has one record per object; the deleted one is empty.
  EXPECT_EQ(uint32_t(gone), Get32(saved, Builder::CountField(rsctest::PAR)));
  at = Get32(saved, Builder::OffsetField(rsctest::PAR));
  for (int n = 1; n < gone; n++) at += Get32(saved, at);
  EXPECT_EQ(12u, Get32(saved, at));
  EXPECT_EQ(uint32_t(gone), rsctest::Get16(saved, at + 4));
  EXPECT_EQ(0u, rsctest::Get16(saved, at + 6));

  TMapRsc again;
  ASSERT_EQ(1, again.OpenRsc(path_.c_str(), 0)) << again.Error();
  EXPECT_EQ(gone, again.GetObjCount());
}

TEST_F(RscWriter, FailedWriteRestoresThePreviousClassifier) {
  // Large enough for several write pieces.
  const Bytes fixture = Put(Rich(700).Build());
  ASSERT_GT(fixture.size(), 3u * RSC_WRITE_PIECE);
  const int backupWrites = int((fixture.size() + 65519) / 65520);
  for (plat::fault::WriteFault kind : {plat::fault::WriteFault::Error, plat::fault::WriteFault::Short}) {
    TMapRsc rsc;
    ASSERT_EQ(1, rsc.OpenRsc(path_.c_str(), 0)) << rsc.Error();
    rsc.SetModify();
    const size_t before = boxes_.boxes().size();
    plat::fault::FailWrite(backupWrites + 2, kind);  // the second piece of the classifier
    EXPECT_EQ(0, rsc.Save(0));
    plat::fault::Reset();
    EXPECT_TRUE(File() == fixture);
    EXPECT_TRUE(rsctest::ReadBytes(backup_) == fixture);
    EXPECT_NE(0, rsc.IsModify());
    ASSERT_EQ(before + 1, boxes_.boxes().size());
    const char* expected = kind == plat::fault::WriteFault::Error ? "Write fault" : "Disk is full";
    EXPECT_NE(std::string::npos, boxes_.boxes().back().text.find(expected)) << boxes_.boxes().back().text;
    EXPECT_NE(std::string::npos, boxes_.boxes().back().text.find("test.rsc"));
    // The classifier in memory is whole: the next save succeeds.
    ASSERT_EQ(1, rsc.Save(0));
    EXPECT_TRUE(Unstamped(File()) == Unstamped(fixture));
    Put(fixture);
  }
}

// A backup that can't be made, or memory that can't be had: nothing is
// written and the classifier stays modified; the cause gone, it saves.
TEST_F(RscWriter, RefusedSaveLeavesTheFileAndTheChanges) {
  const Bytes fixture = Put(Builder::Minimal().Build());
  for (bool memory : {false, true}) {
    TMapRsc rsc;
    ASSERT_EQ(1, rsc.OpenRsc(path_.c_str(), 0)) << rsc.Error();
    rsc.SetModify();
    MessageEnableSet(0);
    if (memory) plat::fault::FailAllocation(1, true);  // the backup copy may fail first
    else ASSERT_EQ(0, mkdir(backup_.c_str(), 0755));
    EXPECT_EQ(0, rsc.Save(0)) << memory;
    plat::fault::Reset();
    rmdir(backup_.c_str());
    EXPECT_TRUE(File() == fixture);
    EXPECT_NE(0, rsc.IsModify());
    EXPECT_EQ(1, rsc.Save(0));
    Put(fixture);
  }
}

// A classifier whose own name carries the backup extension is not taken
// for its backup: it is backed up beside itself and saved.
TEST_F(RscWriter, ClassifierNamedLikeABackupKeepsItself) {
  const Bytes fixture = Builder::Minimal().Build();
  const std::string named = folder_ + "old.~RS";
  ASSERT_TRUE(rsctest::WriteBytes(named, fixture));
  {
    TMapRsc rsc;
    ASSERT_EQ(1, rsc.OpenRsc(named.c_str(), 0)) << rsc.Error();
    ASSERT_EQ(1, rsc.Save(1));
  }
  EXPECT_TRUE(Unstamped(rsctest::ReadBytes(named)) == Unstamped(fixture));
  EXPECT_TRUE(rsctest::ReadBytes(named + ".~RS") == fixture);
  char backup[MAX_PATH];
  ASSERT_TRUE(rscBackupName("/a/b.rsc", backup, sizeof backup));
  EXPECT_STREQ("/a/b.~RS", backup);
  ASSERT_TRUE(rscBackupName("/a/b.~RS", backup, sizeof backup));
  EXPECT_STREQ("/a/b.~RS.~RS", backup);
}

TEST_F(RscWriter, NewClassifierIsSavedWithoutABackup) {
  RSCCREATE create{};
  std::strcpy(create.Name, "NEW");
  create.Scale = 50000;
  create.Language = 1;
  {
    TMapRsc rsc;
    ASSERT_EQ(1, rsc.CreateRsc(path_.c_str(), &create, nullptr, 0)) << rsc.Error();
    ASSERT_EQ(1, rsc.Save(1));
  }
  const Bytes saved = File();
  ASSERT_GT(saved.size(), 336u);
  EXPECT_EQ(saved.size(), Get32(saved, 4));
  TMapRsc rsc;
  ASSERT_EQ(1, rsc.OpenRsc(path_.c_str(), 0)) << rsc.Error();
  EXPECT_EQ(15, rsc.GetObjCount());
  EXPECT_EQ(50000u, rsc.Head.Scale);
}

TEST(RscBackupName, ReplacesTheExtension) {
  char out[MAX_PATH];
  ASSERT_TRUE(rscBackupName("/a/b.c/map.rsc", out, sizeof out));
  EXPECT_STREQ("/a/b.c/map.~RS", out);
  ASSERT_TRUE(rscBackupName("/a/b.c/map", out, sizeof out));
  EXPECT_STREQ("/a/b.c/map.~RS", out);
  EXPECT_FALSE(rscBackupName("/a/map.rsc", out, 8));
}

}  // namespace
