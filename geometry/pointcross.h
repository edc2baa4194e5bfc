// Crossing points of two object metrics (TPointCross): every point where
// the outer contours of two metrics cross or touch, kept as two parallel
// arrays of POINTCROSS records, one per contour, ordered along the contour,
// cleaned of duplicates, given heights and classified as entries, exits and
// touches. It is the base of the geometry workers that cut and unite
// objects: they trace result pieces from crossing to crossing along the two
// contours (CollectorOneObject) and clean the metrics they build (beaks,
// self-crossing loops, line ends).
//
// Metrics are held in TDataEdit buffers in plane coordinates (metres, or
// the units of the sheet the first object lies on). Two objects on
// different sheets of one map are brought into the first one's sheet frame
// for the search and handed back afterwards.
//
// The search indexes the segments of the second contour in a grid over the
// common part of the two frames, so two contours of n and m points cost
// about n + m + the number of crossings rather than n x m. The worker keeps
// its arrays and index between loads: a worker reused for similar contours
// allocates nothing.
//
// Failures leave a code in State and give 0: MAPERR_INPUT for a missing or
// foreign argument, GEOMETRY_ERR_METRIC for a metric that cannot be
// searched (16 MB or more, a point kind without a point size, a coordinate
// or height that is not a finite number), GEOMETRY_ERR_OPEN for an area
// whose outer contour is open, MAPERR_MEMORY when an array cannot be had,
// and GEOMETRY_ERR_PIECE for a traced piece that cannot be closed.
#pragma once

#include <cstdint>
#include <vector>

#include "common/maperr.h"
#include "geodesy/points.h"
#include "geometry/contourindex.h"
#include "records/dataedit.h"
#include "platform/export.h"
#include "platform/win_types.h"

class TNodedOverlay;
class TObjectInfo;

// Classification of a crossing as seen from one contour.
enum : int {
  CROSS_EXIT = 1,           // from inside the other contour to outside
  CROSS_ENTRY = 2,          // from outside to inside
  CROSS_TOUCH_INSIDE = 3,   // inside on both sides
  CROSS_TOUCH_OUTSIDE = 4,  // outside on both sides
};

// The smallest precision of the workers.
constexpr double GEOMETRY_PRECISION = 0.001;

// One crossing as seen from one of the two contours. Point numbers count
// from 1. A crossing at a vertex of this contour has First = the vertex,
// Second = the vertex + 1 (the vertex itself for the last point of an open
// contour) and Position = -vertex; one inside this contour's segment has
// First and Second = the segment's ends and Position 0 (inside the other
// contour's segment too) or 1 (at a vertex of the other contour). During
// tracing Position counts the uses of the crossing.
struct POINTCROSS {
  double X;
  double Y;
  double H;           // METRIC_NO_HEIGHT when none
  LONG First;         // the point that begins this contour's segment
  LONG Second;        // the point that ends it
  LONG OtherFirst;    // the same two numbers on the other contour
  LONG OtherSecond;
  LONG Position;
  LONG Kind;          // CROSS_*, 0 before classification
};

static_assert(sizeof(POINTCROSS) == 48);

class MAPCLASS TPointCross {
 public:
  TPointCross();
  TPointCross(TObjectInfo* first, TObjectInfo* second, int mode, int s2, int s1, double precision);
  TPointCross(TDataEdit* first, TDataEdit* second, int mode, int s2, int s1, double precision);
  ~TPointCross();
  TPointCross(const TPointCross&) = delete;
  TPointCross& operator=(const TPointCross&) = delete;

  // --- Loading and searching ---

