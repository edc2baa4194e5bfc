// The select record: the size and the sections the writer makes for each
// selection, reading back by name on a map whose sheets were renamed, the
// older forms, and records whose lengths, counts and lists lie.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "selection/mapselect.h"
#include "support/selectmap.h"
#include "types/selecttypes.h"

namespace {

using seltest::SelectMap;
using Record = std::vector<char>;

constexpr size_t kHead = SELECTRECORD_HEAD;

Record RecordOf(TMapSelect& s) {
  Record r(size_t(s.GetSelectRecordSize()));
  EXPECT_EQ(int(r.size()), s.GetSelectRecord(r.data(), int(r.size())));
  return r;
}

SELECTRECORD Head(const Record& r) {
  SELECTRECORD h;
  std::memcpy(&h, r.data(), sizeof(h));
  return h;
}

DWORD Word(const Record& r, size_t at) {
  DWORD v;
  std::memcpy(&v, r.data() + at, 4);
  return v;
}
void PutWord(Record& r, size_t at, DWORD v) { std::memcpy(r.data() + at, &v, 4); }

// The names of a section, each read up to its zero within its slot.
std::vector<std::string> Names(const Record& r, const SELECTSECTION& section) {
  std::vector<std::string> names;
  for (DWORD i = 0; i < section.Count; ++i) {
    const char* slot = r.data() + section.Offset + 4 + 32 * i;
    names.emplace_back(slot, strnlen(slot, 32));
  }
  return names;
}

// Which of the first n items of a set are selected, as "1101...".
template <class Check>
std::string Bits(int first, int n, Check check) {
  std::string out;
  for (int i = first; i < first + n; ++i) out += check(i) ? '1' : '0';
  return out;
}

class SelectRecord : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m.ok()); }
  // Sheets first..last of the ten selected, the sheet condition on.
  static void SelectSheets(TMapSelect& s, int first, int last) {
    s.ClearAllSheets();
    for (int n = first; n <= last; ++n) s.SelectSheet(n);
    s.SetSheetSwitch(1);
  }
  std::string Sheets(const TMapSelect& s) {
    return Bits(1, 10, [&](int n) { return s.CheckSheet(n); });
  }
  void Rename(int sheet, const char* name, size_t length) {
    char* field = m.map.TMapPassport::List(sheet)->Register.Nomenclature;
    std::memset(field, 0, 32);
    std::memcpy(field, name, length);
  }
  // Sheets 1-3, every layer but 2 and only the lake kind: three sections.
  void SelectAllThree(TMapSelect& s) {
    SelectSheets(s, 1, 3);
    s.UnselectLayer(2);
    s.SetLayerSwitch(1);
    s.ClearAllKinds();
    s.SelectKind(seltest::KIND_LAKE);
    s.SetKindSwitch(1);
  }

  SelectMap m{10};
};

