// Project files: reading a project into a document, section by section, and
// writing a document out as one beside the project, which then replaces it.
#include "document/mapproject.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/filekind.h"
#include "common/heldfiles.h"
#include "common/maperr.h"
#include "common/mapprofile.h"
#include "common/messages.h"
#include "common/textformat.h"
#include "document/mtlchains.h"
#include "document/rmfchains.h"
#include "document/sitechain.h"
#include "platform/file.h"
#include "platform/profile.h"
#include "raster/chainlinks.h"

namespace {

constexpr LONG kTopScale = 40000000;  // a range that cannot be read is written 1 ... this

// "KEY%i".
struct TKey {
  char Text[32];
  TKey(const char* key, int n) { std::snprintf(Text, sizeof Text, "%s%d", key, n); }
  operator const char*() const { return Text; }
};

// The keys of one section of a project file. Reading: a value that begins
// with '*' (the default of every string read) is absent. Writing: the first
// key that cannot be written is remembered.
class TSection {
 public:
  TSection(const char* section, const char* file) : profile_(section, file) {}

  // The value into the buffer: false when absent.
  bool Text(const char* key, char* buffer, unsigned size) {
    profile_.GetString(key, buffer, size, "*");
    return buffer[0] != '*';
  }
  // An integer key as the profile reads it: false when absent.
  bool Int(const char* key, int* value) {
    char text[64];
    if (!Text(key, text, sizeof text)) return false;
    *value = int(plat::ParseProfileInt(text));
    return true;
  }
  int Int(const char* key, int defaultValue) {
    int value = defaultValue;
    return Int(key, &value) ? value : defaultValue;
  }

  void Put(const char* key, const char* value) {
    if (ok_ && !profile_.WriteString(key, value)) ok_ = false;
  }
  void Put(const char* key, int value) {
    if (ok_ && !profile_.WriteInt(key, value)) ok_ = false;
  }
  void PutPalette(const char* key, const TBaseColors* colours) {
    char value[PROJECT_VALUE_SIZE];
    TMapProject::SavePalette(colours, value, sizeof value);
    Put(key, value);
  }
  void PutRange(int n, LONG bottom, LONG top, bool known) {
    Put(TKey("SCALEBOTTOM", n), known ? bottom : 1);
    Put(TKey("SCALETOP", n), known ? top : kTopScale);
  }
  bool Ok() const { return ok_; }