  // The result kind follows the second metric (doubles stay doubles,
  // heights stay heights, everything else becomes floats); the precision
  // becomes GEOMETRY_PRECISION, replaced by the given one only when that is
  // larger. 1, 0 for a null or empty buffer.
  int SetKindPrecision(TDataEdit* second, double precision);
  // Loads two objects of one map and searches their outer contours (of
  // subject s1 of the first and s2 of the second, 0 = the whole metric).
  // mode: 0 line results, 1 area results. 1 when crossings were found or
  // one contour lies inside the other (InsideFlag).
  int LoadObjects(TObjectInfo* first, TObjectInfo* second, int mode, int s2, int s1,
                  double precision);
  int LoadObjects(TDataEdit* first, TDataEdit* second, int mode, int s2, int s1,
                  double precision);
  // 1 when the outer contour is closed and the mode is 0 or 1; an open
  // contour sets GEOMETRY_ERR_OPEN.
  int ControlLocal(TDataEdit* metric, int mode);
  // The fields back to their start values (arrays and buffers kept).
  void InitPointCross();
  // The search of the loaded metrics: frees nothing the next load needs.
  int LoadData();
  // Moves the second metric into the first object's sheet frame (objects on
  // different sheets of one map only): 1.
  int UnitedData();
  // Moves a result metric from o1's sheet frame into o2's: 1 when moved or
  // when both lie on one sheet, 0 otherwise.
  int UnitedData(TDataEdit* result, TObjectInfo* o1, TObjectInfo* o2);
  // Grows both arrays; 0 when memory is short (MAPERR_MEMORY).
  int Realloc();

  // --- The steps of a search ---

  // Finds, orders, cleans and gives heights to the crossings: 0 when there
  // are none.
  int SetAllPointCross();
  // Records every crossing and touching of the two outer contours: 1 when
  // there is at least one.
  int PointCrossObj();
  // Records the crossings of segment number `segment` (a-b) of the first
  // contour with the second contour, among the segments the index gives.
  int CrossLengthData(const DOUBLEPOINT* a, const DOUBLEPOINT* b, int segment);
  // Orders an array by First, then along each segment from its first point
  // to its second; a vertex given as minus the last point of a closed
  // contour becomes vertex 1.
  void SortPointCross(POINTCROSS* array, int count, TDataEdit* metric);
  // Orders an array by First, ascending (records of one First keep their
  // order).
  static void SortPoint(POINTCROSS* array, int count);
  // Orders records first .. last - 1 (all on one segment a-b) along it.
  void SortCoordinamesPointCross(POINTCROSS* array, int first, int last, const DOUBLEPOINT* a,
                                 const DOUBLEPOINT* b);
  // Removes repeated records of one segment together with their partners;
  // count is updated.
  void DeletePointCross(POINTCROSS* array, POINTCROSS* partner, int* count, TDataEdit* metric);
  // Sorts both arrays along their contours and removes the repeated
  // records of each with their partners.
  void SortBothPointCross();
  // Exchanges two records of one segment whose order makes a beak.
  void ChangePointCrossBeak(POINTCROSS* array, int count, int closed);
  // Heights from the metric that has them, interpolated along its segment.
  void SetHeightPointCross(POINTCROSS* first, POINTCROSS* second, TDataEdit* m1, TDataEdit* m2,
                           int count);
  // Fills a record; the other numbers only when either is non-zero.
  static void SetPointCross(POINTCROSS* record, const DOUBLEPOINT* point, int first, int second,
                            double h, int otherFirst, int otherSecond);
  // The midpoint of records i and j.
  static void AveragePoint(const POINTCROSS* array, DOUBLEPOINT* out, int i, int j);
  // The first record at exactly (x, y); count when none.
  static int GetPointCross(const POINTCROSS* array, int count, double x, double y);
  // The partner of a record: exactly its point, with other numbers equal to
  // its own numbers; count when none.
  static int GetPointCrossEx(const POINTCROSS* array, int count, const POINTCROSS* record);
  // The same answer for the worker's own arrays (Cross1, Cross2) through a
  // table of their records by point and numbers, made when an array is
  // first asked after its records moved or its count changed, so that
  // finding every crossing's partner costs about the number of crossings;
  // other arrays are walked.
  int FindPartner(const POINTCROSS* array, int count, const POINTCROSS* record);

  // --- Classification ---

  // Kind of crossing `index` of `array` (the crossings of `metric`) against
  // the other metric, stored in the record; for an open contour also in
  // its partner. invert: the inside sense of this side is inverted;
  // otherInvert: that of the other side.
  int GetInsidePointCross(TDataEdit* metric, TDataEdit* other, POINTCROSS* partner,
                          POINTCROSS* array, int same, int count, int index, int invert,
                          int otherInvert);
  // Makes touches agree with their neighbours (only after a touch from
  // inside was classified).
  void CorrectPointCrossALLNO(POINTCROSS* array, int count);

