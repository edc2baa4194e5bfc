// The selection context: construction, resets and copies, the conditions
// and the object test.
#include "selection/mapselect.h"

#include <cstdio>
#include <cstring>

#include "common/liveset.h"
#include "platform/memory.h"
#include "selection/selectcontexts.h"

namespace {

// Parses an object key: leading blanks skipped, decimal digits, and a '/'
// or '\' that ends the high 16 bits and starts the low ones; the text must
// end there. False for an empty or any other text.
bool TextToKey(const char* text, DWORD* key) {
  if (text == nullptr) return false;
  while (*text == ' ') ++text;
  if (*text == 0) return false;
  DWORD high = 0, part = 0;
  int digits = 0;
  bool split = false;
  for (; *text != 0; ++text) {
    const char c = *text;
    if (c >= '0' && c <= '9') {
      if (++digits > 31) return false;
      part = part * 10 + DWORD(c - '0');
    } else if ((c == '/' || c == '\\') && !split) {
      split = true;
      high = part << 16;
      part = 0;
      digits = 0;
    } else {
      return false;
    }
  }
  *key = high + part;
  return true;
}

// An object key as its high and low 16 bits, "high/low".
void KeyToText(DWORD key, char* buffer, int size) {
  std::snprintf(buffer, size_t(size), "%u/%u", unsigned(key >> 16), unsigned(key & 0xFFFF));
}

// Semantic types of the classifier that decide how a condition's value is
// read and shown.
enum : int {
  SEMKIND_NUMBER = 1,
  SEMKIND_KEY = 12,
  SEMKIND_CODED = 16,
};

void SetBit(DWORD* bits, int n) { bits[n >> 5] |= 1u << (n & 31); }
void ClearBit(DWORD* bits, int n) { bits[n >> 5] &= ~(1u << (n & 31)); }

// A metric of one point (plane doubles) at the centre of a frame.
struct CENTREMETRIC {
  LONGMETRIC Head;
  DWORD CountWord;
  double X;
  double Y;
};

}  // namespace

// ---------------------------------------------------------------------------
// Construction, resets, copies

TMapSelect::TMapSelect(TMap* map) : TSample(nullptr) {
  SelectAll();
  BindMap(map);
}

TMapSelect::TMapSelect(TMapRsc* rsc) : TSample(nullptr) {
  SelectAll();
  Rsc = rsc;
}

TMapSelect::~TMapSelect() {
  slLeaveSelect(this);
  Unbind();
  FreeFrozen();
}

void TMapSelect::SelectAll() {
  ClearSample();
  SelectAllLayers();
  SelectAllLocals();
  SelectAllKinds();
  SelectAllSheets();
  LayerSwitch = LocalSwitch = KindSwitch = SheetSwitch = 0;
  SemanticSwitch = KeySwitch = AreaSwitch = FrameSwitch = MeasureSwitch = 0;
  TotalSeekMarks = AreaInversion = KindMode = Inversion = 0;
  KeyMinimum = 0;
  KeyMaximum = 0xFFFFFFFFu;
  Frame = SELECTFRAME{};
  AreaDistance = 0.0;
  AreaMetric.Free();
  AreaPoints.clear();
  AreaFrame = DFRAME{};
  AreaKeepConditions = AreaRelation = 0;
  Semantics.Clear();
  Measures.Clear();
  FreeFrozen();
  FreezeSwitch = 0;
  MarkCount = SelectCount = -1;
  MarkedWith = nullptr;
  ChangeStamp = MapStamp();
  ProgressWindow = nullptr;
  SampleComplex = 0;
  LineAreaSwitch = 0;
  Touch();
}

void TMapSelect::ReleaseSelect() {
  SelectAll();
  AreaMetric.Free();
}

void TMapSelect::SetMap(TMap* map) {
  SelectAll();
  BindMap(map);
}