 private:
  TMapProfile profile_;
  bool ok_ = true;
};

// The entries of a list section: COUNT when it lies in 1 ... 1,024, else 0.
int ListCount(TSection& section) {
  const int count = section.Int("COUNT", 0);
  return count >= 1 && count <= PROJECT_LIST_LIMIT ? count : 0;
}

// The file of entry n made whole against the document name (as written
// when that fails): false when the entry names none.
bool EntryPath(TSection& section, int n, TMapAccess* doc, char* path) {
  char name[MAX_PATH];
  if (!section.Text(TKey("PATH", n), name, sizeof name)) return false;
  if (BuildLongName(doc->GetDocumentName(), name, path) == nullptr)
    std::snprintf(path, MAX_PATH, "%s", name);
  return true;
}

// A file name as it is written: relative to the document name's folder
// when it lies under it.
const char* ShortName(TMapAccess* doc, const char* name) {
  const char* shortName = BuildShortName(doc->GetDocumentName(), name);
  return shortName != nullptr ? shortName : name;
}

// Colours of a raster of that depth (palette rasters only).
int RasterColors(const RMFCHAIN* unit) {
  switch (unit->File->Head.BitsPerElement) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

// Hides the colours a list names (at most `count` items; an item longer
// than 13 characters, or a refusal, ends the list).
void HideColors(CHAININFO* chain, int n, const char* list, int count) {
  const char* p = list;
  for (int items = 0; items < count && *p && *p != ';'; ++items) {
    const size_t length = std::strcspn(p, ",;");
    if (length > 13) return;
    if (length > 0) {
      const int index = std::atoi(std::string(p, length).c_str());
      if (index >= 0 && index < count && SetChainPaletteView(chain, n, index, 0) == -1) return;
    }
    p += length;
    if (*p == ',') ++p;
  }
}

// The hidden-colour list of a unit: "%i," after each hidden index, "%i;"
// for the last colour.
std::string HiddenList(CHAININFO* chain, int n, int count) {
  std::string list;
  char item[16];
  for (int i = 0; i < count; ++i) {
    if (CheckChainPaletteView(chain, n, i) != 0) continue;
    std::snprintf(item, sizeof item, i == count - 1 ? "%d;" : "%d,", i);
    list += item;
  }
  return list;
}

// VIEWMASK%i (view in bits 0-3, mask type in bits 8-11), VIEW%i and
// MASKTYPE%i, each applied when 0 or more.
template <class SetView, class SetMask>
void ReadViewKeys(TSection& section, int n, SetView setView, SetMask setMask) {
  const int packed = section.Int(TKey("VIEWMASK", n), -1);
  if (packed >= 0) {
    setView(packed & 0xF);
    setMask(packed >> 8 & 0xF);
  }
  const int view = section.Int(TKey("VIEW", n), -1);
  if (view >= 0) setView(view);
  const int mask = section.Int(TKey("MASKTYPE", n), -1);
  if (mask >= 0) setMask(mask);
}

// The chain of OVERMAP%i (a refusal ends it), SCALETOP%i and
// SCALEBOTTOM%i: false when a key is absent or the order refused.
template <class Order, class Unit>
bool ReadOrderAndRange(TSection& section, int n, Order order, Unit* unit) {
  int over = 0, top = 0, bottom = 0;
  if (!section.Int(TKey("OVERMAP", n), &over) || order(over) == -1) return false;
  if (!section.Int(TKey("SCALETOP", n), &top) || !section.Int(TKey("SCALEBOTTOM", n), &bottom))
    return false;
  SetUnitScaleRange(unit, bottom, top);
  return true;
}

// A map's classifier palette n (a number above the classifier's palettes
// taken as 1).
void TakePaletteNumber(TMap* map, int n) {
  if (n > map->Colors.GetPaletteCount()) n = 1;
  map->Colors.GetPaletteByNumber(n);
}

// The elevation palette's keys of [MTRLIST].
void ReadElevationPalette(TMapAccess* doc, const char* name) {
  TSection section("MTRLIST", name);
  SetMtrShadow(doc, section.Int("SHADOW", 0));
  const int style = section.Int("STYLE", 1);
  doc->SetMtrPaletteStyle(style);
  char value[PROJECT_VALUE_SIZE];
  if (style == 1 && section.Text("PALETTE", value, sizeof value))
    TMapProject::LoadPalette(&doc->MtrPalette, value);
  doc->MtrPalette.SetBright(section.Int("BRIGHT", 0));
  doc->MtrPalette.SetContrast(section.Int("CONTRAST", 0));
  doc->SetupPalette();
}

void SaveElevationPalette(TMapAccess* doc, TSection& section, bool palette) {
  const int style = doc->MtrPalette.GetColorStyle();
  if (palette && style == 1) section.PutPalette("PALETTE", &doc->MtrPalette);
  section.Put("BRIGHT", doc->MtrPalette.GetBright());
  section.Put("CONTRAST", doc->MtrPalette.GetContrast());
  section.Put("STYLE", style);
  section.Put("SHADOW", GetMtrShadow(doc));
}

// A project name with no folder names a file of the current folder (as
// every other file does), not one of the system profile's folder.
std::string ProjectPath(const char* name) {
  for (const char* p = name; *p; ++p)
    if (*p == '/' || *p == '\\' || *p == ':') return name;
  return std::string("./") + name;
}

}  // namespace

// ---------------------------------------------------------------------------
// Palettes

int TMapProject::LoadPalette(TBaseColors* colours, const char* value) {
  if (colours == nullptr || value == nullptr || value[0] == '*') return 0;
  const char* p = value;
  for (int k = 0; *p && *p != ';'; ++k) {
    const size_t length = std::strcspn(p, ",;");
    if (length > 0 && length <= 13 && k < colours->GetCount())
      colours->SetColor(COLORREF(std::strtoul(std::string(p, length).c_str(), nullptr, 16)), k);
    p += length;
    if (*p == ',') ++p;
  }
  return 1;
}

int TMapProject::SavePalette(const TBaseColors* colours, char* buffer, int size) {
  if (colours == nullptr || buffer == nullptr || size < 1) return 0;
  buffer[0] = 0;
  const int count = colours->GetCount();
  int used = 0;
  for (int i = 0; i < count; ++i) {
    char item[16];
    const int length = std::snprintf(item, sizeof item, i == count - 1 ? "0x%06X;" : "0x%06X,",
                                     unsigned(colours->GetColor(i)));
    if (used + length >= size) break;
    std::memcpy(buffer + used, item, size_t(length) + 1);
    used += length;
  }
  return 1;
}

// ---------------------------------------------------------------------------
// Reading

int TMapProject::OpenProject(TMapAccess* doc, const char* name) {
  if (doc == nullptr || name == nullptr) return 0;
  const std::string path = ProjectPath(name);
  HANDLE file = plat::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    ShowErrorMessage(MAPERR_NOTFOUND, name);
  else
    plat::CloseHandle(file);
  if (!OpenMainMap(doc, path.c_str())) return 0;
  OpenRstList(doc, path.c_str());
  OpenMtrList(doc, path.c_str());
  OpenMtlList(doc, path.c_str());
  OpenMtqList(doc, path.c_str());
  OpenSiteList(doc, path.c_str());
  std::snprintf(doc->ProjectName, sizeof doc->ProjectName, "%s", name);
  return 1;
}

int TMapProject::OpenMainMap(TMapAccess* doc, const char* name) {
  doc->TMapControl::Close();
  TSection section("MAP", name);
  char path[MAX_PATH];
  // A name too long for the profile would read another file.
  const bool named = std::strlen(name) < MAX_PATH && section.Text("PATH", path, sizeof path);
  if (!named || CheckFileKind(path) == FILEKIND_MPT) {
    char text[MAX_PATH];
    std::snprintf(text, sizeof text, "%s\n ( [MAP] PATH= ? )", name);
    ShowErrorMessage(MAPERR_DATA, text);
    return 0;
  }
  if (!doc->OpenData(path, 0)) return 0;
  const int background = section.Int("BCOLOR", -1);
  if (background != -1) doc->SetBackGround(COLORREF(background));
  const int scale = section.Int("SCALE", 0);
  if (scale > 0) doc->SetShowScale(scale);
  if (!doc->TMap::IsActive() || doc->Count() < 1) return 1;

  doc->MapEdit(0, section.Int("EDIT", 1));
  const int top = section.Int("SCALETOP", kTopScale), bottom = section.Int("SCALEBOTTOM", 1);
  if (bottom >= 1 && bottom <= top) {
    doc->VisibleTop = top;
    doc->VisibleBottom = bottom;
  }
  doc->Colors.SetBright(std::clamp(section.Int("BRIGHT", 0), -16, 16));
  doc->Colors.SetContrast(section.Int("CONTRAST", 0));
  doc->SetupPalette();
  const int visible = section.Int("VISIBLE", -1);
  if (visible >= 0) doc->MapVisible(0, visible);
  // The classifier's palette first, so that the colours kept in the
  // project are laid over it rather than replaced by it.
  TakePaletteNumber(doc, section.Int("PALETTENUMBER", 1));
  char value[PROJECT_VALUE_SIZE];
  if (section.Text("PALETTE", value, sizeof value)) LoadPalette(&doc->Colors, value);
  doc->SetupPalette();
  return 1;
}

int TMapProject::OpenRstList(TMapAccess* doc, const char* name) {
  TSection section("RSTLIST", name);
  const int count = ListCount(section);
  if (count == 0) return 0;
  CHAININFO* chain = DocChain(doc, DOCKIND_RST);
  char path[MAX_PATH], value[PROJECT_VALUE_SIZE];
  for (int i = 1; i <= count; ++i) {
    if (!EntryPath(section, i, doc, path)) continue;
    // The settings go to the raster the entry opened (a missing file
    // before it leaves the numbers behind the entries).
    const int n = doc->OpenRst(path, 0);
    RMFCHAIN* unit = n > 0 ? GetChainUnit(chain, n) : nullptr;
    if (unit == nullptr) continue;
    // A chain of keys: the first absent one ends the entry.
    if (!section.Text(TKey("COLOR", i), value, sizeof value)) continue;
    for (int c = 0; c < 256; ++c) SetChainPaletteView(chain, n, c, 1);
    HideColors(chain, n, value, RasterColors(unit));
    int over = 0, top = 0, bottom = 0, bright = 0, contrast = 0;
    if (!section.Int(TKey("OVERMAP", i), &over) || ChainViewOrder(chain, n, over) == -1) continue;
    if (!section.Int(TKey("SCALETOP", i), &top) || !section.Int(TKey("SCALEBOTTOM", i), &bottom))
      continue;
    SetUnitScaleRange(unit, bottom, top);
    if (!section.Int(TKey("BRIGHT", i), &bright)) continue;
    SetRstBright(doc, n, bright);
    if (!section.Int(TKey("CONTRAST", i), &contrast)) continue;
    SetRstContrast(doc, n, contrast);
    ReadViewKeys(
        section, i, [&](int v) { SetChainView(chain, n, v); },
        [&](int m) { SetChainMaskType(chain, n, m); });
    if (section.Text(TKey("PALETTE", i), value, sizeof value)) LoadPalette(&unit->Colors, value);
    int nonlinear = 0;
    if (section.Int(TKey("NONLINEARBRIGHT", i), &nonlinear))
      unit->Colors.SetNonlinearBright(nonlinear);
  }
  doc->SetupPalette();
  return 1;
}

int TMapProject::OpenMtrList(TMapAccess* doc, const char* name) {
  TSection section("MTRLIST", name);
  const int count = ListCount(section);
  if (count == 0) return 0;
  ReadElevationPalette(doc, name);
  CHAININFO* chain = DocChain(doc, DOCKIND_MTR);
  char path[MAX_PATH];
  for (int i = 1; i <= count; ++i) {
    if (!EntryPath(section, i, doc, path)) continue;
    const int n = doc->OpenMtr(path, 0);
    RMFCHAIN* unit = n > 0 ? GetChainUnit(chain, n) : nullptr;
    if (unit == nullptr) continue;
    ReadViewKeys(
        section, i, [&](int v) { SetChainView(chain, n, v); },
        [&](int m) { SetChainMaskType(chain, n, m); });
    ReadOrderAndRange(section, i, [&](int o) { return ChainViewOrder(chain, n, o); }, unit);
  }
  return 1;
}

int TMapProject::OpenMtlList(TMapAccess* doc, const char* name) {
  TSection section("MTLLIST", name);
  const int count = ListCount(section);
  if (count == 0) return 0;
  // Without elevation matrices the elevation palette is the layer
  // matrices' own.
  if (DocChain(doc, DOCKIND_MTR)->Count == 0) ReadElevationPalette(doc, name);
  char path[MAX_PATH];
  for (int i = 1; i <= count; ++i) {
    if (!EntryPath(section, i, doc, path)) continue;
    const int n = doc->OpenMtl(path, 0);
    MTLCHAIN* unit = n > 0 ? GetMtlChain(doc, n) : nullptr;
    if (unit == nullptr) continue;
    ReadViewKeys(
        section, i, [&](int v) { SetMtlView(doc, n, v); },
        [&](int m) { SetMtlMaskType(doc, n, m); });
    ReadOrderAndRange(section, i, [&](int o) { return MtlViewOrder(doc, n, o); }, unit);
  }
  return 1;
}

int TMapProject::OpenMtqList(TMapAccess* doc, const char* name) {
  TSection section("MTQLIST", name);
  const int count = ListCount(section);
  if (count == 0) return 0;
  CHAININFO* chain = DocChain(doc, DOCKIND_MTQ);
  char path[MAX_PATH], value[PROJECT_VALUE_SIZE];
  for (int i = 1; i <= count; ++i) {
    if (!EntryPath(section, i, doc, path)) continue;
    const int n = doc->OpenMtq(path, 0);
    RMFCHAIN* unit = n > 0 ? GetChainUnit(chain, n) : nullptr;
    if (unit == nullptr) continue;
    if (section.Text(TKey("PALETTE", i), value, sizeof value)) LoadPalette(&unit->Colors, value);
    if (!section.Text(TKey("COLOR", i), value, sizeof value)) continue;
    for (int c = 0; c < 256; ++c) SetChainPaletteView(chain, n, c, 1);
    HideColors(chain, n, value, std::min(unit->Colors.GetCount(), 256));
    int over = 0, bright = 0, contrast = 0;
    if (!section.Int(TKey("OVERMAP", i), &over) || ChainViewOrder(chain, n, over) == -1) continue;
    if (!section.Int(TKey("BRIGHT", i), &bright)) continue;
    unit->Colors.SetBright(bright);
    if (!section.Int(TKey("CONTRAST", i), &contrast)) continue;
    unit->Colors.SetContrast(contrast);
    ReadViewKeys(
        section, i, [&](int v) { SetChainView(chain, n, v); },
        [&](int m) { SetChainMaskType(chain, n, m); });
  }
  doc->SetupPalette();
  return 1;
}

int TMapProject::OpenSiteList(TMapAccess* doc, const char* name) {
  TSection section("SITELIST", name);
  const int count = ListCount(section);
  if (count == 0) return 0;
  // Older projects keep one palette number for every user map.
  const int shared = section.Int("PALETTENUMBER", 1);
  char path[MAX_PATH], value[PROJECT_VALUE_SIZE];
  for (int i = 1; i <= count; ++i) {
    if (!EntryPath(section, i, doc, path)) continue;
    const int n = doc->OpenSit(path, 0);
    TMap* map = n > 0 ? doc->GetMap(n) : nullptr;
    if (map == nullptr) continue;
    doc->MapEdit(n, section.Int(TKey("EDIT", i), 0));
    const int top = section.Int(TKey("SCALETOP", i), 0);
    const int bottom = section.Int(TKey("SCALEBOTTOM", i), 0);
    if (bottom >= 1 && bottom <= top) {
      map->VisibleTop = top;
      map->VisibleBottom = bottom;
    }
    const int visible = section.Int(TKey("VISIBLE", i), -1);
    if (visible >= 0) doc->MapVisible(n, visible);
    const int over = section.Int(TKey("OVERMAP", i), -1);
    if (over >= 0) doc->MapViewOrder(n, over);
    map->Colors.SetBright(section.Int(TKey("BRIGHT", i), 0));
    map->Colors.SetContrast(section.Int(TKey("CONTRAST", i), 0));
    TakePaletteNumber(map, section.Int(TKey("PALETTENUMBER", i), shared));
    if (section.Text(TKey("PALETTE", i), value, sizeof value)) LoadPalette(&map->Colors, value);
    doc->SetupPalette();
  }
  return 1;
}

// ---------------------------------------------------------------------------
// Writing

int TMapProject::SaveProject(TMapAccess* doc, const char* name) {
  if (doc == nullptr || name == nullptr) return 0;
  const std::string path = ProjectPath(name);
  const std::string beside = path + ".~mp";
  if (beside.size() >= MAX_PATH) return 0;
  // A file an open document holds (a map, a raster) is never replaced by
  // a project.
  if (heldIsFile(path.c_str())) {
    ShowErrorMessage(MAPERR_OPEN, path.c_str());
    return 0;
  }
  // The new project is written beside the old one, starting from a copy
  // of it, and replaces it only when every key was written.
  plat::DeleteFileA(beside.c_str());
  const bool existed = plat::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  bool ok = !existed || plat::CopyFileA(path.c_str(), beside.c_str(), FALSE);
  ok = ok && SaveMainMap(doc, beside.c_str()) && SaveRstList(doc, beside.c_str()) &&
       SaveMtrList(doc, beside.c_str()) && SaveMtlList(doc, beside.c_str()) &&
       SaveMtqList(doc, beside.c_str()) && SaveSiteList(doc, beside.c_str());
  ok = ok && plat::MoveFileExA(beside.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
  if (!ok) plat::DeleteFileA(beside.c_str());
  return ok ? 1 : 0;
}

int TMapProject::SaveMainMap(TMapAccess* doc, const char* name) {
  TSection section("MAP", name);
  char text[32];
  section.Put("PATH", doc->GetDocumentName());
  section.Put("SCALE", int(doc->ShowScale));
  std::snprintf(text, sizeof text, "0x%X", unsigned(doc->MapPalette.BackGround));
  section.Put("BCOLOR", text);
  if (doc->TMap::IsActive() && doc->Count() > 0) {
    section.Put("BRIGHT", doc->Colors.GetBright());
    section.Put("CONTRAST", doc->Colors.GetContrast());
    section.Put("VISIBLE", doc->MapVisible(0, -1));
    section.Put("SCALEBOTTOM", int(doc->VisibleBottom));
    section.Put("SCALETOP", int(doc->VisibleTop));
    section.PutPalette("PALETTE", &doc->Colors);
    section.Put("PALETTENUMBER", doc->Colors.Palette);
  }
  return section.Ok();
}

int TMapProject::SaveRstList(TMapAccess* doc, const char* name) {
  TSection section("RSTLIST", name);
  CHAININFO* chain = DocChain(doc, DOCKIND_RST);
  section.Put("COUNT", int(chain->Count));
  for (int n = 1; n <= chain->Count; ++n) {
    RMFCHAIN* unit = GetChainUnit(chain, n);
    if (unit == nullptr) break;
    const char* file = GetChainName(chain, n);
    if (*file) section.Put(TKey("PATH", n), ShortName(doc, file));
    section.Put(TKey("COLOR", n), HiddenList(chain, n, RasterColors(unit)).c_str());
    section.Put(TKey("OVERMAP", n), ChainViewOrder(chain, n, -1));
    LONG bottom = 0, top = 0;
    section.PutRange(n, bottom, top, GetUnitScaleRange(unit, &bottom, &top));
    section.Put(TKey("BRIGHT", n), unit->Colors.GetBright());
    section.Put(TKey("CONTRAST", n), unit->Colors.GetContrast());
    section.Put(TKey("NONLINEARBRIGHT", n), unit->Colors.GetNonlinearBright());
    section.Put(TKey("VIEW", n), CheckChainView(chain, n));
    section.Put(TKey("MASKTYPE", n), GetChainMaskType(chain, n));
    section.PutPalette(TKey("PALETTE", n), &unit->Colors);
  }
  return section.Ok();
}

int TMapProject::SaveMtrList(TMapAccess* doc, const char* name) {
  TSection section("MTRLIST", name);
  CHAININFO* chain = DocChain(doc, DOCKIND_MTR);
  section.Put("COUNT", int(chain->Count));
  if (chain->Count == 0) return section.Ok();
  if (doc->MtrPalette.GetColorStyle() == 1) section.PutPalette("PALETTE", &doc->MtrPalette);
  for (int n = 1; n <= chain->Count; ++n) {
    RMFCHAIN* unit = GetChainUnit(chain, n);
    if (unit == nullptr) break;
    section.Put(TKey("PATH", n), ShortName(doc, GetChainName(chain, n)));
    section.Put(TKey("OVERMAP", n), ChainViewOrder(chain, n, -1));
    section.Put(TKey("VIEW", n), CheckChainView(chain, n));
    section.Put(TKey("MASKTYPE", n), GetChainMaskType(chain, n));
    LONG bottom = 0, top = 0;
    section.PutRange(n, bottom, top, GetUnitScaleRange(unit, &bottom, &top));
  }
  SaveElevationPalette(doc, section, false);
  return section.Ok();
}

int TMapProject::SaveMtlList(TMapAccess* doc, const char* name) {
  TSection section("MTLLIST", name);
  const int count = MtlChain(doc)->Count;
  section.Put("COUNT", count);
  for (int n = 1; n <= count; ++n) {
    MTLCHAIN* unit = GetMtlChain(doc, n);
    if (unit == nullptr) break;
    section.Put(TKey("PATH", n), ShortName(doc, GetMtlName(doc, n)));
    section.Put(TKey("OVERMAP", n), MtlViewOrder(doc, n, -1));
    LONG bottom = 0, top = 0;
    section.PutRange(n, bottom, top, GetUnitScaleRange(unit, &bottom, &top));
    section.Put(TKey("VIEW", n), CheckMtlView(doc, n));
    section.Put(TKey("MASKTYPE", n), GetMtlMaskType(doc, n));
  }
  if (!section.Ok()) return 0;
  if (count == 0 || DocChain(doc, DOCKIND_MTR)->Count > 0) return 1;
  // The elevation palette the layer matrices are shown with.
  TSection elevation("MTRLIST", name);
  SaveElevationPalette(doc, elevation, true);
  return elevation.Ok();
}

int TMapProject::SaveMtqList(TMapAccess* doc, const char* name) {
  TSection section("MTQLIST", name);
  CHAININFO* chain = DocChain(doc, DOCKIND_MTQ);
  section.Put("COUNT", int(chain->Count));
  for (int n = 1; n <= chain->Count; ++n) {
    RMFCHAIN* unit = GetChainUnit(chain, n);
    if (unit == nullptr) break;
    section.Put(TKey("PATH", n), ShortName(doc, GetChainName(chain, n)));
    section.Put(TKey("COLOR", n),
                HiddenList(chain, n, std::min(unit->Colors.GetCount(), 256)).c_str());
    section.Put(TKey("OVERMAP", n), ChainViewOrder(chain, n, -1));
    section.Put(TKey("BRIGHT", n), unit->Colors.GetBright());
    section.Put(TKey("CONTRAST", n), unit->Colors.GetContrast());
    section.Put(TKey("VIEW", n), CheckChainView(chain, n));
    section.Put(TKey("MASKTYPE", n), GetChainMaskType(chain, n));
    section.PutPalette(TKey("PALETTE", n), &unit->Colors);
  }
  return section.Ok();
}

int TMapProject::SaveSiteList(TMapAccess* doc, const char* name) {
  TSection section("SITELIST", name);
  const int count = doc->GetSiteCount();
  section.Put("COUNT", count);
  for (int n = 1; n <= count; ++n) {
    TMap* map = doc->GetMap(n);
    if (map == nullptr) break;
    section.Put(TKey("PATH", n), ShortName(doc, doc->MapFileName(n)));
    section.Put(TKey("EDIT", n), doc->MapEdit(n, -1));
    section.Put(TKey("BRIGHT", n), map->Colors.GetBright());
    section.Put(TKey("CONTRAST", n), map->Colors.GetContrast());
    section.Put(TKey("VISIBLE", n), doc->MapVisible(n, -1));
    section.Put(TKey("OVERMAP", n), doc->MapViewOrder(n, -1));
    section.PutRange(n, map->VisibleBottom, map->VisibleTop, true);
    section.PutPalette(TKey("PALETTE", n), &map->Colors);
    // Each map's own number, and the shared key (the last map's) that
    // older readers take for every map.
    section.Put(TKey("PALETTENUMBER", n), map->Colors.Palette);
    section.Put("PALETTENUMBER", map->Colors.Palette);
  }
  return section.Ok();
}

// ---------------------------------------------------------------------------
// The slot

int OpenProjectKind(TMapControl* doc, const char* name, int) {
  // The slot is reached through TMapAccess::OpenMpt alone.
  return TMapProject().OpenProject(static_cast<TMapAccess*>(doc), name);
}

int SaveProjectKind(TMapControl* doc, const char* name) {
  return TMapProject().SaveProject(static_cast<TMapAccess*>(doc), name);
}
