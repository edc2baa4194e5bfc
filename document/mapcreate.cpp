// Creating maps into documents, deleting a document's map, and the sheet
// corners of a register recomputed.
#include "document/mapcreate.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>

#include "geodesy/translate.h"
#include "platform/file.h"

namespace {

// Copies at most size - 1 characters of a field and terminates.
void CopyField(char* field, size_t size, const char* text, size_t textSize) {
  const size_t n = strnlen(text, std::min(size - 1, textSize));
  std::memset(field, 0, size);
  std::memcpy(field, text, n);
}

// The map of `reg` created and opened as the document's main map: the
// document, or null with the document destroyed (a failed creation also
// deletes sheet 1 and its files).
TMapAccess* CreateAndOpen(TMapAccess* doc, const char* name, const char* rscname,
                          TMapRegister& reg) {
  if (doc->TMap::CreateData(name, rscname, &reg)) {
    if (doc->OpenMap(name, 0)) return doc;
  } else {
    doc->TMap::DeleteList(1, 1);
  }
  FreeDocument(doc);
  return nullptr;
}

// The map name of a record into the map's name, its sheet's name and
// nomenclature.
void TakeSiteName(TMapRegister& reg, const char* name) {
  if (!name[0]) return;
  CopyField(reg.Map.Name, sizeof(reg.Map.Name), name, 32);
  CopyField(reg.List.Register.Name, sizeof(reg.List.Register.Name), name, 32);
  CopyField(reg.List.Register.Nomenclature, sizeof(reg.List.Register.Nomenclature), name, 32);
}

}  // namespace

TMapAccess* CreateMapDocument(const char* name, const char* rscname, const MAPREGISTEREX* map,
                              const LISTREGISTER* sheet) {
  if (map == nullptr || sheet == nullptr) return nullptr;
  TMapAccess* doc = NewDocument();
  if (doc == nullptr) return nullptr;
  TMapRegister reg;
  reg.SetValueType();
  reg.Clear();
  // Everything after the length words.
  std::memcpy(reinterpret_cast<char*>(&reg.List.Register) + 4,
              reinterpret_cast<const char*>(sheet) + 4, sizeof(LISTREGISTER) - 4);
  std::memcpy(reinterpret_cast<char*>(&reg.Map) + 4, reinterpret_cast<const char*>(map) + 4,
              sizeof(MAPREGISTEREX) - 4);
  // A topographic map with projection data takes its sheet's plane corners
  // from the geodetic ones; one without gets its type's defaults and the
  // sheet from its nomenclature (a nomenclature that is no sheet name
  // leaves the corners as given). A map of another type keeps its register.
  const double axis = reg.Map.AxisMeridian;
  const bool fromGeodetic = reg.Map.MapType == MAPTYPE_TOPOGRAPHIC && reg.Map.DataProjection != 0 &&
                            axis >= -2 * std::numbers::pi && axis <= 2 * std::numbers::pi;
  reg.PrepareRegister(fromGeodetic ? 1 : 0);
  if (reg.Map.DeviceCapability == 0) reg.Map.DeviceCapability = MAPREGISTER_DEVICECAPABILITY;
  return CreateAndOpen(doc, name, rscname, reg);
}

TMapAccess* CreateMapDocumentOld(const char* name, const char* rscname, const void* map,
                                 const LISTREGISTER* sheet) {
  MAPREGISTEREX full;
  if (!MapRegisterFromOld(map, &full)) return nullptr;
  return CreateMapDocument(name, rscname, &full, sheet);
}

