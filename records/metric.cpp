// Point kinds, text alignment codes and the blocks of metric editing
// buffers.
#include <cstring>

#include "records/metric_access.h"
#include "platform/memory.h"

int MetricPointSize(DWORD kind) {
  switch (kind) {
    case METRIC_U16:
      return 4;
    case METRIC_I32:
    case METRIC_F32:
    case METRIC_U16H:
      return 8;
    case METRIC_F64:
      return 16;
    case METRIC_F32H:
      return 12;
    case METRIC_F64H:
      return 24;
    default:
      return 0;
  }
}

int MetricIs3D(DWORD kind) {
  return (kind == METRIC_F64H || kind == METRIC_F32H || kind == METRIC_U16H) ? 1 : 0;
}

bool MetricHasLayout(DWORD kind) { return metric::LayoutSize(kind) != 0; }

bool MetricSound(const char* record, DWORD size, bool text) {
  if (size < DWORD(METRIC_EMPTY_LENGTH)) return false;
  DWORD kind;
  std::memcpy(&kind, record, sizeof(kind));
  return MetricPointSize(kind) != 0 && MetricHeld(record, size, text);
}

bool MetricHeld(const char* record, DWORD size, bool text) {
  if (size < DWORD(METRIC_EMPTY_LENGTH) || size > DWORD(METRIC_MAX_LENGTH)) return false;
  LONGMETRIC head;
  std::memcpy(&head, record, sizeof(head));
  if (!MetricValidMarker(head.Ident) || head.Length != size) return false;
  const int point = metric::LayoutSize(head.Ident);
  if (point == 0) return false;
  // The walk only reads.
  char* bytes = const_cast<char*>(record);
  metric::Walk walk(bytes, bytes + size, point, text);
  metric::Contour contour;
  if (!walk.First(contour)) return false;
  for (int i = 1; i <= walk.Subjects(); ++i) {
    metric::Contour next;
    if (!walk.Next(contour, i, next)) return false;
    contour = next;
  }
  return true;
}

int MetricAlignToCode(int flags) {
  int m = flags & 0x101E;
  int row;
  if (m < 8) row = 2;             // top
  else if (m < 24) row = 3;       // bottom
  else if (m < 0x1018) row = 0;   // baseline
  else row = 1;                   // second baseline row
  int h = flags & 6;
  int column = h == 0 ? 0 : (h == 2 ? 1 : 2);
  return METRIC_ALIGN_FIRST + 3 * row + column;
}

int MetricCodeHorizontal(int code) {
  if (code < METRIC_ALIGN_FIRST || code > METRIC_ALIGN_LAST) return 0;
  static const int kColumn[3] = {0, 2, 6};
  return kColumn[(code - METRIC_ALIGN_FIRST) % 3];
}

int MetricCodeVertical(int code) {
  if (code < METRIC_ALIGN_FIRST || code > METRIC_ALIGN_LAST) return 24;
  static const int kRow[4] = {24, 0x1018, 0, 8};
  return kRow[(code - METRIC_ALIGN_FIRST) / 3];
}

namespace metric {

// Editing buffers take zero-filled blocks of the page allocator. A block that
// has to grow is replaced by one of at least twice its size, so that long
// digitising copies the record a logarithmic number of times; the buffer
// still counts its size in 64 KB steps and uses only that much.
char* AllocBlock(size_t size) { return static_cast<char*>(plat::AllocPages(size)); }

char* GrowBlock(char* block, size_t keep, size_t size) {
  size_t capacity = plat::PageBlockSize(block);
  if (capacity >= size) return block;  // never written past `keep`: still zero
  size_t wanted = 2 * capacity;
  const size_t limit = static_cast<size_t>(METRIC_MAX_LENGTH) + METRIC_GROW_STEP;
  if (wanted > limit) wanted = limit;
  if (wanted < size) wanted = size;
  char* grown = AllocBlock(wanted);
  if (grown == nullptr && wanted > size) grown = AllocBlock(size);
  if (grown == nullptr) return nullptr;
  std::memcpy(grown, block, keep < capacity ? keep : capacity);
  plat::FreePages(block);
  return grown;
}

void FreeBlock(char* block) { plat::FreePages(block); }

}  // namespace metric
