// What an open classifier answers, as lines of text: the header values,
// every kind through the object queries (images, semantics, relations,
// defaults, series limits and variants), every semantic with its lists,
// the layers with their semantic lists, palettes, fonts, image libraries
// and the images of semantic values. Two classifiers that answer alike give equal snapshots; the first
// differing line tells where they part.
#pragma once

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "classifier/maprsc.h"
#include "classifier/rscqueryint.h"

namespace rsctest {

using Snapshot = std::vector<std::string>;

inline std::string Hex(const void* data, size_t size) {
  std::string text;
  char byte[4];
  for (size_t i = 0; i < size; i++) {
    snprintf(byte, sizeof byte, "%02x", ((const unsigned char*)data)[i]);
    text += byte;
  }
  return text;
}

inline Snapshot TakeSnapshot(TMapRsc& rsc) {
  Snapshot lines;
  char line[512];
  auto add = [&lines, &line](auto... args) {
    snprintf(line, sizeof line, args...);
    lines.emplace_back(line);
  };
  add("kinds %d sems %d layers %d style %u maxkey %u table %u", rsc.GetObjCount(), rsc.GetSemCount(),
      rsc.GetSegCount(), unsigned(rsc.Head.Style), unsigned(rsc.Head.MaxKey), unsigned(rsc.Head.ScaleTable));
  const int semCount = rsc.GetSemCount();
  for (int n = 1; n <= rsc.GetObjCount(); n++) {
    const DWORD excode = DWORD(rsc.GetObjExcode(n));
    add("%d: %u L%d S%d X%d V%d B%d T%d F%d D%d E%d I%d key '%s' name '%s'", n, unsigned(excode),
        rsc.GetObjLocal(n), rsc.GetObjSegment(n), rsc.GetObjExtloc(n), rsc.GetObjExtend(n), rsc.GetObjBot(n),
        rsc.GetObjTop(n), rsc.GetObjScale(n), rsc.GetObjDirect(n), rsc.GetObjExtsem(n), int(rsc.GetObjIdent(n)),
        rsc.GetObjKey(n), rsc.GetObjName(n));
    // A deleted kind is a placeholder: the file keeps its record only.
    if (excode == 0) continue;
    add("  image %d %s", rsc.GetObjFunction(n), Hex(rsc.GetPar(n), size_t(rsc.GetParLength(n))).c_str());
    if (rsc.GetTabPrn(n))
      add("  printer %d %s", int(rsc.GetTabPrn(n)->Function), Hex(rsc.GetPrn(n), size_t(rsc.GetPrnLength(n))).c_str());
    std::string codes;
    for (int i = 1; i <= rsc.GetObjMustSemCount(n); i++) codes += " " + std::to_string(rsc.GetObjMustSem(n, i));
    codes += " /";
    for (int i = 1; i <= rsc.GetObjOnlyPosSemCount(n); i++) codes += " " + std::to_string(rsc.GetObjOnlyPosSem(n, i));
    add("  semantics%s", codes.c_str());
    TABOBJ* obj = rsc.GetTabObj(n);
    for (int i = 0; obj && i < obj->RelCount; i++) {
      const RSCRELATION& r = rscRelations(obj)[i];
      add("  relation %u %u %.7s %d", unsigned(r.Ident), unsigned(r.Code), r.Prefix, r.Flag);
    }
    for (int i = 1; i <= semCount; i++) {
      const DWORD code = rsc.GetSemOrderExcode(i);
      const int can = rsc.GetObjCanSem(n, code);
      TABDEF* def = rsc.GetTabDef(n, code);
      if (can || def)
        add("  sem %u can %d def %s", unsigned(code), can, def ? Hex(def, sizeof *def).c_str() : "-");
    }
    if (const TABLIM* lim = rscSeriesLim(&rsc.ObjIndex[n])) {
      const size_t cells = size_t(lim->Count1 ? lim->Count1 : 1) * (lim->Count2 ? lim->Count2 : 1);
      add("  limits %u/%u/%u %u/%u/%u %s | %s", unsigned(lim->Code1), lim->Count1, lim->Def1, unsigned(lim->Code2),
          lim->Count2, lim->Def2, Hex(rscLimValues(lim), 8 * (size_t(lim->Count1) + lim->Count2)).c_str(),
          Hex(rscLimVariants(lim), lim->Count1 ? cells : 0).c_str());
      add("  variant of %d: %d", rsc.GetObjExtend(n), rsc.GetObjIncode(excode, rsc.GetObjLocal(n), rsc.GetObjExtend(n)));
    }
    RSCOBJECT desc;
    rsc.GetDescribeObj(n, &desc);
    add("  describe %s", Hex(&desc, sizeof desc).c_str());
  }
  for (int i = 1; i <= semCount; i++) {
    const DWORD code = rsc.GetSemOrderExcode(i);
    TABSEM* sem = rsc.GetTabSem(code);
    add("sem %u type %d '%s' '%.16s' '%s' R%d C%d size %d.%d", unsigned(code), rsc.GetSemType(code),
        rsc.GetSemName(code), sem->Short, rsc.GetSemUnit(code), sem->Reply, sem->Common, sem->Size, sem->Decimal);
    if (const TABCLS* cls = rscClsList(&rsc, sem)) add("  values %s", Hex(cls, sem->ClsCount * sizeof *cls).c_str());
    if (const TABDEF* def = rscDefList(&rsc, sem)) add("  defaults %s", Hex(def, sem->DefCount * sizeof *def).c_str());
  }
  for (int s = 0; s < rsc.GetSegCount(); s++) {
    std::string codes;
    for (int i = 1; i <= rsc.GetSegSemCount(s); i++) codes += " " + std::to_string(rsc.GetSegSemCode(s, i));
    add("layer %d '%s' '%s' %d:%s", s, rsc.GetSegName(s), rsc.GetSegShortName(s), rsc.GetSegOrder(s), codes.c_str());
  }
  add("colours %d style %d", rsc.GetRscColorCount(), rsc.ColorStyle());
  for (int p = 1; p <= rsc.GetPaletteCount(); p++)
    add("palette '%s' %s", rsc.GetPaletteName(p), Hex(rsc.GetPalette(p), 1024).c_str());
  for (int f = 1; f <= rsc.GetFontCount(); f++) {
    RSCFONT font;
    const int code = rsc.GetFont(f, &font);
    add("font %d '%s' '%s' %u fixed %d", code, font.Face, font.Name, unsigned(font.Charset), rsc.GetFontFixedChar(f));
  }
  for (int l = 1; l <= rsc.GetImlCount(); l++)
    add("library %d '%s' '%s'", rsc.GetImlCode(l), rsc.GetImlNameDLL(l), rsc.GetImlName(l));
  // An item's entry without an image yet is not kept in the file.
  for (int g = 0; g < rsc.GetGrsItemCount(); g++) {
    const RSCGRSINDEX& e = rsc.GrsIndex[g];
    if (e.Image)
      add("grs %d %u %u %u %s", e.Number, unsigned(e.Code), unsigned(e.Value), unsigned(e.Function),
          Hex(e.Image, e.Image->Length).c_str());
  }
  return lines;
}

// Empty when equal, else the first line that differs (and its place).
inline std::string FirstDifference(const Snapshot& a, const Snapshot& b) {
  for (size_t i = 0; i < a.size() || i < b.size(); i++) {
    const std::string x = i < a.size() ? a[i] : "(end)", y = i < b.size() ? b[i] : "(end)";
    if (x != y) return "line " + std::to_string(i) + ":\n  " + x + "\n  " + y;
  }
  return "";
}

}  // namespace rsctest