TMapAccess* CreatePlaneDocument(const char* name, const char* rscname, const CREATEPLANE* plane) {
  if (plane == nullptr || plane->Scale == 0) return nullptr;
  TMapAccess* doc = NewDocument();
  if (doc == nullptr) return nullptr;
  TMapRegister reg;
  reg.RegisterFromMapType(5);
  reg.Map.CoordinateSystem = -1;
  reg.Map.FrameKind = -1;
  reg.Map.Scale = plane->Scale;
  CopyField(reg.Map.Name, sizeof(reg.Map.Name), plane->MapName, sizeof(plane->MapName));
  LISTREGISTER& s = reg.List.Register;
  CopyField(s.Nomenclature, sizeof(s.Nomenclature), plane->Nomenclature,
            sizeof(plane->Nomenclature));
  CopyField(s.Name, sizeof(s.Name), plane->ListName, sizeof(plane->ListName));
  CopyField(s.FileName, sizeof(s.FileName), plane->FileName, sizeof(plane->FileName));
  s.XSouthWest = plane->XSouthWest, s.YSouthWest = plane->YSouthWest;
  s.XNorthWest = plane->XNorthWest, s.YNorthWest = plane->YNorthWest;
  s.XNorthEast = plane->XNorthEast, s.YNorthEast = plane->YNorthEast;
  s.XSouthEast = plane->XSouthEast, s.YSouthEast = plane->YSouthEast;
  return CreateAndOpen(doc, name, rscname, reg);
}

TMapAccess* CreateSiteDocument(const char* name, const char* rscname, CREATESITE* site) {
  if (site == nullptr || name == nullptr) return nullptr;
  TMapAccess* doc = NewDocument();
  if (doc == nullptr) return nullptr;
  TMapRegister reg;
  reg.RegisterFromMapType(site->MapType);
  if (site->MaterialProjection != 0) {
    reg.Map.MaterialProjection = site->MaterialProjection;
    if (site->MaterialProjection == 8) reg.Map.DataProjection = 1;
  } else {
    reg.Map.CoordinateSystem = -1;
    reg.Map.FrameKind = -1;
  }
  reg.Map.DeviceCapability = 1;
  reg.Map.IsRealPlace = 1;
  if (site->Scale == 0) site->Scale = 100000;
  reg.Map.Scale = site->Scale;
  TakeSiteName(reg, site->MapName);
  CopyField(reg.List.Register.FileName, sizeof(reg.List.Register.FileName), name, MAX_PATH);
  reg.Map.FirstMainParallel = site->FirstMainParallel;
  reg.Map.SecondMainParallel = site->SecondMainParallel;
  reg.Map.AxisMeridian = site->AxisMeridian;
  reg.Map.MainPointParallel = site->MainPointParallel;
  return CreateAndOpen(doc, name, rscname, reg);
}

TMapAccess* CreateTempSiteDocument(const char* rscname) {
  TMapAccess* doc = NewDocument();
  if (doc == nullptr) return nullptr;
  if (!doc->CreateTempMap(rscname)) {
    FreeDocument(doc);
    return nullptr;
  }
  // The document takes the new map as its main map.
  doc->BaseScale = doc->Scale();
  doc->SetDisScale(doc->BaseScale);
  doc->SetDisToMeter(doc->BaseScale / doc->Dis.Base);
  doc->SetViewScale(doc->DrawScale);
  doc->SetupPalette();
  return doc;
}

int CreateAndAppendSite(TMapAccess* doc, const char* name, const char* rscname,
                        const CREATESITE* site) {
  if (doc == nullptr || name == nullptr || site == nullptr) return 0;
  TMapRegister reg;
  // The projection of the main map, else of the first user map.
  TMap* model = doc->TMap::IsActive() ? doc : doc->GetMap(1);
  if (model != nullptr && model->IsActive()) {
    model->ListToRegister(&reg, 1);
    reg.List.Clear();
  } else {
    reg.RegisterFromMapType(site->MapType);
  }
  reg.Map.DeviceCapability = 1;
  reg.Map.IsRealPlace = 1;
  CopyField(reg.List.Register.FileName, sizeof(reg.List.Register.FileName), name, MAX_PATH);
  if (site->MaterialProjection != 0) reg.Map.MaterialProjection = site->MaterialProjection;
  if (site->Scale != 0) reg.Map.Scale = site->Scale;
  TakeSiteName(reg, site->MapName);
  if (site->FirstMainParallel != 0.0) reg.Map.FirstMainParallel = site->FirstMainParallel;
  if (site->SecondMainParallel != 0.0) reg.Map.SecondMainParallel = site->SecondMainParallel;
  if (site->AxisMeridian != 0.0) reg.Map.AxisMeridian = site->AxisMeridian;
  if (site->MainPointParallel != 0.0) reg.Map.MainPointParallel = site->MainPointParallel;
  auto local = std::make_unique<TMap>();
  if (!local->CreateData(name, rscname, &reg)) {
    local->DeleteList(1, 1);
    local->CloseData();
    return 0;
  }
  local->CloseData();
  return doc->OpenSit(name, 0);
}