int TMapSelect::SetSelect(const TMapSelect* source) {
  if (source == nullptr) return 0;
  if (source == this) return 1;
  SelectAll();
  std::memcpy(LayerBits, source->LayerBits, sizeof(LayerBits));
  LocalWord = source->LocalWord;
  std::memcpy(KindBits, source->KindBits, sizeof(KindBits));
  std::memcpy(SheetBits, source->SheetBits, sizeof(SheetBits));
  LayerSwitch = source->LayerSwitch;
  LocalSwitch = source->LocalSwitch;
  KindSwitch = source->KindSwitch;
  SheetSwitch = source->SheetSwitch;
  SemanticSwitch = source->SemanticSwitch;
  KeySwitch = source->KeySwitch;
  AreaSwitch = source->AreaSwitch;
  FrameSwitch = source->FrameSwitch;
  MeasureSwitch = source->MeasureSwitch;
  TotalSeekMarks = source->TotalSeekMarks;
  AreaInversion = source->AreaInversion;
  KindMode = source->KindMode;
  Inversion = source->Inversion;
  KeyMinimum = source->KeyMinimum;
  KeyMaximum = source->KeyMaximum;
  Frame = source->Frame;
  AreaDistance = source->AreaDistance;
  AreaFrame = source->AreaFrame;
  AreaKeepConditions = source->AreaKeepConditions;
  AreaRelation = source->AreaRelation;
  Semantics = source->Semantics;
  Measures = source->Measures;
  ProgressWindow = source->ProgressWindow;
  LineAreaSwitch = source->LineAreaSwitch;
  Rsc = source->Rsc;
  BindMap(source->Map);
  int ok = 1;
  if (source->AreaMetric.Record != nullptr &&
      AreaMetric.Load(source->AreaMetric.Record, source->AreaMetric.TextFlag) == 0)
    ok = 0;
  TakeAreaPoints();
  if (!Load(source)) ok = 0;
  if (!CopyFrozen(source)) ok = 0;
  Touch();
  return ok;
}

int TMapSelect::SetSelectByMap(TMap* map) {
  if (map != nullptr) SetMap(map);
  LocalSwitch = KindSwitch = LayerSwitch = SheetSwitch = 0;
  Touch();
  if (Map == nullptr) return 0;
  const int sheets = Map->Count();
  if (sheets < 1 || sheets > 10 || Map->GetObjectCount(1) > 100000) return 1;
  LocalWord = 0;
  std::memset(LayerBits, 0, sizeof(LayerBits));
  std::memset(KindBits, 0, sizeof(KindBits));
  std::memset(SheetBits, 0, sizeof(SheetBits));
  // From the current sheet down, round to the last.
  const int current = Map->List.Number();
  const int start = current >= 1 && current <= sheets ? current : sheets;
  for (int k = 0; k < sheets; ++k) {
    const int s = start - k >= 1 ? start - k : start - k + sheets;
    if (!Map->OpenList(s)) continue;
    SetBit(SheetBits, s & 0xFFF);
    SheetSwitch = 1;
    const int count = Map->List.Count();
    if (count < 1) continue;
    LocalSwitch = LayerSwitch = KindSwitch = 1;
    for (int i = 1; i <= count; ++i) {
      const FVSPR* d = Map->List.ObjectDesc(i);
      if (d == nullptr) break;
      LocalWord |= 1u << (FvsprLocal(d) & 31);
      SetBit(LayerBits, d->Segment);
      SetBit(KindBits, d->Code);
    }
  }
  return 1;
}

int TMapSelect::ObjectSet(TObjectInfo* object) {
  if (object == nullptr || object->Desc == nullptr) return 0;
  const FVSPR* d = object->Desc;
  SetBit(SheetBits, object->Sheet & 0xFFF);
  SetBit(LayerBits, d->Segment);
  LocalWord |= 1u << (FvsprLocal(d) & 31);
  SetBit(KindBits, d->Code);
  Touch();
  return 1;
}

TMapRsc* TMapSelect::Classifier() const {
  TMapRsc* rsc = Map != nullptr ? &Map->Rsc : Rsc;
  return rsc != nullptr && rsc->IsActive() ? rsc : nullptr;
}