  // --- Results ---

  // Inserts the crossings as vertices into both contours (and into the
  // objects they came from): the larger of the two insertion counts.
  int InsertPointCross();
  // 1 when the other metric's outer contour leaves the area.
  int IsCutObject(TDataEdit* area, TDataEdit* other, double precision);

  // --- Piece tracing (piecetrace.cpp) ---

  // Traces the next piece into subject n of the result, starting on the
  // crossings of the second object (start = 2) or of the first: 1 when a
  // piece was traced, 0 when none is left or on failure.
  int CollectorOneObject(TDataEdit* result, int n, int start);
  // Appends the stretch of the contour from crossing `index` to the next
  // crossing: index + 1 of the next crossing, -1 when the walk ran to the
  // end of an open contour, 0 on failure.
  int GetDataObject(TDataEdit* result, TDataEdit* contour, int n, int count, int index,
                    POINTCROSS* array);
  // Copies points first .. last of the source subject (backwards when
  // forward is 0; around the closing point of a closed contour) to the end
  // of the destination subject, with heights for destinations that have
  // them: 1, 0 on failure.
  int MoveData(TDataEdit* destination, TDataEdit* source, int forward, int sourceSubject,
               int destinationSubject, int first, int last);
  // The kind of a crossing once it has been followed in a direction (1 or 2).
  static void ChangeDirection(int direction, LONG* kind);
  // Appends subject n of the source to the destination; with area results
  // and check 0 only a subject inside the destination's outer contour.
  int DoSubject(TDataEdit* destination, TDataEdit* source, int check, int n);
  // 0 when subject n's frame and the frame do not meet, 1 when it lies
  // within the frame, 2 when they overlap.
  static int InsideDimensions(TDataEdit* metric, const DFRAME* frame, int n);
  // Subject n of the source as the only contour of the destination.
  static int CreateDataObject(TDataEdit* destination, TDataEdit* source, int n);

  // --- Metric clean-up (metricclean.cpp) ---

  // 0.0 when the apex and its neighbours a and b make a beak (a spike
  // narrower than one degree, or two of the points within twice the
  // precision of each other), pi otherwise.
  static double BeakAngle(const DOUBLEPOINT* apex, const DOUBLEPOINT* a, const DOUBLEPOINT* b,
                          double precision);
  // Lists in `table` (at most 100) the vertices of the polyline that are
  // beaks, each found as though the ones before were gone: their number.
  static int FindBeakPoints(const DOUBLEPOINT* points, int count, int closed, double precision,
                            int* table);
  // Removes beak vertices from every subject, then the subjects after the
  // outer contour that are left too small: 1, 0 on failure.
  int DeleteBeak(TDataEdit* metric);
  // Splits the self-crossing loops off every subject as new subjects (the
  // larger part staying in place): 1, 0 on failure.
  int DeleteLoop(TDataEdit* metric);
  // Removes points within the precision of the point before them from
  // subject n (-1: every subject); a closed subject is closed again.
  int DeleteEqualPoints(TDataEdit* metric, int n);
  // Extends open subject n at both ends by the distance: 1, 0 when the
  // subject is closed or too short.
  int DragPoints(TDataEdit* metric, double distance, int n);
  // Moves (x, y) onto the ray from the base through it, at the distance
  // from the base; nothing when it lies within 0.001 of the base.
  static void SeekVirtualPointByDistance(double* x, double* y, double distance, double baseX,
                                         double baseY);