int CreateDocumentList(TMapAccess* doc, const LISTREGISTER* sheet) {
  if (doc == nullptr || sheet == nullptr) return 0;
  TListRegister reg;
  std::memcpy(reinterpret_cast<char*>(&reg.Register) + 4, reinterpret_cast<const char*>(sheet) + 4,
              sizeof(LISTREGISTER) - 4);
  return doc->TMap::CreateList(&reg, 1) ? 1 : 0;
}

int AppendMapToDocument(TMapAccess* doc, const char* name, HWND window) {
  if (doc == nullptr || name == nullptr) return 0;
  auto other = std::make_unique<TMap>();
  if (!other->OpenData(name, 0)) return 0;
  const int result = doc->Append(other.get(), window);
  other->CloseData();
  return result;
}

int DeleteDocumentMap(TMapAccess* doc) {
  if (doc == nullptr) return 0;
  for (int n = doc->Count(); n >= 1; --n) doc->TMap::DeleteList(n, 1);
  char path[MAX_PATH], folder[MAX_PATH], file[MAX_PATH];
  std::memcpy(path, doc->Path, sizeof(path));
  std::memcpy(folder, doc->LogFolder, sizeof(folder));
  std::memcpy(file, doc->FileName, sizeof(file));
  FreeDocument(doc);
  // The logs are named after the map file with its extension.
  for (const char* ext : {".log", ".ini", ".tac", ".LOG", ".INI", ".TAC"}) {
    char log[2 * MAX_PATH];
    std::snprintf(log, sizeof(log), "%s%s%s", folder, file, ext);
    plat::DeleteFileA(log);
  }
  const size_t length = std::strlen(folder);
  if (length > 0 && (folder[length - 1] == '\\' || folder[length - 1] == '/'))
    folder[length - 1] = 0;
  if (folder[0]) plat::RemoveDirectoryA(folder);
  if (!path[0]) return 0;
  const int result = plat::DeleteFileA(path) ? 1 : 0;
  char ini[MAX_PATH + 8];
  std::snprintf(ini, sizeof(ini), "%s.ini", path);
  plat::DeleteFileA(ini);
  return result;
}

int CheckAndUpdateRegister(const MAPREGISTEREX* map, LISTREGISTER* sheet, int mode) {
  if (map == nullptr || sheet == nullptr) return 0;
  auto translate = std::make_unique<TTranslate>();
  CONSTPROJ parameters = {map->FirstMainParallel, map->SecondMainParallel, map->AxisMeridian,
                          map->MainPointParallel, map->PoleLatitude,       map->PoleLongitude};
  if (translate->SetProjection(map->MaterialProjection, &parameters, map->EllipsoideKind) != 0)
    return 0;
  struct Corner {
    double* x;
    double* y;
    double* b;
    double* l;
  } corners[4] = {
      {&sheet->XSouthWest, &sheet->YSouthWest, &sheet->BSouthWestCoordinate,
       &sheet->LSouthWestCoordinate},
      {&sheet->XNorthWest, &sheet->YNorthWest, &sheet->BNorthWestCoordinate,
       &sheet->LNorthWestCoordinate},
      {&sheet->XNorthEast, &sheet->YNorthEast, &sheet->BNorthEastCoordinate,
       &sheet->LNorthEastCoordinate},
      {&sheet->XSouthEast, &sheet->YSouthEast, &sheet->BSouthEastCoordinate,
       &sheet->LSouthEastCoordinate},
  };
  for (const Corner& c : corners) {
    if (mode == 0)
      translate->BL2XY(*c.b, *c.l, c.x, c.y);
    else
      translate->XY2BL(*c.x, *c.y, c.b, c.l);
  }
  return 1;
}

int CheckAndUpdateOld(const void* map, LISTREGISTER* sheet, int mode) {
  MAPREGISTEREX full;
  if (!MapRegisterFromOld(map, &full)) return 0;
  return CheckAndUpdateRegister(&full, sheet, mode);
}