TEST_F(SelectRecord, SizeAndSheetSectionFollowTheSelection) {
  TMapSelect s(&m.map);
  EXPECT_EQ(SELECTRECORD_HEAD, s.GetSelectRecordSize());
  struct Case {
    int last, size;
    DWORD flag;
    std::vector<std::string> names;
  };
  const Case cases[] = {{3, 20616, 1, {"S1", "S2", "S3"}},
                        {8, 20584, 0, {"S9", "S10"}},
                        {10, 20744, 0, {}},
                        {0, 20520, 1, {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.last);
    SelectSheets(s, 1, c.last);
    ASSERT_EQ(c.size, s.GetSelectRecordSize());
    Record r(size_t(c.size), 'x');
    EXPECT_EQ(0, s.GetSelectRecord(r.data(), c.size - 1));
    EXPECT_EQ(0, s.GetSelectRecord(nullptr, c.size));
    ASSERT_EQ(c.size, s.GetSelectRecord(r.data(), c.size));
    const SELECTRECORD h = Head(r);
    EXPECT_EQ(DWORD(SELECTRECORD_TAG), h.Tag);
    EXPECT_EQ(DWORD(c.size), h.Length);
    EXPECT_EQ(1u, h.SheetSwitch);
    EXPECT_EQ(c.flag, h.Sheets.Selected);
    EXPECT_EQ(kHead, h.Sheets.Offset);
    EXPECT_EQ(DWORD(SELECTSECTION_SHEETS), Word(r, kHead));
    EXPECT_EQ(c.names, Names(r, h.Sheets));
    EXPECT_EQ(0u, h.Layers.Offset + h.Layers.Count + h.Kinds.Offset + h.Kinds.Count);
    // The rest of the record is zero.
    for (size_t i = kHead + 4 + 32 * c.names.size(); i < r.size(); ++i) ASSERT_EQ(0, r[i]) << i;
  }
  // Without a map there is no sheet section.
  TMapSelect alone;
  SelectSheets(alone, 1, 3);
  EXPECT_EQ(SELECTRECORD_HEAD, alone.GetSelectRecordSize());
}

TEST_F(SelectRecord, SectionsFollowEachOtherAndReadBack) {
  TMapSelect s(&m.map);
  SelectAllThree(s);
  s.SetKeyMinimum(10), s.SetKeySwitch(1);
  ASSERT_EQ(1, s.SemanticAppend(COMPARE_GREATER, seltest::SEM_HEIGHT, "7"));
  const MEASUREMENT length{MEASURE_LENGTH, 1, 6, 0, 50.0, 0.0};
  ASSERT_EQ(1, s.MeasureAdd(&length));
  s.SetKindMode(KINDMODE_SOME);
  s.TotalSeekSelect(&m.map, 1);
  // Five layers (0-4) of which four are selected: the unselected one is
  // listed. One kind of 19 is selected: it is listed.
  const Record r = RecordOf(s);
  ASSERT_EQ(20744u, r.size());
  const SELECTRECORD h = Head(r);
  EXPECT_EQ((std::vector<std::string>{"S1", "S2", "S3"}), Names(r, h.Sheets));
  EXPECT_EQ(kHead + 4 + 96, h.Layers.Offset);
  EXPECT_EQ(DWORD(SELECTSECTION_LAYERS), Word(r, h.Layers.Offset));
  EXPECT_EQ(0u, h.Layers.Selected);
  EXPECT_EQ(std::vector<std::string>{"L2"}, Names(r, h.Layers));
  EXPECT_EQ(h.Layers.Offset + 4 + 32, h.Kinds.Offset);
  EXPECT_EQ(DWORD(SELECTSECTION_KINDS), Word(r, h.Kinds.Offset));
  EXPECT_EQ(1u, h.Kinds.Selected);
  EXPECT_EQ(std::vector<std::string>{"S0000000601"}, Names(r, h.Kinds));

  TMapSelect back(&m.map);
  back.SetInversion(1);
  back.AreaSwitch = 1;
  back.CountsStale = 0;
  ASSERT_EQ(SELECTRECORD_HEAD, back.PutSelectRecord(r.data(), int(r.size())));
  EXPECT_EQ(1u, back.CountsStale);
  EXPECT_EQ(0, back.GetInversion());
  EXPECT_EQ(0u, back.AreaSwitch);
  EXPECT_EQ("1110000000", Sheets(back));
  EXPECT_EQ("11011", Bits(0, 5, [&](int n) { return back.CheckLayer(n); }));
  EXPECT_EQ(1, back.CheckKind(seltest::KIND_LAKE) + back.CheckKind(seltest::KIND_ROAD));
  EXPECT_EQ(1, back.CheckKind(seltest::KIND_LAKE));
  EXPECT_EQ(10u, back.GetKeyMinimum());
  EXPECT_EQ(1u, back.KeySwitch);
  EXPECT_EQ(KINDMODE_SOME, back.GetKindMode());
  EXPECT_EQ(s.GetTotalSeekMarks(), back.GetTotalSeekMarks());
  EXPECT_EQ(0, std::memcmp(&s.Semantics, &back.Semantics, sizeof(TCompare)));
  EXPECT_EQ(1, back.MeasureCount());
  EXPECT_EQ(50.0, back.MeasureValue(1, 1));
  EXPECT_EQ(r, RecordOf(back));
}

TEST_F(SelectRecord, NamesNoLongerKnownAfterRenaming) {
  TMapSelect s(&m.map);
  SelectSheets(s, 1, 3);
  const Record listsSelected = RecordOf(s);
  SelectSheets(s, 1, 8);
  const Record listsUnselected = RecordOf(s);
  s.ClearAllKinds();
  s.SelectKind(seltest::KIND_ROAD);
  s.SetKindSwitch(1);
  Record kinds = RecordOf(s);
  Rename(2, "T2", 2);
  Rename(9, "T9", 2);
  TMapSelect back(&m.map);
  back.PutSelectRecord(listsSelected.data(), int(listsSelected.size()));
  EXPECT_EQ("1010000000", Sheets(back));
  back.PutSelectRecord(listsUnselected.data(), int(listsUnselected.size()));
  EXPECT_EQ("1111111110", Sheets(back));
  // Names are found without case.
  Rename(9, "s9", 2);
  back.PutSelectRecord(listsUnselected.data(), int(listsUnselected.size()));
  EXPECT_EQ("1111111100", Sheets(back));
  // An unknown object key unselects the objects without a kind.
  const SELECTRECORD h = Head(kinds);
  std::strcpy(kinds.data() + h.Kinds.Offset + 4, "NO SUCH KEY");
  back.PutSelectRecord(kinds.data(), int(kinds.size()));
  EXPECT_EQ("000000000000000000", Bits(0, 18, [&](int n) { return back.CheckKind(n); }));
  EXPECT_EQ(0, back.CheckKind(0));
}

TEST_F(SelectRecord, LongNamesKeepTheirZeroAndLyingSectionsArePassedOver) {
  Rename(1, std::string(32, 'A').c_str(), 32);
  TMapSelect s(&m.map);
  SelectAllThree(s);
  const Record r = RecordOf(s);
  const SELECTRECORD h = Head(r);
  EXPECT_EQ(std::string(31, 'A'), Names(r, h.Sheets)[0]);

  // Each damage leaves the sets of the sections it touches as they were
  // (all selected in a fresh context) and reads the others.
  struct Case {
    const char* what;
    size_t at;  // a word to change, or 0
    DWORD value;
    int cut;  // bytes cut from the end
    const char* sheets;
    const char* layers;
    int lake, road;
  };
  const size_t sheets = offsetof(SELECTRECORD, Sheets), layers = offsetof(SELECTRECORD, Layers),
               kinds = offsetof(SELECTRECORD, Kinds);
  const int namesEnd = int(r.size() - (h.Kinds.Offset + 4 + 32));
  const Case cases[] = {
      {"intact", 0, 0, 0, "0110000000", "11011", 1, 0},
      {"huge sheet count", sheets, 0xFFFFFFFFu, 0, "1111111111", "11011", 1, 0},
      {"sheet count past the end", sheets, 20, 0, "1111111111", "11011", 1, 0},
      {"layer offset at the end", layers + 8, DWORD(r.size()), 0, "0110000000", "11111", 1, 0},
      {"layer offset far out", layers + 8, 0xFFFFFFF0u, 0, "0110000000", "11111", 1, 0},
      {"wrong kind tag", h.Kinds.Offset, SELECTSECTION_SHEETS, 0, "0110000000", "11011", 1, 1},
      {"kind name cut", 0, 0, namesEnd + 1, "0110000000", "11011", 1, 1},
      {"kind name whole", 0, 0, namesEnd, "0110000000", "11011", 1, 0},
      {"kind count past the end", kinds, 5, 0, "0110000000", "11011", 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Record bad = r;
    if (c.at != 0) PutWord(bad, c.at, c.value);
    TMapSelect back(&m.map);
    ASSERT_EQ(SELECTRECORD_HEAD, back.PutSelectRecord(bad.data(), int(bad.size()) - c.cut));
    // The long name is not known: the sheet is passed over.
    EXPECT_EQ(c.sheets, Sheets(back));
    EXPECT_EQ(c.layers, Bits(0, 5, [&](int n) { return back.CheckLayer(n); }));
    EXPECT_EQ(c.lake, back.CheckKind(seltest::KIND_LAKE));
    EXPECT_EQ(c.road, back.CheckKind(seltest::KIND_ROAD));
  }
}

TEST_F(SelectRecord, UnsoundConditionListsAreClearedWithTheirSwitch) {
  TMapSelect s(&m.map);
  ASSERT_EQ(1, s.SemanticAppend(COMPARE_EQUAL, seltest::SEM_HEIGHT, "7"));
  ASSERT_EQ(1, s.SemanticAppend(COMPARE_EQUAL, seltest::SEM_HEIGHT, "8"));
  const MEASUREMENT area{MEASURE_AREA, 1, 4, 0, 10.0, 0.0};
  ASSERT_EQ(1, s.MeasureAdd(&area));
  const Record r = RecordOf(s);
  const size_t semantics = offsetof(SELECTRECORD, Semantics);
  const size_t numbers = semantics + offsetof(TCompare, Numbers);
  const size_t measures = offsetof(SELECTRECORD, Measures);
  struct Case {
    const char* what;
    size_t at;
    DWORD value;
    int semantic, measure;  // conditions left
  };
  const Case cases[] = {
      {"intact", 0, 0, 2, 1},
      {"semantic count above the slots", semantics, 65, 0, 1},
      {"negative semantic count", semantics, 0xFFFFFFFFu, 0, 1},
      {"count and numbers differ", semantics, 3, 0, 1},
      {"a number twice", numbers + 4, 1, 0, 1},
      {"a number above the count", numbers + 4, 7, 0, 1},
      {"a comparison above 7", semantics + offsetof(TCompare, Conditions), 9, 0, 1},
      {"measure count above the slots", measures, 101, 2, 0},
      {"negative measure count", measures, 0x80000000u, 2, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Record bad = r;
    if (c.at != 0) PutWord(bad, c.at, c.value);
    TMapSelect back(&m.map);
    ASSERT_EQ(SELECTRECORD_HEAD, back.PutSelectRecord(bad.data(), int(bad.size())));
    EXPECT_EQ(c.semantic, back.SemanticCount());
    EXPECT_EQ(c.semantic != 0, back.SemanticSwitch != 0);
    EXPECT_EQ(c.measure, back.MeasureCount());
    EXPECT_EQ(c.measure != 0, back.MeasureSwitch != 0);
  }
}

// An older record: layer 3, polygons, the lake kind and sheet 2 selected,
// keys 5..9, one measurement condition, the view mark.
Record OldRecord(DWORD tag) {
  Record r(SELECTRECORD_OLDSIZE, 0);
  PutWord(r, 0, tag);
  PutWord(r, 4, SELECTRECORD_OLDSIZE);
  PutWord(r, 8, 1u << 3);
  PutWord(r, 40, 1u << LOCAL_POLYGON);
  PutWord(r, 44, 1u << seltest::KIND_LAKE);
  PutWord(r, 8236, 1u << 2);
  for (int i = 0; i < 6; ++i) PutWord(r, 25912 + 4 * i, i == 4 ? 0 : 1);
  PutWord(r, 25988, 5);
  PutWord(r, 25992, 9);
  const MEASUREMENT m{MEASURE_LENGTH, 1, 4, 0, 3.5, 0.0};
  PutWord(r, 25996, 1);
  std::memcpy(r.data() + 26000, &m, sizeof(m));
  PutWord(r, 29204, 1);
  PutWord(r, 29212, TOTALSEEK_VIEW);
  return r;
}

TEST_F(SelectRecord, OlderFormsAndRecordsOfNoKnownForm) {
  for (DWORD tag : {DWORD(SELECTRECORD_TAG_SET), DWORD(SELECTRECORD_TAG_SEC)}) {
    SCOPED_TRACE(tag);
    const bool set = tag == SELECTRECORD_TAG_SET;
    Record r = OldRecord(tag);
    TMapSelect s(&m.map);
    s.SetInversion(1), s.SetKindMode(KINDMODE_NONE), s.AreaSwitch = 1;
    ASSERT_EQ(SELECTRECORD_OLDSIZE, s.PutSelectRecord(r.data(), int(r.size())));
    EXPECT_EQ("00010", Bits(0, 5, [&](int n) { return s.CheckLayer(n); }));
    EXPECT_EQ(1, s.CheckLocal(LOCAL_POLYGON) + s.CheckLocal(LOCAL_LINE));
    EXPECT_EQ(1, s.CheckKind(seltest::KIND_LAKE) + s.CheckKind(seltest::KIND_ROAD));
    EXPECT_EQ("0100000000", Sheets(s));
    EXPECT_EQ(4u, s.LayerSwitch + s.LocalSwitch + s.KindSwitch + s.SheetSwitch);
    EXPECT_EQ(0u, s.SemanticSwitch);
    EXPECT_EQ(1u, s.KeySwitch);
    EXPECT_EQ(5u, s.GetKeyMinimum());
    EXPECT_EQ(9u, s.GetKeyMaximum());
    EXPECT_EQ(1, s.IsTotalSeekView());
    EXPECT_EQ(set ? 1 : 0, s.MeasureCount());
    EXPECT_EQ(set ? 1u : 0u, s.MeasureSwitch);
    EXPECT_EQ(0, s.GetInversion() + s.GetKindMode() + int(s.AreaSwitch));
  }
  // Refused: the context is reset (the layer condition goes off) and 0.
  struct Case {
    const char* what;
    DWORD tag, size;
    int length;
  };
  const Case cases[] = {
      {"SET whose size is short", SELECTRECORD_TAG_SET, SELECTRECORD_OLDSIZE - 1,
       SELECTRECORD_OLDSIZE},
      {"SET longer than the bytes", SELECTRECORD_TAG_SET, SELECTRECORD_OLDSIZE + 1,
       SELECTRECORD_OLDSIZE},
      {"SEC cut short", SELECTRECORD_TAG_SEC, SELECTRECORD_OLDSIZE, SELECTRECORD_OLDSIZE - 1},
      {"unknown tag", 0x00585858, SELECTRECORD_OLDSIZE, SELECTRECORD_OLDSIZE},
      {"SLT shorter than its head", SELECTRECORD_TAG, SELECTRECORD_HEAD, SELECTRECORD_HEAD - 1},
      {"SLT whose size is short", SELECTRECORD_TAG, SELECTRECORD_HEAD - 1, SELECTRECORD_HEAD},
      {"three bytes", SELECTRECORD_TAG, 0, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Record r = OldRecord(c.tag);
    PutWord(r, 4, c.size);
    TMapSelect s(&m.map);
    s.SetLayerSwitch(1);
    EXPECT_EQ(0, s.PutSelectRecord(r.data(), c.length));
    EXPECT_EQ(0u, s.LayerSwitch);
  }
  // No record at all changes nothing.
  TMapSelect s(&m.map);
  s.SetLayerSwitch(1);
  Record r = OldRecord(SELECTRECORD_TAG_SET);
  EXPECT_EQ(0, s.PutSelectRecord(nullptr, 100));
  EXPECT_EQ(0, s.PutSelectRecord(r.data(), 0));
  EXPECT_EQ(0, s.PutSelectRecord(r.data(), -5));
  EXPECT_EQ(1u, s.LayerSwitch);
}

}  // namespace
