// The table of projection kinds.
#include "geodesy/projections.h"

#include <array>
#include <iterator>

#include "geodesy/formula_family.h"
#include "geodesy/translate.h"

namespace {

// Set-ups shared by several rows.

// Gauss-Krueger works in the 6-degree zone of the axis meridian.
void SetupGaussKrugerZone(TTranslate* t) { IdentifyZone(t, t->AxisMeridian); }

// Zones of fixed width on ellipsoids 3-9, by ellipsoid kind; other
// ellipsoid kinds get none.
constexpr ProjectionSetup kZoneSystemSetups[] = {
    nullptr,          // 0
    nullptr,          // 1 Krasovsky: zones of its own (kind 32)
    nullptr,          // 2
    InitUTM,          // 3
    InitUTMforNAD27,  // 4
    InitUTM,          // 5
    InitUTM,          // 6
    InitUTM,          // 7
    InitUTM,          // 8
    InitUTMforWGS84,  // 9
};

void SetupZoneSystemOnEllipsoid(TTranslate* t) {
  const int32_t e = t->EllipsoidKind;
  if (e < 0 || e >= static_cast<int32_t>(std::size(kZoneSystemSetups))) return;
  if (!kZoneSystemSetups[e]) return;
  kZoneSystemSetups[e](t);
  InitNumberZone_in_Ill_l(t, t->AxisMeridian);
}

// The zone system carried by the projection parameters, on Krasovsky.
void SetupCK63(TTranslate* t) {
  InitCK63(t);
  InitNumberZone_in_Ill_l(t, t->AxisMeridian);
}

constexpr Conversions kNone{nullptr, nullptr};
constexpr Conversions kGaussKruger{XY2BL_GK, BL2XY_GK};
constexpr Conversions kConic{XY2BL_CON, BL2XY_CON};
constexpr Conversions kCylindrical{XY2BL_CYL, BL2XY_CYL};
constexpr Conversions kGlobe{XY2BL_GLOBE, BL2XY_GLOBE};
constexpr Conversions kBlank{XY2BL_BLANK, BL2XY_BLANK};
constexpr Conversions kZoneSystem{XY2BL_in_Ill, BL2XY_in_Ill};

struct Row {
  int32_t Kind;
  ProjectionEntry Entry;
};

using PC = ParameterCheck;

// A formula-family kind: its set-up on ellipsoid 1 and its conversions there.
constexpr ProjectionEntry Family(PC check, ProjectionSetup setup, PointConversion xy2bl,
                                 PointConversion bl2xy) {
  return {check, nullptr, setup, {{xy2bl, bl2xy}, kNone, kNone}};
}

// One row per supported kind; the columns of On[] are ellipsoid kind 1,
// ellipsoid kinds 5 and 9, and every other ellipsoid kind. A row whose
// conversions are null answers MAPERR_PROJECTION on every ellipsoid; the
// comment of each row names the columns the kind serves.
constexpr Row kRows[] = {
    // Gauss-Krueger: Krasovsky series on ellipsoid 1 and on the others.
    {1, {PC::AxisOnly, SetupGaussKrugerZone, nullptr, {kGaussKruger, kNone, kGaussKruger}}},
    // Conformal conic: every ellipsoid.
    {2, {PC::TwoParallels, nullptr, nullptr, {kConic, kConic, kConic}}},
    // Globe: ellipsoid 1 and the others.
    {3, {PC::General, nullptr, nullptr, {kGlobe, kNone, kGlobe}}},
    // Formula family, polar azimuthal equidistant: ellipsoid 1.
    {6, Family(PC::General, InitKind6, XY2BL_Kind6, BL2XY_Kind6)},
    // Conformal cylindrical: every ellipsoid.
    {8, {PC::NoSecond, nullptr, nullptr, {kCylindrical, kCylindrical, kCylindrical}}},
    // Blank: ellipsoid 1 and the others.
    {16, {PC::General, nullptr, nullptr, {kBlank, kNone, kBlank}}},
    // Zone system: ellipsoids 5 and 9 and the others.
    {17, {PC::AxisOnly, SetupZoneSystemOnEllipsoid, nullptr, {kNone, kZoneSystem, kZoneSystem}}},
    // Formula family, kinds 18-31: ellipsoid 1 (set-up too, except 26, 28).
    {18, Family(PC::General, InitKind18, XY2BL_Kind18, BL2XY_Kind18)},
    {19, Family(PC::General, InitKind19, XY2BL_Kind19, BL2XY_Kind19)},
    {20, Family(PC::TwoParallels, InitKind20, XY2BL_Kind20, BL2XY_Kind20)},
    {21, Family(PC::TwoParallels, InitKind21, XY2BL_Kind21, BL2XY_Kind21)},
    {22, Family(PC::TwoParallels, InitKind22, XY2BL_Kind22, BL2XY_Kind22)},
    {23, Family(PC::TwoParallels, InitKind23, XY2BL_Kind23, BL2XY_Kind23)},
    {24, Family(PC::General, InitKind24, XY2BL_Kind24, BL2XY_Kind24)},
    {25, Family(PC::General, InitKind25, XY2BL_Kind25, BL2XY_Kind25)},
    {26, Family(PC::General, nullptr, XY2BL_Kind26, BL2XY_Kind26)},
    {27, Family(PC::General, InitKind27, XY2BL_Kind27, BL2XY_Kind27)},
    {28, Family(PC::General, nullptr, XY2BL_Kind28, BL2XY_Kind28)},
    {29, Family(PC::TwoParallels, InitKind29, XY2BL_Kind29, BL2XY_Kind29)},
    {30, Family(PC::TwoParallels, InitKind30, XY2BL_Kind30, BL2XY_Kind30)},
    {31, Family(PC::General, InitKind31, XY2BL_Kind31, BL2XY_Kind31)},
    // Zone system carried by the parameters: ellipsoid 1.
    {32, {PC::AxisOnly, nullptr, SetupCK63, {kZoneSystem, kNone, kNone}}},
};

constexpr ProjectionEntry kUnknown{PC::Unknown, nullptr, nullptr, {kNone, kNone, kNone}};

constexpr std::array<ProjectionEntry, PRJ_KINDCOUNT> MakeTable() {
  std::array<ProjectionEntry, PRJ_KINDCOUNT> table{};
  for (auto& e : table) e = kUnknown;
  for (const Row& r : kRows) table[r.Kind] = r.Entry;
  return table;
}

constexpr std::array<ProjectionEntry, PRJ_KINDCOUNT> kTable = MakeTable();

}  // namespace

const ProjectionEntry& FindProjection(int32_t kind) {
  if (kind < 0 || kind >= PRJ_KINDCOUNT) return kUnknown;
  return kTable[kind];
}
