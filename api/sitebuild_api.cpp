// The builders of a user map's marginal representation: each makes a work
// object on sheet 1 of the user map through the object functions, turns it
// when asked and saves it; the template reader places them around a frame
// in millimetres on paper.
#include "api/sitebuild_api.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>

#include "api/coord_api.h"
#include "api/object_api.h"
#include "api/objgeom_api.h"
#include "api/objmetric_api.h"
#include "api/objsem_api.h"
#include "api/site_api.h"
#include "objects/objectinfo.h"
#include "platform/file.h"
#include "platform/numeric.h"
#include "types/crosspoint.h"
#include "types/rsctypes.h"

namespace {

// The kind of every work object: plane points in doubles.
constexpr LONG kWorkKind = 0x7FFC7FFC;
// Characters of a template line (and its terminating zero).
constexpr size_t kLineSize = 260;
// One arc minute, the step of the traced parallels and meridians.
constexpr double kArcMinute = 0.0002908882086657216;
constexpr double kDegree = std::numbers::pi / 180.0;
constexpr double kFullTurn = 2 * std::numbers::pi;
// The ground length of a degree label's line, metres.
constexpr double kLabelLength = 200.0;

// A work object on sheet 1 of the site, released at the end.
class WorkObject {
 public:
  WorkObject(HMAP hMap, HSITE hSite)
      : handle_(hSite != 0 ? mapCreateSiteObject(hMap, hSite, kWorkKind, 0) : 0) {}
  ~WorkObject() {
    if (handle_ != 0) mapFreeObject(handle_);
  }
  WorkObject(const WorkObject&) = delete;
  WorkObject& operator=(const WorkObject&) = delete;
  HOBJ get() const { return handle_; }
  explicit operator bool() const { return handle_ != 0; }
  // Empty again for the next object; then registered as the kind, when one
  // is given: true when it is.
  bool Begin(LONG code, LONG local) {
    return mapClearObject(handle_, 1, kWorkKind) != 0 &&
           mapRegisterObject(handle_, code, local) != 0;
  }
  void Add(double x, double y, LONG subject = 0) { mapAppendPointPlane(handle_, x, y, subject); }

