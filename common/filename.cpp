#include "common/filename.h"

#include <atomic>
#include <cstring>

#include "common/codepage.h"

int IsPlainFileName(const char* name, size_t size) {
  if (name == nullptr || size == 0) return 0;
  const size_t length = strnlen(name, size);
  if (length == 0 || length == size) return 0;  // empty, or runs out of its field
  for (size_t i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (c < 0x20 || c == '/' || c == '\\' || c == ':') return 0;
    if (c == '.' && i + 1 < length && name[i + 1] == '.') return 0;
  }
  const char last = name[length - 1];
  return last != '.' && last != ' ';
}

namespace {
std::atomic<uint64_t> g_comparisons{0};
}  // namespace

uint64_t FolderNameComparisons() { return g_comparisons.load(std::memory_order_relaxed); }

int CompareNamesInFolder(const char* a, const char* b) {
  g_comparisons.fetch_add(1, std::memory_order_relaxed);
  if (a == nullptr || b == nullptr) return (a != nullptr) - (b != nullptr);
  for (;; ++a, ++b) {
    const unsigned char x = FoldCase1251(static_cast<unsigned char>(*a));
    const unsigned char y = FoldCase1251(static_cast<unsigned char>(*b));
    if (x != y) return x < y ? -1 : 1;
    if (x == 0) return 0;
  }
}

int IsSameNameInFolder(const char* a, const char* b) {
  return a != nullptr && b != nullptr && CompareNamesInFolder(a, b) == 0;
}
