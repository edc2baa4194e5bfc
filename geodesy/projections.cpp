// The table of projection kinds.
#include "geodesy/projections.h"

#include <array>
#include <iterator>

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

struct Row {
  int32_t Kind;
  ProjectionEntry Entry;
};

using PC = ParameterCheck;

// One row per supported kind; the columns of On[] are ellipsoid kind 1,
// ellipsoid kinds 5 and 9, and every other ellipsoid kind. A row whose
// conversions are null answers MAPERR_PROJECTION on every ellipsoid; the
// comment of each row names the columns the kind serves.
constexpr Row kRows[] = {
    // Gauss-Krueger: Krasovsky series on ellipsoid 1 and on the others.
    {1, {PC::AxisOnly, SetupGaussKrugerZone, nullptr, {kGaussKruger, kNone, kGaussKruger}}},
    // Conformal conic: every ellipsoid.
    {2, {PC::TwoParallels, nullptr, nullptr, {kNone, kNone, kNone}}},
    // Globe: ellipsoid 1 and the others.
    {3, {PC::General, nullptr, nullptr, {kNone, kNone, kNone}}},
    // Formula family, polar azimuthal equidistant: ellipsoid 1.
    {6, {PC::General, nullptr, nullptr, {kNone, kNone, kNone}}},
    // Conformal cylindrical: every ellipsoid.
    {8, {PC::NoSecond, nullptr, nullptr, {kNone, kNone, kNone}}},
    // Blank: ellipsoid 1 and the others.
    {16, {PC::General, nullptr, nullptr, {kNone, kNone, kNone}}},
    // Zone system: ellipsoids 5 and 9 and the others.
    {17, {PC::AxisOnly, SetupZoneSystemOnEllipsoid, nullptr, {kNone, kNone, kNone}}},
    // Formula family, kinds 18-31: ellipsoid 1 (set-up too, except 26, 28).
    {18, {PC::General, nullptr, nullptr, {kNone, kNone, kNone}}},
    {19, {PC::General, nullptr, nullptr, {kNone, kNone, kNone}}},
    {20, {PC::TwoParallels, nullptr, nullptr, {kNone, kNone, kNone}}},
    {21, {PC::TwoParallels, nullptr, nullptr, {kNone, kNone, kNone}}},
    {22, {PC::TwoParallels, nullptr, nullptr, {kNone, kNone, kNone}}},
    {23, {PC::TwoParallels, nullptr, nullptr, {kNone, kNone, kNone}}},
    {24, {PC::General, nullptr, nullptr, {kNone, kNone, kNone}}},
    {25, {PC::General, nullptr, nullptr, {kNone, kNone, kNone}}},
    {26, {PC::General, nullptr, nullptr, {kNone, kNone, kNone}}},
    {27, {PC::General, nullptr, nullptr, {kNone, kNone, kNone}}},
    {28, {PC::General, nullptr, nullptr, {kNone, kNone, kNone}}},
    {29, {PC::TwoParallels, nullptr, nullptr, {kNone, kNone, kNone}}},
    {30, {PC::TwoParallels, nullptr, nullptr, {kNone, kNone, kNone}}},
    {31, {PC::General, nullptr, nullptr, {kNone, kNone, kNone}}},
    // Zone system carried by the parameters: ellipsoid 1.
    {32, {PC::AxisOnly, nullptr, SetupCK63, {kNone, kNone, kNone}}},
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
