// The adjacency search: the area around the source, the candidate walk,
// the point walk along the source's contours, and the list of touched and
// untouched stretches.
#include "search/adjacent.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "platform/memory.h"
#include "search/docseek.h"

namespace {

// The area and the tolerance are the precision widened by this much.
constexpr double kMargin = 0.01;

bool Overlap(const DFRAME& a, const DFRAME& b) {
  return a.X1 <= b.X2 && b.X1 <= a.X2 && a.Y1 <= b.Y2 && b.Y1 <= a.Y2;
}

// Point `n` of contour `subject` shifted into the neighbour's sheet units.
bool SourcePoint(TDataEdit& metric, int subject, int n, const DOUBLEPOINT& shift,
                 DOUBLEPOINT* point) {
  if (metric.GoPointSubject(n, subject) == nullptr) return false;
  *point = DOUBLEPOINT{metric.XDouble() + shift.X, metric.YDouble() + shift.Y};
  return true;
}

// The distance from the point to the nearest point of any segment of the
// neighbour's contours: false when there is none.
bool Distance(TDataEdit& metric, const DOUBLEPOINT& point, double* distance) {
  XYDOUBLE nearest;
  if (!metric.SeekNearVirtualPoint(point.X, point.Y, &nearest)) return false;
  *distance = std::hypot(nearest.X - point.X, nearest.Y - point.Y);
  return std::isfinite(*distance);
}

// A single point at either end of a closed contour is where the contour
// closes, not a stretch of its own.
bool Reportable(int first, int last, int count, bool closed) {
  return !(first == last && closed && (first == 1 || first == count));
}

// A copy of the source, with its outer contour alone when `subjects` is 0.
bool SourceCopy(TObjectInfo* source, int subjects, TObjectInfo* copy) {
  copy->Object(source);
  if (copy->Desc == nullptr || copy->Metric.Record == nullptr) return false;
  if (subjects == 0)
    for (int k = copy->PolyCount() - 1; k >= 1; --k) copy->DeleteSubject(k);
  return true;
}

MAPADJACENTLISTEX Record(TObjectInfo* neighbour, const MAPADJACENTSECTION& section) {
  MAPADJACENTLISTEX r{};
  if (const char* name = neighbour->ListName())
    std::memcpy(r.List, name, strnlen(name, sizeof r.List - 1));
  r.ListNumber = neighbour->ListNumber();
  r.Key = neighbour->ObjectKey();
  r.Object = neighbour->ObjectNumber();
  r.Excode = neighbour->ObjectExcode();
  r.First = section.First;
  r.Last = section.Last;
  return r;
}

// The fields a short entry and a record share: the sheet name (cut to
// what the shorter holds), key, object number and points.
template <class From, class To>
void CopyEntry(const From& from, To* to) {
  constexpr size_t kName = std::min(sizeof from.List, sizeof to->List) - 1;
  std::memset(to->List, 0, sizeof to->List);
  std::memcpy(to->List, from.List, strnlen(from.List, kName));
  to->Key = from.Key;
  to->Object = from.Object;
  to->First = from.First;
  to->Last = from.Last;
}

// Records with their contours in contour, first point, last point order,
// the order of equal ones kept.
void Sort(MAPADJACENTLISTEX* list, int* subjects, int count) {
  auto before = [&](int a, int b) {
    if (subjects[a] != subjects[b]) return subjects[a] < subjects[b];
    if (list[a].First != list[b].First) return list[a].First < list[b].First;
    return list[a].Last < list[b].Last;
  };
  for (int i = 1; i < count; ++i) {
    for (int j = i; j > 0 && before(j, j - 1); --j) {
      std::swap(list[j], list[j - 1]);
      std::swap(subjects[j], subjects[j - 1]);
    }
  }
}

// Point numbers running on through the contours: contour k's follow the
// points of contours 0..k-1, a closed one's closing point not counted
// (it is the contour's first point).
void Renumber(TObjectInfo* source, MAPADJACENTLISTEX* list, const int* subjects, int count) {
  TDataEdit& metric = source->Metric;
  int subject = 0, points = metric.PointCount(0);
  bool closed = metric.GetExclusiveSubject(0) != 0;
  LONG offset = 0;
  for (int i = 0; i < count; ++i) {
    while (subject < subjects[i]) {
      offset += points - (closed ? 1 : 0);
      ++subject;
      points = metric.PointCount(subject);
      closed = metric.GetExclusiveSubject(subject) != 0;
    }
    MAPADJACENTLISTEX& r = list[i];
    if (closed && r.First == points) r.First = 1;
    if (closed && r.Last == points) r.Last = 1;
    r.First += offset;
    r.Last += offset;
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// One section

bool TAdjacentSeek::Prepare(Search* search, TObjectInfo* source, TMapSelect* select,
                            double precision) {
  if (source->Desc == nullptr || source->Map == nullptr || source->Metric.Record == nullptr ||
      !std::isfinite(precision))
    return false;
  if (precision < 0.0) precision = 0.0;
  DFRAME frame;
  if (!source->ObjectFrame(&frame, 0)) return false;
  if (!select->AreaSet(precision + kMargin, source, 1, 0, 1, nullptr)) return false;
  TMap* map = source->Map;
  double tolerance = precision + kMargin;
  if (!map->IsRealPlace() && map->Factor > 0.0) tolerance = precision / map->Factor + kMargin;
  // Frames within the tolerance of each other may hold touching contours.
  frame.X1 -= tolerance, frame.Y1 -= tolerance;
  frame.X2 += tolerance, frame.Y2 += tolerance;
  *search = Search{source, select, frame, tolerance};
  return true;
}

bool TAdjacentSeek::Candidate(const Search& search, TObjectInfo* neighbour) {
  TObjectInfo* source = search.Source;
  if (neighbour->Desc == nullptr || neighbour->Map == nullptr ||
      neighbour->Metric.Record == nullptr)
    return false;
  const DFRAME* sheet = neighbour->Map->ListFrame(neighbour->ListNumber());
  if (sheet == nullptr || !Overlap(*sheet, search.Frame)) return false;
  DFRAME frame;
  if (!neighbour->ObjectFrame(&frame, 0) || !Overlap(frame, search.Frame)) return false;
  return !(neighbour->Map == source->Map && neighbour->ListNumber() == source->ListNumber() &&
           neighbour->ObjectKey() == source->ObjectKey());
}

bool TAdjacentSeek::Walk(const Search& search, TObjectInfo* neighbour,
                         MAPADJACENTSECTION* section, int* subject, int point) {
  TDataEdit& source = search.Source->Metric;
  TDataEdit& other = neighbour->Metric;
  const DOUBLEPOINT shift{search.Source->Origin.X - neighbour->Origin.X,
                          search.Source->Origin.Y - neighbour->Origin.Y};
  const double tolerance = search.Tolerance;
  const int subjects = search.Source->PolyCount();
  for (int s = *subject; s < subjects; ++s, point = 1) {
    const int count = source.PointCount(s);
    const bool closed = source.GetExclusiveSubject(s) != 0;
    int first = 0, last = 0;  // the open section; first 0: none
    DOUBLEPOINT atLast{};     // point `last`, shifted
    auto report = [&]() {
      section->First = first;
      section->Last = last;
      *subject = s;
      return true;
    };
    for (int p = point; p <= count; ++p) {
      DOUBLEPOINT here;
      double d;
      if (!SourcePoint(source, s, p, shift, &here) || !Distance(other, here, &d)) continue;
      if (d > tolerance) {
        if (first != 0 && Reportable(first, last, count, closed)) return report();
        first = 0;
        continue;
      }
      if (first != 0 && p == last + 1) {
        // The segment from the last point must lie along the neighbour
        // too: its midpoint is tested.
        double m;
        if (Distance(other, DOUBLEPOINT{(atLast.X + here.X) / 2, (atLast.Y + here.Y) / 2}, &m) &&
            m <= tolerance) {
          last = p;
          atLast = here;
          continue;
        }
      }
      // A gap or a segment leaving the neighbour ends the open section;
      // this point may begin the next one.
      if (first != 0 && Reportable(first, last, count, closed)) return report();
      first = last = p;
      atLast = here;
    }
    if (first != 0 && Reportable(first, last, count, closed)) return report();
  }
  return false;
}

int TAdjacentSeek::Next(const Search& search, TObjectInfo* neighbour,
                        MAPADJACENTSECTION* section, int* subject, int flags, int m) {
  TObjectInfo* source = search.Source;
  const int subjects = source->PolyCount();
  const bool over = flags == 0 || section->Count <= 0 || *subject < 0 || *subject >= subjects ||
                    section->First < 0 || section->First > source->PointCount(*subject) ||
                    section->Last < 0 || section->Last > source->PointCount(*subject);
  if (over) *section = MAPADJACENTSECTION{0, 0, 0}, *subject = 0;
  if (source->Metric.GoPointSubject(1, *subject) == nullptr) return 0;

  // The walk of candidates keeps one direction: a first (last) search
  // goes on as next (previous) ones, so that it never comes round again.
  const int direction = SeekDirection(flags);
  const int onward =
      (direction == SEEK_PREV || direction == SEEK_LAST ? SEEK_PREV : SEEK_NEXT) |
      (flags & SEEK_THISMAP);
  int seek = over ? flags & ~(SEEK_NEXT | SEEK_PREV | SEEK_LAST) : onward;
  // Going on: after the last section, with the same neighbour. Without a
  // section (the last call found none) the search goes on from the
  // neighbour handle's object to the next candidate: once ended, it stays
  // ended.
  bool same = !over && section->First != 0 && Candidate(search, neighbour);
  int from = same ? section->Last + 1 : 1;
  if (!same) *subject = 0;
  section->First = section->Last = 0;
  TDocumentSeek seeker(Doc);
  for (;;) {
    if (!same) {
      if (seeker.SeekObject(neighbour, search.Select, m, seek) == nullptr) return 0;
      seek = onward;
      if (!Candidate(search, neighbour)) continue;
      *subject = 0;
      from = 1;
    }
    same = false;
    if (Walk(search, neighbour, section, subject, from)) return ++section->Count;
  }
}

int TAdjacentSeek::SeekAdjacentObjectSubject(TObjectInfo* neighbour, TObjectInfo* source,
                                             MAPADJACENTSECTION* section, int* subject,
                                             TMapSelect* select, double precision, int flags,
                                             int m) {
  if (Doc == nullptr || neighbour == nullptr || source == nullptr || neighbour == source ||
      section == nullptr || subject == nullptr || select == nullptr)
    return 0;
  Search search;
  if (!Prepare(&search, source, select, precision)) return 0;
  return Next(search, neighbour, section, subject, flags, m);
}

int TAdjacentSeek::SeekAdjacentObject(TObjectInfo* neighbour, TObjectInfo* source,
                                      MAPADJACENTSECTION* section, TMapSelect* select,
                                      double precision, int flags, int m, int subjects) {
  if (Doc == nullptr || neighbour == nullptr || source == nullptr || neighbour == source ||
      section == nullptr || select == nullptr)
    return 0;
  TObjectInfo copy;
  if (!SourceCopy(source, subjects, &copy)) return 0;
  Search search;
  if (!Prepare(&search, &copy, select, precision)) return 0;
  int subject = 0;
  if (copy.PolyCount() > 1 && flags != 0 && section->Count > 0 && section->First != 0) {
    // The caller keeps no contour number between calls: the sections
    // reported so far are found again to learn the contour of the last
    // one, so that the search goes on after it rather than round again.
    MAPADJACENTSECTION again{0, 0, 0};
    const int start = flags & SEEK_THISMAP;
    for (int k = 0; k < section->Count; ++k)
      if (Next(search, neighbour, &again, &subject, k == 0 ? start : flags, m) == 0) return 0;
    *section = again;
  }
  return Next(search, neighbour, section, &subject, flags, m);
}

// ---------------------------------------------------------------------------
// The list

int TAdjacentSeek::Complete(TObjectInfo* source, MAPADJACENTLISTEX* list, int* subjects,
                            int found, int count) {
  TDataEdit& metric = source->Metric;
  const int contours = source->PolyCount();
  // Every touched record brings at most one untouched one before it, and
  // every contour one after its last.
  const int64_t room = std::min<int64_t>(count, int64_t(found) * 2 + contours + 1);
  auto* out = static_cast<MAPADJACENTLISTEX*>(plat::AllocPages(SIZE_T(room) * sizeof *list));
  auto* outSubjects = static_cast<int*>(plat::AllocPages(SIZE_T(room) * sizeof(int)));
  if (out == nullptr || outSubjects == nullptr) {
    plat::FreePages(out);
    plat::FreePages(outSubjects);
    return 0;
  }
  int n = 0;
  auto put = [&](const MAPADJACENTLISTEX& r, int s) {
    if (n >= room) return false;
    out[n] = r;
    outSubjects[n++] = s;
    return true;
  };
  auto untouched = [&](int s, int first, int last) {
    MAPADJACENTLISTEX r{};
    r.First = first;
    r.Last = last;
    return put(r, s);
  };
  int current = 0, point = 1;
  // The rest of the current contour and whole contours up to `upto`.
  auto finish = [&](int upto) {
    for (; current < upto; ++current, point = 1) {
      const int points = metric.PointCount(current);
      if (point < points && !untouched(current, point, points)) return false;
    }
    return true;
  };
  bool fits = true;
  for (int i = 0; i < found && fits; ++i) {
    const MAPADJACENTLISTEX& r = list[i];
    fits = finish(subjects[i]);
    if (!fits) break;
    if (r.First > point) fits = untouched(current, point, r.First);
    point = std::max<int>(point, r.Last);
    fits = fits && put(r, subjects[i]);
  }
  if (fits) finish(contours);
  std::memcpy(list, out, size_t(n) * sizeof *list);
  std::memcpy(subjects, outSubjects, size_t(n) * sizeof(int));
  plat::FreePages(out);
  plat::FreePages(outSubjects);
  return n;
}

int TAdjacentSeek::SeekAdjacentListSubject(TObjectInfo* source, MAPADJACENTLISTEX* list,
                                           int* subjects, int count, TMapSelect* select,
                                           double precision, int single, int m) {
  if (Doc == nullptr || source == nullptr || list == nullptr || subjects == nullptr ||
      count < 1 || select == nullptr)
    return 0;
  Search search;
  if (!Prepare(&search, source, select, precision)) return 0;
  TObjectInfo neighbour;
  MAPADJACENTSECTION section{0, 0, 0};
  int subject = 0, found = 0, flags = SEEK_THISMAP;
  while (found < count && Next(search, &neighbour, &section, &subject, flags, m) > 0) {
    flags = SEEK_THISMAP | SEEK_NEXT;
    if (single && section.First == section.Last) continue;
    list[found] = Record(&neighbour, section);
    subjects[found++] = subject;
    if (count == 1) return 1;
  }
  Sort(list, subjects, found);
  const int n = Complete(source, list, subjects, found, count);
  Renumber(source, list, subjects, n);
  return n;
}

int TAdjacentSeek::SeekAdjacentList(TObjectInfo* source, MAPADJACENTLISTEX* list, int count,
                                    TMapSelect* select, double precision, int single, int m,
                                    int subjects) {
  if (Doc == nullptr || source == nullptr || list == nullptr || count < 1 || select == nullptr)
    return 0;
  TObjectInfo copy;
  if (!SourceCopy(source, subjects, &copy)) return 0;
  int* contours = static_cast<int*>(plat::AllocPages(SIZE_T(count) * sizeof(int)));
  if (contours == nullptr) return 0;
  const int n =
      SeekAdjacentListSubject(&copy, list, contours, count, select, precision, single, m);
  plat::FreePages(contours);
  return n;
}

int TAdjacentSeek::SeekAdjacentList(TObjectInfo* source, MAPADJACENTLIST* list, int count,
                                    TMapSelect* select, double precision, int single, int m,
                                    int subjects) {
  if (Doc == nullptr || source == nullptr || list == nullptr || count < 1 || select == nullptr)
    return 0;
  // The search fills records of its own, taken from the entries and
  // copied back into them.
  auto* records =
      static_cast<MAPADJACENTLISTEX*>(plat::AllocPages(SIZE_T(count) * sizeof(MAPADJACENTLISTEX)));
  if (records == nullptr) return 0;
  for (int i = 0; i < count; ++i) CopyEntry(list[i], &records[i]);
  const int n = SeekAdjacentList(source, records, count, select, precision, single, m, subjects);
  for (int i = 0; i < n; ++i) CopyEntry(records[i], &list[i]);
  plat::FreePages(records);
  return n;
}

// ---------------------------------------------------------------------------
// The document's entries

int TMapAccess::SeekAdjacentObject(TObjectInfo* neighbour, TObjectInfo* source,
                                   MAPADJACENTSECTION* section, TMapSelect* select,
                                   double precision, int flags, int m, int subjects) {
  return TAdjacentSeek(this).SeekAdjacentObject(neighbour, source, section, select, precision,
                                                flags, m, subjects);
}

int TMapAccess::SeekAdjacentObjectSubject(TObjectInfo* neighbour, TObjectInfo* source,
                                          MAPADJACENTSECTION* section, int* subject,
                                          TMapSelect* select, double precision, int flags,
                                          int m) {
  return TAdjacentSeek(this).SeekAdjacentObjectSubject(neighbour, source, section, subject,
                                                       select, precision, flags, m);
}

int TMapAccess::SeekAdjacentList(TObjectInfo* source, MAPADJACENTLISTEX* list, int count,
                                 TMapSelect* select, double precision, int single, int m,
                                 int subjects) {
  return TAdjacentSeek(this).SeekAdjacentList(source, list, count, select, precision, single, m,
                                              subjects);
}

int TMapAccess::SeekAdjacentListSubject(TObjectInfo* source, MAPADJACENTLISTEX* list,
                                        int* subjects, int count, TMapSelect* select,
                                        double precision, int single, int m) {
  return TAdjacentSeek(this).SeekAdjacentListSubject(source, list, subjects, count, select,
                                                     precision, single, m);
}