// ---------------------------------------------------------------------------
// The test

bool TMapSelect::FrozenOut(int sheet, int number) const {
  // Sheets added after the freeze have no bound: their objects fail.
  if (FrozenBounds == nullptr || sheet < 1 || sheet > FrozenCount) return true;
  return number < 0 || DWORD(number) > FrozenBounds[sheet - 1];
}

int TMapSelect::Test(int sheet, int number, const FVSPR* d, LONGMETRIC* metric, SEMANTIC* semn) {
  if (FreezeSwitch && FrozenOut(sheet, number)) return 0;
  if (KindMode == KINDMODE_NONE ? d->Code != 0 : KindMode == KINDMODE_SOME && d->Code == 0)
    return 0;
  if (LocalSwitch && ((LocalWord >> (d->Local & 15)) & 1) == 0) return 0;
  if (LayerSwitch && !CheckLayer(d->Segment)) return 0;
  if (KindSwitch && !CheckKind(d->Code)) return 0;
  if (FrameSwitch && (Frame.X1 > d->X2 || Frame.Y1 > d->Y2 || Frame.X2 < d->X1 ||
                      Frame.Y2 < d->Y1))
    return 0;
  if (KeySwitch && !CheckKey(d->Key)) return 0;
  if (SemanticSwitch && !Semantics.CheckSemantic(TObjectSemn(semn))) return 0;
  if (MeasureSwitch && Measures.Used > 0) {
    TDataEdit edit;
    edit.Init();
    CENTREMETRIC centre;
    if (metric != nullptr) {
      const int local = FvsprLocal(d);
      edit.SetBuffer(reinterpret_cast<char*>(metric), LONG(metric->Length),
                     local == LOCAL_TITLE || local == LOCAL_MIXED);
    } else {
      centre.Head = LONGMETRIC{METRIC_F64, sizeof(CENTREMETRIC), 0, 0};
      centre.CountWord = 1u << 16;
      centre.X = (double(d->X1) + double(d->X2)) * 0.5;
      centre.Y = (double(d->Y1) + double(d->Y2)) * 0.5;
      edit.SetBuffer(reinterpret_cast<char*>(&centre), sizeof(centre), 0);
    }
    FVSPR copy = *d;
    const int passed = Measures.MeasureCheck(TObjectDesc(&copy), &edit);
    edit.SetBuffer(nullptr, 0, 0);
    if (!passed) return 0;
  }
  return 1;
}

int TMapSelect::Pass(int sheet, int number, const FVSPR* d, LONGMETRIC* metric, SEMANTIC* semn) {
  const int passed = Test(sheet, number, d, metric, semn);
  return Inversion ? !passed : passed;
}

int TMapSelect::PassStored(int sheet, int number, const FVSPR* d) {
  LONGMETRIC* metric = nullptr;
  SEMANTIC* semn = nullptr;
  const bool needMetric = MeasureSwitch && d->DataOffset != 0;
  const bool needSemn = SemanticSwitch && d->SemnOffset != 0;
  if (needMetric || needSemn) {
    if (Map == nullptr || Map->List.Number() != sheet) return -1;
    if (needMetric && (metric = Map->List.DataAddr(d->DataOffset)) == nullptr) return -1;
    if (needSemn && (semn = Map->List.SemnAddr(d->SemnOffset)) == nullptr) return -1;
  }
  return Pass(sheet, number, d, metric, semn);
}

int TMapSelect::CheckObject(TObjectDesc desc, TObjectData data, TObjectSemn semn) {
  if (desc.Desc == nullptr) return 0;
  const int sheet = Map != nullptr ? Map->List.Number() : 0;
  const int number = Map != nullptr ? Map->List.CurrentObject : 0;
  return Pass(sheet, number, desc.Desc, data.Record, semn.Semn);
}

