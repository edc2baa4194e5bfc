#include "support/ink.h"

#include <algorithm>
#include <climits>

namespace textsupport {

void Ink::Sink(void* ctx, int y, int x0, int x1) {
  Ink& ink = *static_cast<Ink*>(ctx);
  if (x1 <= x0) ink.ordered = false;
  if (!ink.spans.empty()) {
    const Span& last = ink.spans.back();
    if (y < last.y || (y == last.y && x0 <= last.x1)) ink.ordered = false;
  }
  ink.spans.push_back(Span{y, x0, x1});
}

int64_t Ink::Pixels() const {
  int64_t n = 0;
  for (const Span& s : spans) n += s.x1 - s.x0;
  return n;
}

int Ink::Left() const {
  int v = INT_MAX;
  for (const Span& s : spans) v = std::min(v, s.x0);
  return v;
}

int Ink::Right() const {
  int v = INT_MIN;
  for (const Span& s : spans) v = std::max(v, s.x1);
  return v;
}

int Ink::Top() const { return spans.empty() ? INT_MAX : spans.front().y; }

int Ink::Bottom() const { return spans.empty() ? INT_MIN : spans.back().y + 1; }

int64_t Ink::PixelsInRows(int y0, int y1) const {
  int64_t n = 0;
  for (const Span& s : spans)
    if (s.y >= y0 && s.y < y1) n += s.x1 - s.x0;
  return n;
}

bool Ink::Has(int x, int y) const {
  for (const Span& s : spans)
    if (s.y == y && x >= s.x0 && x < s.x1) return true;
  return false;
}

Ink Render(const plat::text::Font& font, int x, int y, UINT align, const char* s,
           plat::text::TextBox* box) {
  Ink ink;
  plat::text::RenderText(font, x, y, align, s, static_cast<int>(std::strlen(s)), &Ink::Sink, &ink,
                         box);
  return ink;
}

LOGFONTA Request(const char* face, LONG height, BYTE charset) {
  LOGFONTA lf;
  std::memset(&lf, 0, sizeof lf);
  lf.lfHeight = height;
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = charset;
  std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  return lf;
}


}  // namespace textsupport