  // --- Fields, in order ---
  double Precision = -1.0;
  POINTCROSS* Cross1 = nullptr;  // the crossings as seen from the first contour
  POINTCROSS* Cross2 = nullptr;  // and from the second, record by record at first
  TObjectInfo* Object1 = nullptr;
  TObjectInfo* Object2 = nullptr;
  TDataEdit Data1;               // the first metric
  TDataEdit Data2;               // the second metric
  LONG State = 1;                // 1 not loaded, 0 usable, else an error code
  LONG InsideFlag = 0;           // no crossings, one contour inside the other
  LONG InsideKind = 0;           // line results: parts of the second inside (1) or outside (2)
  LONG Count = 0;                // records in each array
  LONG Subject1 = 0;             // the subjects loaded, 0 = whole metric
  LONG Subject2 = 0;
  LONG UserMap = 0;              // the objects' map keeps plane coordinates
  LONG Clean = 1;                // remove equal points and beaks before searching
  LONG Mode = 0;                 // 0 line results, 1 area results
  LONG ResultKind = 0;           // point kind of results
  LONG Reverse = 0;              // a line piece was traced backwards
  LONG SameDirection = 0;        // both outer contours turn the same way
  LONG Capacity = 0;             // records each array holds
  LONG TouchInside = 0;          // a touch from inside was classified
  LONG TouchOutside = 0;         // a touch from outside was classified
  TDataEdit Result;              // receives each result piece
  LONG HoleCount = 0;            // kept for the cutting workers
  LONG CurrentHole = 0;
  TDataEdit Work;                // intermediate metrics
  LONG FirstRun = 1;             // beaks not yet removed from the loaded metrics
  LONG HoleUnion = 0;
  BYTE SubjectBits[8192] = {};   // one bit per subject, for the cutting workers
  LONG Touched = 0;              // the last search found a vertex within the precision of the other contour
  LONG Merged = 0;               // it kept one of two crossings at one point of a segment
  LONG Swapped = 0;              // it exchanged two crossings of one segment as a beak pair
  LONG Close = 0;                // it found a vertex within twice the precision of the other contour
  LONG Doubtful = 0;             // the last classification took a sample within the precision of the other contour

 protected:
  void FreeArrays();
  int AllocArrays();
  // Forgets the points found and makes the arrays for a new search: 0 when
  // the state is not usable or memory is short (MAPERR_MEMORY), else 1.
  int StartSearch();
  // A metric the search can read (whole, under 16 MB, a kind with a point
  // size, finite coordinates and heights); else the state says why.
  int CheckMetric(TDataEdit* metric);
  int ReplaceSubject(TDataEdit* target, int s, const std::vector<DOUBLEPOINT>& points,
                     const std::vector<double>& heights);
  // Whether two of the crossings found lie within the distance of each
  // other in X and Y: as good as a touch.
  int CrossingsCrowded(double distance);
  // The index of the first or the second outer contour as last searched,
  // built when first asked; null before a search.
  TContourIndex* Outline(bool first);
  // After a search: whether a hole of either metric (of the first only
  // when firstHoles) comes within the tolerance of another contour of
  // either, where the metrics' frames meet or everywhere; 1 also when a
  // metric cannot be read.
  int TouchingHoles(int firstHoles, int everywhere, double tolerance);
  // The next of an overlay's pieces, from *next on, into the result
  // buffer: turning the way of positive area when positive (else the
  // other way), moved back to the second object's sheet and cleaned of
  // beaks; a piece that cleaning leaves without area is passed over. Null
  // when none is left (MAPERR_MEMORY when one could not be written).
  TDataEdit* NextOverlaid(TNodedOverlay& overlay, LONG* next, int positive);
  // Builds the overlay on the worker's precision (TNodedOverlay::Make) of
  // subject s1 of first for owner o1 and subject s2 of the second object
  // for o2: 1, or 0 with the overlay's state taken and the crossings
  // dropped.
  int MakeOverlay(TNodedOverlay& overlay, TDataEdit& first, int s1, int o1, int s2, int o2,
                  int operation, bool secondAsLine = false);