int TMapSelect::CheckObject(TObjectDesc desc) {
  if (desc.Desc == nullptr) return 0;
  const int sheet = Map != nullptr ? Map->List.Number() : 0;
  const int number = Map != nullptr ? Map->List.CurrentObject : 0;
  const int passed = PassStored(sheet, number, desc.Desc);
  if (passed >= 0) return passed;
  // Records that cannot be read count as absent.
  return Pass(sheet, number, desc.Desc, nullptr, nullptr);
}

int TMapSelect::CheckObject(TObjectInfo* object) {
  if (object == nullptr) return 0;
  if (!CheckList(object->Sheet)) return 0;
  if (SampleActive) {
    const int in = InSample(object->Number, object->Sheet);
    return Inversion ? !in : in;
  }
  if (object->Desc == nullptr) return 0;
  return Pass(object->Sheet, object->Number, object->Desc, object->Metric.Record,
              object->Semn.Record());
}

int TMapSelect::CheckObjectAndSample(int sheet, int number, const FVSPR* desc) {
  if (SampleActive) {
    if (!InSample(number, sheet)) return Inversion ? 1 : 0;
    if (!SampleComplex) return Inversion ? 0 : 1;
  }
  if (desc == nullptr) return 0;
  const int passed = PassStored(sheet, number, desc);
  if (passed >= 0) return passed;
  return Pass(sheet, number, desc, nullptr, nullptr);
}

int TMapSelect::CheckObjectAndSample(const FVSPR* desc) {
  if (Map == nullptr) return CheckObjectAndSample(0, 0, desc);
  return CheckObjectAndSample(Map->List.Number(), Map->List.CurrentObject, desc);
}

int TMapSelect::CheckObjectAndSample() {
  if (Map == nullptr) return 0;
  return CheckObjectAndSample(Map->List.CurrentDesc);
}

int TMapSelect::CheckSemantic(TObjectSemn semn) {
  return SemanticSwitch ? Semantics.CheckSemantic(semn) : 1;
}

int TMapSelect::FrameCheck(const SELECTFRAME* frame) const {
  if (!FrameSwitch) return 1;
  if (frame == nullptr) return 0;
  return Frame.X1 <= frame->X2 && Frame.Y1 <= frame->Y2 && Frame.X2 >= frame->X1 &&
                 Frame.Y2 >= frame->Y1
             ? 1
             : 0;
}

int TMapSelect::FrameCheck(TObjectDesc desc) const {
  if (!FrameSwitch) return 1;
  if (desc.Desc == nullptr) return 0;
  const SELECTFRAME frame{desc.Desc->X1, desc.Desc->Y1, desc.Desc->X2, desc.Desc->Y2};
  return FrameCheck(&frame);
}

int TMapSelect::MeasureCheck(TObjectDesc desc, TDataEdit* metric) const {
  if (!MeasureSwitch || Measures.Used == 0) return 1;
  return Measures.MeasureCheck(desc, metric);
}

// ---------------------------------------------------------------------------
// Layers, localisations, kinds, sheets

void TMapSelect::SelectLayer(int n) {
  SetBit(LayerBits, n & 255);
  Touch();
}
void TMapSelect::UnselectLayer(int n) {
  ClearBit(LayerBits, n & 255);
  Touch();
}
void TMapSelect::SelectAllLayers() {
  std::memset(LayerBits, 0xFF, sizeof(LayerBits));
  Touch();
}
void TMapSelect::ClearAllLayers() {
  std::memset(LayerBits, 0, sizeof(LayerBits));
  Touch();
}
int TMapSelect::SetLayerSwitch(int on) {
  LayerSwitch = on == 1 ? 1 : 0;
  Touch();
  return int(LayerSwitch);
}

void TMapSelect::SelectLocal(int n) {
  LocalWord |= 1u << (n & 31);
  Touch();
}
void TMapSelect::UnselectLocal(int n) {
  LocalWord &= ~(1u << (n & 31));
  Touch();
}
void TMapSelect::SelectAllLocals() {
  LocalWord = 0xFFFFFFFFu;
  Touch();
}
void TMapSelect::ClearAllLocals() {
  LocalWord = 0;
  Touch();
}
int TMapSelect::SetLocalSwitch(int on) {
  LocalSwitch = on == 1 ? 1 : 0;
  Touch();
  return int(LocalSwitch);
}

