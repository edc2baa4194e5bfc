// Comparison of a text with a wildcard template.
#include <cstring>

#include "common/codepage.h"
#include "records/semantic.h"

namespace {

int TrimmedLength(const char* s) {
  int n = static_cast<int>(std::strlen(s));
  while (n > 0 && s[n - 1] == ' ') --n;
  return n;
}

inline unsigned char Fold(char c) { return FoldCase1251(static_cast<unsigned char>(c)); }

}  // namespace

int CompareTemplateString(const char* string, const char* pattern) {
  if (string == nullptr || pattern == nullptr) return CMPSEM_NONE;
  const int ls = TrimmedLength(string);
  const int lt = TrimmedLength(pattern);
  // Past the trimmed end both read as the terminating zero, so that
  // trailing blanks make no difference.
  auto s = [&](int i) -> unsigned char { return i < ls ? Fold(string[i]) : 0; };
  auto t = [&](int i) -> char { return i < lt ? pattern[i] : 0; };

  // Before the first '*': position by position, as an ordering.
  int i = 0;
  for (; i <= lt; ++i) {
    char c = t(i);
    if (c == '*') break;
    if (c == '?') continue;
    if (i > ls) return CMPSEM_NOMATCH;
    unsigned char a = s(i), b = Fold(c);
    if (a < b) return CMPSEM_LESS;
    if (a > b) return CMPSEM_MORE;
  }
  if (i > lt) return ls == lt ? CMPSEM_EQUAL : CMPSEM_NOMATCH;

  // After a '*': each run of characters up to the next '*' is searched for
  // in the rest of the string. The first run is looked for after the part
  // the characters before the first '*' have matched.
  int pos = i;
  for (;;) {
    while (i < lt && pattern[i] == '*') ++i;
    while (i < lt && pattern[i] == '?') ++i;
    const int segment = i;
    while (i < lt && pattern[i] != '*') ++i;
    const int length = i - segment;
    if (length == 0) {
      if (i >= lt) return CMPSEM_EQUAL;
      continue;
    }
    int found = -1;
    for (int p = pos; found < 0; ++p) {
      int k = 0;
      for (; k < length; ++k) {
        if (p + k >= ls) return CMPSEM_NOMATCH;  // the string ran out
        char c = pattern[segment + k];
        if (c != '?' && Fold(string[p + k]) != Fold(c)) break;
      }
      if (k == length) found = p;
    }
    pos = found + length;
    if (pos >= ls) {
      for (int j = i; j < lt; ++j)
        if (pattern[j] != '*') return CMPSEM_NOMATCH;
      return CMPSEM_EQUAL;
    }
    if (i >= lt) return CMPSEM_EQUAL;
    bool wildOnly = true;
    for (int j = i; j < lt && wildOnly; ++j) wildOnly = pattern[j] == '*' || pattern[j] == '?';
    if (wildOnly) return CMPSEM_EQUAL;
  }
}