 private:
  HOBJ handle_;
};

// Turns the object about the centre when asked, and saves it: 1, or 0.
LONG TurnAndCommit(HOBJ object, double angle, const DOUBLEPOINT* centre) {
  if (angle != 0.0 && centre != nullptr)
    if (TObjectInfo* o = TObjectInfo::FromOpenHandle(object)) o->RotateObject(*centre, angle);
  return mapCommit(object) > 0 ? 1 : 0;
}

// A closed rectangle: the frame widened by d on every side.
void AddRectangle(WorkObject& w, const DFRAME& f, double d, LONG subject) {
  w.Add(f.X1 - d, f.Y1 - d, subject);
  w.Add(f.X2 + d, f.Y1 - d, subject);
  w.Add(f.X2 + d, f.Y2 + d, subject);
  w.Add(f.X1 - d, f.Y2 + d, subject);
  w.Add(f.X1 - d, f.Y1 - d, subject);
}

// The scale denominator of the main map.
double MainScale(HMAP hMap) { return double(mapGetSiteScale(hMap, hMap)); }

// --- The template ---

// Lines of a text file as a line reader of `kLineSize` bytes gives them:
// at most kLineSize - 1 characters at a time, through the line's end.
class TemplateFile {
 public:
  explicit TemplateFile(const char* name)
      : file_(plat::CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~TemplateFile() {
    if (IsOpen()) plat::CloseHandle(file_);
  }
  TemplateFile(const TemplateFile&) = delete;
  TemplateFile& operator=(const TemplateFile&) = delete;
  bool IsOpen() const { return file_ != nullptr && file_ != INVALID_HANDLE_VALUE; }
  // The next line without its line end; false at the end of the file.
  bool Next(char (&line)[kLineSize]) {
    size_t n = 0;
    bool any = false;
    while (n + 1 < kLineSize) {
      if (at_ == filled_ && !Fill()) break;
      any = true;
      const char c = block_[at_++];
      if (c == '\n') break;
      line[n++] = c;
    }
    while (n > 0 && line[n - 1] == '\r') --n;
    line[n] = 0;
    return any;
  }

 private:
  bool Fill() {
    DWORD read = 0;
    if (!plat::ReadFile(file_, block_, sizeof block_, &read, nullptr) || read == 0) return false;
    at_ = 0;
    filled_ = read;
    return true;
  }
  HANDLE file_;
  char block_[4096];
  DWORD at_ = 0, filled_ = 0;
};

// What a template works with.
struct TemplateRun {
  HMAP hMap;
  HSITE hSite;
  DFRAME frame;
  double angle;
  DOUBLEPOINT* centre;
  double f;  // metres on the ground per millimetre on paper
  WorkObject& work;
};

// Anchor `position` of the frame: 1 the south-west corner, then clockwise
// the corners and side middles; any other number is 1.
DOUBLEPOINT Anchor(const DFRAME& r, int position) {
  const double mx = (r.X1 + r.X2) / 2, my = (r.Y1 + r.Y2) / 2;
  switch (position) {
    case 2: return {mx, r.Y1};
    case 3: return {r.X2, r.Y1};
    case 4: return {r.X2, my};
    case 5: return {r.X2, r.Y2};
    case 6: return {mx, r.Y2};
    case 7: return {r.X1, r.Y2};
    case 8: return {r.X1, my};
    default: return {r.X1, r.Y1};
  }
}

bool Starts(const char* line, const char* word) {
  return std::strncmp(line, word, std::strlen(word)) == 0;
}

void RscLine(const TemplateRun& t, const char* line) {
  int code;
  double x1, y1, x2, y2;
  if (std::sscanf(line, "%*s %i %lf %lf %lf %lf", &code, &x1, &y1, &x2, &y2) != 5) return;
  const DFRAME& r = t.frame;
  mapCreateLineSite(t.hMap, t.hSite, code, r.X1 + x1 * t.f, r.Y1 + y1 * t.f, r.X1 + x2 * t.f,
                    r.Y1 + y2 * t.f, t.angle, t.centre);
}

void RscFrame(const TemplateRun& t, const char* line) {
  int outer, fill, inner;
  double width;
  if (std::sscanf(line, "%*s %i %lf %i %i", &outer, &width, &fill, &inner) != 4) return;
  DFRAME frame = t.frame;
  mapCreateFrameFillSite(t.hMap, t.hSite, inner, fill, outer, width * t.f, &frame, t.angle,
                         t.centre);
}

// A text of a template line: byte 255 kept through the scan, '~' a line
// break (it becomes CR and the character after it LF; at the end CR LF).
void RscText(const TemplateRun& t, char* line) {
  mapPreSscanf(line, LONG(std::strlen(line)), 0);
  int code, position, align;
  double x1, y1, x2, y2;
  char text[kLineSize + 1] = {};  // room for the LF after a final '~'
  if (std::sscanf(line, "%*s %i %i %lf %lf %lf %lf %i %259[^\n]", &code, &position, &x1, &y1, &x2,
                  &y2, &align, text) != 8)
    return;
  mapPostSscanf(text, LONG(std::strlen(text)), 0);
  for (size_t i = 0; text[i] != 0; ++i) {
    if (text[i] != '~') continue;
    text[i] = '\r';
    text[i + 1] = '\n';  // a final '~' gets its LF in the spare byte
    ++i;
  }
  const DOUBLEPOINT a = Anchor(t.frame, position);
  mapCreateTitleSite(t.hMap, t.hSite, code, text, a.X + x1 * t.f, a.Y + y1 * t.f, a.X + x2 * t.f,
                     a.Y + y2 * t.f, align, 0, t.angle, t.centre);
}

void Direction(const TemplateRun& t, const char* line) {
  int code, position;
  double x, y, length;
  if (std::sscanf(line, "%*s %i %i %lf %lf %lf", &code, &position, &x, &y, &length) != 5) return;
  // A vector kind of the code, else a line kind; none: nothing.
  LONG local = LOCAL_VECTOR;
  if (mapSiteRscObjectCode(t.hMap, t.hSite, code, LOCAL_VECTOR) <= 0) {
    if (mapSiteRscObjectCode(t.hMap, t.hSite, code, LOCAL_LINE) <= 0) return;
    local = LOCAL_LINE;
  }
  const DOUBLEPOINT a = Anchor(t.frame, position);
  const double x0 = a.X + x * t.f, y0 = a.Y + y * t.f;
  const double turn = std::numbers::pi / 2;
  if (!t.work.Begin(code, local)) return;
  t.work.Add(x0, y0);
  t.work.Add(x0 + length * t.f * std::cos(turn), y0 + length * t.f * std::sin(turn));
  TurnAndCommit(t.work.get(), t.angle, t.centre);
}

// The label of a degree line: its whole degrees (two digits from 0 to 9)
// and the degree sign of the map fonts.
void DegreeLabel(double radians, char (&label)[16]) {
  const int degrees = plat::TruncateTo<int>(radians / kDegree + (radians < 0 ? -1e-9 : 1e-9));
  std::snprintf(label, sizeof label, "%s%i\xDC", degrees >= 0 && degrees < 10 ? "0" : "", degrees);
}

// The first crossing of the traced line with a side of the frame, plane
// metres: false when they do not cross.
bool CrossSide(const TemplateRun& t, WorkObject& side, DOUBLEPOINT from, DOUBLEPOINT to,
               DOUBLEPOINT* at) {
  if (mapClearObject(side.get(), 1, kWorkKind) == 0) return false;
  side.Add(from.X, from.Y);
  side.Add(to.X, to.Y);
  const HANDLE list = mapCreateObjectCrossPoints(t.work.get(), side.get());
  if (list == nullptr) return false;
  CROSSPOINT p{};
  const bool found = mapGetCrossCount(list) > 0 && mapGetCrossPoint(list, 1, &p) != 0;
  mapFreeCrossPoints(list);
  if (found) *at = DOUBLEPOINT{p.X, p.Y};
  return found;
}

// Traces a parallel (latitude b, along longitudes) or a meridian
// (longitude b, along latitudes) from `from` to `to` in arc minutes into
// the work object: false when a point does not convert.
bool TraceLine(const TemplateRun& t, bool parallel, double value, double from, double to) {
  if (mapClearObject(t.work.get(), 1, kWorkKind) == 0) return false;
  for (double v = from;; v += kArcMinute) {
    if (v > to) v = to;
    double b = parallel ? value : v, l = parallel ? v : value;
    if (!mapGeoToPlane(t.hMap, &b, &l)) return false;
    t.work.Add(b, l);
    if (v >= to) return true;
  }
}

void GeoText(const TemplateRun& t, const char* line) {
  int code;
  double step, offset;
  if (std::sscanf(line, "%*s %i %lf %lf", &code, &step, &offset) != 3) return;
  // A step below a degree would trace without end, and one above a full
  // turn would trace the margins around the globe many times over.
  if (!(step >= 1.0 && step <= 360.0) || !std::isfinite(offset)) return;
  const double o = offset * t.f, s = step * kDegree;
  const DFRAME& r = t.frame;
  const double mx = (r.X1 + r.X2) / 2, my = (r.Y1 + r.Y2) / 2;
  const DOUBLEPOINT points[8] = {{r.X1, r.Y1}, {mx, r.Y1}, {r.X2, r.Y1}, {r.X2, my},
                                 {r.X2, r.Y2}, {mx, r.Y2}, {r.X1, r.Y2}, {r.X1, my}};
  double minB = 99999, maxB = -99999, minL = 99999, maxL = -99999;
  // A corner off the globe (a frame of impossible size) is refused: its
  // lines would be traced in arc minutes across any number of turns.
  for (DOUBLEPOINT p : points) {
    if (!mapPlaneToGeo(t.hMap, &p.X, &p.Y) || !(std::fabs(p.X) <= kFullTurn) ||
        !(std::fabs(p.Y) <= kFullTurn))
      return;
    minB = std::fmin(minB, p.X), maxB = std::fmax(maxB, p.X);
    minL = std::fmin(minL, p.Y), maxL = std::fmax(maxL, p.Y);
  }
  maxB += 4 * s, maxL += 4 * s, minB -= 4 * s;
  minB = std::trunc(minB / s) * s;
  minL = std::trunc(minL / s) * s;

  WorkObject side(t.hMap, t.hSite);
  if (!side) return;
  const DOUBLEPOINT sw{r.X1, r.Y1}, nw{r.X2, r.Y1}, ne{r.X2, r.Y2}, se{r.X1, r.Y2};
  char label[16];
  DOUBLEPOINT c;
  for (double b = minB; b < maxB; b += s) {
    if (!TraceLine(t, true, b, minL, maxL)) continue;
    DegreeLabel(b, label);
    if (CrossSide(t, side, sw, nw, &c))
      mapCreateTitleSite(t.hMap, t.hSite, code, label, c.X, c.Y - o - kLabelLength, c.X, c.Y - o, 2,
                         0, t.angle, t.centre);
    if (CrossSide(t, side, se, ne, &c))
      mapCreateTitleSite(t.hMap, t.hSite, code, label, c.X, c.Y + o, c.X, c.Y + o + kLabelLength, 0,
                         0, t.angle, t.centre);
  }
  for (double l = minL; l < maxL; l += s) {
    if (!TraceLine(t, false, l, minB, maxB)) continue;
    DegreeLabel(l, label);
    if (CrossSide(t, side, sw, se, &c))
      mapCreateTitleSite(t.hMap, t.hSite, code, label, c.X - o, c.Y - o, c.X - o, c.Y + o, 1, 1,
                         t.angle, t.centre);
    if (CrossSide(t, side, nw, ne, &c))
      mapCreateTitleSite(t.hMap, t.hSite, code, label, c.X + o, c.Y - o, c.X + o, c.Y + o, 1, 0,
                         t.angle, t.centre);
  }
}

}  // namespace

MAPAPI LONG WINAPI mapAddMarginalRepresentationSite(HMAP hMap, HSITE hSite, const char* name,
                                                    DFRAME* frame) {
  return mapAddMarginalRepresentationSiteEx(hMap, hSite, name, frame, 0.0, nullptr);
}

MAPAPI LONG WINAPI mapAddMarginalRepresentationSiteEx(HMAP hMap, HSITE hSite, const char* name,
                                                      DFRAME* frame, double angle,
                                                      DOUBLEPOINT* centre) {
  if (mapGetMap(hMap, hSite) == 0 || hSite == 0 || name == nullptr || frame == nullptr) return 0;
  TemplateFile file(name);
  char line[kLineSize];
  if (!file.IsOpen() || !file.Next(line) || !Starts(line, "FRAME")) return 0;
  WorkObject work(hMap, hSite);
  if (!work) return 0;
  const TemplateRun t{hMap, hSite, *frame, angle, centre, mapGetSiteScale(hMap, hSite) * 0.001,
                      work};
  while (file.Next(line)) {
    if (line[0] == 0 || line[0] == '/') continue;
    if (Starts(line, ".RSCLINE"))
      RscLine(t, line);
    else if (Starts(line, ".RSCFRAME"))
      RscFrame(t, line);
    else if (Starts(line, ".GEOTEXT"))
      GeoText(t, line);
    else if (Starts(line, ".RSCTEXT"))
      RscText(t, line);
    else if (Starts(line, ".DIRECTION"))
      Direction(t, line);
  }
  return 1;
}

MAPAPI LONG WINAPI mapCreateLineSite(HMAP hMap, HSITE hSite, LONG code, double x1, double y1,
                                     double x2, double y2, double angle, DOUBLEPOINT* centre) {
  WorkObject w(hMap, hSite);
  if (!w || !w.Begin(code, LOCAL_LINE)) return 0;
  w.Add(x1, y1);
  w.Add(x2, y2);
  return TurnAndCommit(w.get(), angle, centre);
}

MAPAPI LONG WINAPI mapCreateFrameFillSite(HMAP hMap, HSITE hSite, LONG inner, LONG fill, LONG outer,
                                          double width, DFRAME* frame, double angle,
                                          DOUBLEPOINT* centre) {
  if (frame == nullptr) return 0;
  WorkObject w(hMap, hSite);
  if (!w) return 0;
  const DFRAME r = *frame;
  // The fill reaches 2 mm on paper beyond the outer line.
  const double margin = MainScale(hMap) * 2 * 0.001;
  if (inner != 0) {
    if (!w.Begin(inner, LOCAL_LINE)) return 0;
    AddRectangle(w, r, 0.0, 0);
    if (!TurnAndCommit(w.get(), angle, centre)) return 0;
  }
  if (outer != 0) {
    if (!w.Begin(outer, LOCAL_LINE)) return 0;
    AddRectangle(w, r, width, 0);
    if (!TurnAndCommit(w.get(), angle, centre)) return 0;
  }
  if (fill != 0) {
    if (!w.Begin(fill, LOCAL_SQUARE)) return 0;
    AddRectangle(w, r, width + margin, 0);
    if (!mapCreateSubject(w.get())) return 0;
    AddRectangle(w, r, 0.0, 1);
    if (!TurnAndCommit(w.get(), angle, centre)) return 0;
  }
  return 1;
}

MAPAPI LONG WINAPI mapCreateTitleSite(HMAP hMap, HSITE hSite, LONG code, const char* text,
                                      double x1, double y1, double x2, double y2, LONG align,
                                      LONG vertical, double angle, DOUBLEPOINT* centre) {
  if (text == nullptr) return 0;
  WorkObject w(hMap, hSite);
  if (!w || !w.Begin(code, LOCAL_TITLE)) return 0;
  w.Add(x1, y1);
  w.Add(x2, y2);
  if (!mapPutText(w.get(), text, 0)) return 0;
  // The text's length on the ground, and the line cut to it.
  const double l = MainScale(hMap) * mapGetTextLengthMkm(w.get(), 0) * 1e-6;
  const double dx = x2 - x1, dy = y2 - y1, d = std::hypot(dx, dy);
  LONG horizontal = 0;
  if (align == 1) {
    const double mx = (x1 + x2) / 2, my = (y1 + y2) / 2;
    const double h = d / 2;
    if (h > 0) {
      x1 = mx - dx / d * l, y1 = my - dy / d * l;
      x2 = mx + dx / d * l, y2 = my + dy / d * l;
    }
    horizontal = 6;
  } else if (align == 2) {
    if (d > 0) x1 = x2 - dx / d * l, y1 = y2 - dy / d * l;
    horizontal = 2;
  } else if (d > 0) {
    x2 = x1 + dx / d * l, y2 = y1 + dy / d * l;
  }
  mapUpdatePointPlane(w.get(), x1, y1, 1, 0);
  mapUpdatePointPlane(w.get(), x2, y2, 2, 0);
  mapPutTextHorizontalAlign(w.get(), horizontal, 0);
  if (vertical != 0) mapPutTextVerticalAlign(w.get(), 0, 0);
  return TurnAndCommit(w.get(), angle, centre);
}

MAPAPI LONG WINAPI mapPreSscanf(char* text, LONG length, char character) {
  if (text == nullptr || length < 1) return 0;
  const char guard = character != 0 ? character : '^';
  const size_t n = strnlen(text, size_t(length));
  for (size_t i = 0; i < n; ++i)
    if (BYTE(text[i]) == 255) text[i] = guard;
  return 1;
}

MAPAPI LONG WINAPI mapPostSscanf(char* text, LONG length, char character) {
  if (text == nullptr || length < 1) return 0;
  const char guard = character != 0 ? character : '^';
  const size_t n = strnlen(text, size_t(length));
  for (size_t i = 0; i < n; ++i)
    if (text[i] == guard) text[i] = char(255);
  return 1;
}