void TMapSelect::SelectKind(int n) {
  SetBit(KindBits, n & 0xFFFF);
  Touch();
}
void TMapSelect::UnselectKind(int n) {
  ClearBit(KindBits, n & 0xFFFF);
  Touch();
}
void TMapSelect::SelectAllKinds() {
  std::memset(KindBits, 0xFF, sizeof(KindBits));
  Touch();
}
void TMapSelect::ClearAllKinds() {
  std::memset(KindBits, 0, sizeof(KindBits));
  Touch();
}
int TMapSelect::SetKindSwitch(int on) {
  KindSwitch = on == 1 ? 1 : 0;
  Touch();
  return int(KindSwitch);
}

void TMapSelect::SelectSheet(int n) {
  SetBit(SheetBits, n & 0xFFF);
  Touch();
}
void TMapSelect::UnselectSheet(int n) {
  ClearBit(SheetBits, n & 0xFFF);
  Touch();
}
void TMapSelect::SelectAllSheets() {
  std::memset(SheetBits, 0xFF, sizeof(SheetBits));
  Touch();
}
void TMapSelect::ClearAllSheets() {
  std::memset(SheetBits, 0, sizeof(SheetBits));
  Touch();
}
int TMapSelect::SetSheetSwitch(int on) {
  SheetSwitch = DWORD(on);
  Touch();
  return on;
}

// ---------------------------------------------------------------------------
// Keys, frame, modes

void TMapSelect::SetKeyMinimum(DWORD key) {
  KeyMinimum = key;
  Touch();
}
void TMapSelect::SetKeyMaximum(DWORD key) {
  KeyMaximum = key;
  Touch();
}
int TMapSelect::SetKeySwitch(int on) {
  KeySwitch = on == 1 ? 1 : 0;
  Touch();
  return int(KeySwitch);
}

void TMapSelect::FrameSet(const SELECTFRAME* frame) {
  if (frame == nullptr) {
    FrameClear();
    return;
  }
  Frame = *frame;
  FrameSwitch = 1;
  Touch();
}

void TMapSelect::FrameClear() {
  Frame = SELECTFRAME{};
  FrameSwitch = 0;
  Touch();
}

int TMapSelect::SetInversion(int on) {
  Inversion = on == 1 ? 1 : 0;
  Touch();
  return int(Inversion);
}

int TMapSelect::SetKindMode(int mode) {
  KindMode = mode == KINDMODE_NONE || mode == KINDMODE_SOME ? DWORD(mode) : DWORD(KINDMODE_ANY);
  Touch();
  return int(KindMode);
}

int TMapSelect::SetSampleComplex(int on) {
  SampleComplex = on == 1 ? 1 : 0;
  Touch();
  return int(SampleComplex);
}

int TMapSelect::SetLineAreaSwitch(int on) {
  LineAreaSwitch = on == 1 ? 1 : 0;
  return int(LineAreaSwitch);
}

int TMapSelect::TotalSeekSelect(TMap* map, int view) {
  TotalSeekMarks = 0;
  if (map != nullptr && map == Map) TotalSeekMarks |= TOTALSEEK_MAP;
  if (view != 0) TotalSeekMarks |= TOTALSEEK_VIEW;
  return int(TotalSeekMarks);
}

// ---------------------------------------------------------------------------
// Semantic conditions