  // Area pieces are traced ahead, all of them, before any is handed out:
  // a trace that cannot close a piece leaves the answer to the overlay
  // rather than handing out part of it.
  //
  // Whether a trace can start: a crossing of the second contour (where
  // the pieces start) neither used yet nor a touch from outside.
  bool TraceCanStart() const;
  // The next piece, traced by collect(&Result) into the result buffer
  // made anew of the result kind with the text flag, and cleaned of equal
  // points: 1 when one was traced (closed, or a sliver of three points or
  // fewer, which is passed over), 0 when none is left, -1 when the trace
  // failed or could not close the piece.
  template <typename F>
  int TraceNext(int text, F collect) {
    if (State != 0 || !TraceCanStart()) return 0;
    if (!Result.Create(ResultKind, text) || !collect(&Result)) return -1;
    Result.DeleteEqualPoint(Precision, 0);
    if (Result.PointCount(0) > 2 && !Result.GetExclusiveSubject(0)) return -1;
    return 1;
  }
  // Every piece traced by collect, the slivers passed over, kept in order
  // to be handed out (the crossings found stay counted): 1, or 0 when a
  // piece could not be closed.
  template <typename F>
  int TraceAhead(int text, F collect) {
    ForgetTraced();
    const LONG found = Count;
    int r = 1;
    // Every trace uses up its start crossing.
    for (int guard = 0; r == 1 && guard <= found + 1; ++guard) {
      r = TraceNext(text, collect);
      if (r == 1 && Result.PointCount(0) > 3) KeepTraced();
    }
    Count = found;
    return r == 0 ? 1 : 0;
  }
  void ForgetTraced();
  void KeepTraced();
  // The next piece traced ahead into the result buffer: 1, 0 when none is
  // left (or it cannot be loaded).
  int NextTraced(int text);

 private:
  // A vertex of one contour found within the precision of the other: at
  // one of its vertices (Type 0, Other = that vertex) or inside one of its
  // segments (Type 1, Other = the segment). Indexes from 0.
  struct Hit {
    LONG Vertex;
    LONG Other;
    LONG Type;
    double D2;  // squared distance
  };

  int LoadBuffers(TDataEdit* first, TDataEdit* second, int mode, int s2, int s1,
                  double precision);
  int Append(const POINTCROSS& own, const POINTCROSS& other);
  int BuildIndex();
  void TestPair(int i, int j);
  int EmitHits(std::vector<Hit>& hits, bool firstSide);
  int InsertInto(TDataEdit* data, POINTCROSS* array, TObjectInfo* object, int subject,
                 const DOUBLEPOINT* shift);
  int RebuildSubject(TDataEdit* target, int s, const std::vector<DOUBLEPOINT>& points,
                     const std::vector<double>& heights, TDataEdit& work);

  // FindPartner's tables, one for each array: the array and the count it
  // was made for (-1: none), and slots of record numbers (-1: empty),
  // open-addressed by the hash of a record's point and other numbers.
  struct PartnerTable {
    const POINTCROSS* array = nullptr;
    int count = -1;
    std::vector<int32_t> slots;
  };
  PartnerTable Partners[2];
  // The arrays' records moved or were replaced: the tables are made again.
  void ForgetPartners() { Partners[0].count = Partners[1].count = -1; }

  // Work arrays, kept between loads.
  std::vector<int32_t> CellStart;    // the grid: entries of cell c from CellStart[c]
  std::vector<int32_t> CellItems;    // segments of the second contour by cell
  std::vector<int32_t> Stamp;        // the last first-contour segment that met a segment
  std::vector<Hit> Hits1;            // vertices of the first contour on the second
  std::vector<Hit> Hits2;            // vertices of the second inside first-contour segments
  std::vector<DOUBLEPOINT> Scratch;  // clean-up and insertion
  std::vector<double> ScratchH;
  std::vector<DOUBLEPOINT> Scratch2;
  std::vector<double> ScratchH2;
  std::vector<int32_t> HoleOf;       // TouchingHoles: the hole of each point
  double GridX0 = 0.0, GridY0 = 0.0, CellW = 1.0, CellH = 1.0;
  int GridNX = 0, GridNY = 0;
  DFRAME Region = {0.0, 0.0, 0.0, 0.0};  // where the two frames meet
  int Closed1 = 0, Closed2 = 0;

 protected:
  std::vector<DOUBLEPOINT> Points1;  // the outer contours as searched
  std::vector<DOUBLEPOINT> Points2;
  // The outer contours of the two metrics as last searched, indexed for
  // the classification (built when first asked; a search makes them stale).
  TContourIndex Outline1;
  TContourIndex Outline2;
  int Outlined1 = 0, Outlined2 = 0;
  int Searched = 0;  // Points1 and Points2 hold the metrics' outer contours
  // The pieces traced ahead: their records one after another, each from
  // a word boundary; TracedAt holds where each begins.
  std::vector<uint64_t> TracedWords;
  std::vector<size_t> TracedAt;
  size_t TracedNext = 0;
};