int TMapSelect::SemanticAppend(int condition, int code, const char* value) {
  if (code == 0 || value == nullptr) return 0;
  TSemBlock block;
  std::memset(static_cast<void*>(&block), 0, sizeof(block));
  block.Code = WORD(code);
  TMapRsc* rsc = Classifier();
  const int kind = rsc != nullptr ? rsc->GetSemType(DWORD(code)) : -1;
  DWORD key = 0;
  if (rsc == nullptr || kind == SEMKIND_CODED) {
    block.Value.LoadAnyString(SEMTYPE_LONG, value, 260);
  } else if (kind == SEMKIND_NUMBER) {
    block.Value.LoadAnyString(SEMTYPE_CHAR, value, 260);
  } else if (kind == SEMKIND_KEY && TextToKey(value, &key)) {
    block.Value.LoadLong(LONG(key));
  } else {
    block.Value.LoadAnyString(SEMTYPE_ANSI, value, 260);
  }
  if (Semantics.Append(condition, &block) == 0) return 0;
  SemanticSwitch = 1;
  Touch();
  return 1;
}

void TMapSelect::SemanticClear() {
  Semantics.Clear();
  SemanticSwitch = 0;
  Touch();
}

int TMapSelect::SemanticDelete(int n) {
  const int deleted = Semantics.Delete(n);
  if (Semantics.GetCount() == 0) SemanticSwitch = 0;
  Touch();
  return deleted;
}

char* TMapSelect::SemanticValue(int n, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return nullptr;
  buffer[0] = 0;
  TSemBlock* value = Semantics.GetValue(n);
  if (value == nullptr || Semantics.GetCondition(n) == COMPARE_ABSENT) return buffer;
  TMapRsc* rsc = Classifier();
  const int kind = rsc != nullptr ? rsc->GetSemType(value->Code) : -1;
  if (kind == SEMKIND_KEY && !value->Value.IsString()) {
    char text[32];
    KeyToText(DWORD(value->Value.LongValue()), text, sizeof(text));
    std::snprintf(buffer, size_t(size), "%s", text);
    return buffer;
  }
  if (kind == SEMKIND_CODED && !value->Value.IsString()) {
    const char* name = rsc->GetSemValueName(value->Code, value->Value.LongValue());
    if (name != nullptr && name[0] != 0) {
      std::snprintf(buffer, size_t(size), "%s", name);
      return buffer;
    }
  }
  // On a copy: reading a text in the DOS code page converts it in place.
  TSemBlock copy;
  CopySemBlock(&copy, value);
  copy.Value.StringValue(buffer, size);
  return buffer;
}

const char* TMapSelect::SemanticCodeName(int n) {
  TSemBlock* value = Semantics.GetValue(n);
  TMapRsc* rsc = Classifier();
  if (value == nullptr || rsc == nullptr) return "";
  const char* name = rsc->GetSemName(value->Code);
  return name != nullptr ? name : "";
}

int TMapSelect::SemanticCode(int n) {
  TSemBlock* value = Semantics.GetValue(n);
  return value != nullptr ? value->Code : 0;
}

int TMapSelect::SemanticLink(int link) {
  Touch();
  return Semantics.SetLinkCode(link);
}

// ---------------------------------------------------------------------------
// Measurement conditions

int TMapSelect::MeasureSelect(int flag) {
  MeasureSwitch = DWORD(flag);
  Touch();
  return flag;
}

int TMapSelect::MeasureLink(int link) {
  Touch();
  return Measures.SetLinkCode(link);
}

void TMapSelect::MeasureClear() {
  Measures.Clear();
  MeasureSwitch = 0;
  Touch();
}

int TMapSelect::MeasureAdd(const MEASUREMENT* condition) {
  const int count = Measures.Add(condition);
  if (count == 0) return 0;
  MeasureSwitch = 1;
  Touch();
  return count;
}

int TMapSelect::MeasureCondition(int n, int which) const {
  if (which == 1) return Measures.FirstCondition(n);
  if (which == 2) return Measures.SecondCondition(n);
  return -1;
}

double TMapSelect::MeasureValue(int n, int which) const {
  if (which == 1) return Measures.FirstValue(n);
  if (which == 2) return Measures.SecondValue(n);
  return -1.0;
}

TMapSelect* MapSelectOfHandle(intptr_t handle) {
  const void* address = reinterpret_cast<const void*>(handle);
  return liveIsRegistered(LIVE_SELECT, address) ? reinterpret_cast<TMapSelect*>(handle) : nullptr;
}
