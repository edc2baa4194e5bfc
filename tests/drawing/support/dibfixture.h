// A memory image of a given size for the painter tests, white at the start,
// with pixel access, and polyline sets built from point lists.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "drawing/paintcontext.h"
#include "drawing/polydata.h"

namespace dibtest {

constexpr DWORD kWhite = 0xFFFFFF;

// A polyline set owning its points, counts and texts.
struct Poly {
  std::vector<POINT> points;
  std::vector<LONG> counts;
  std::vector<char*> texts;
  POLYDATA data{};

  Poly(std::initializer_list<std::vector<POINT>> parts) {
    for (const auto& part : parts) {
      points.insert(points.end(), part.begin(), part.end());
      counts.push_back(static_cast<LONG>(part.size()));
    }
    texts.assign(counts.size() + 1, nullptr);
    Refresh();
  }
  // Pointers and frame from the vectors.
  POLYDATA* Refresh() {
    data.Points = points.data();
    data.PolyCounts = counts.data();
    data.Count = static_cast<LONG>(counts.size());
    data.Text = texts.data();
    if (!points.empty()) {
      data.MinX = data.MaxX = points[0].x;
      data.MinY = data.MaxY = points[0].y;
      for (const POINT& p : points) {
        data.MinX = std::min(data.MinX, p.x), data.MaxX = std::max(data.MaxX, p.x);
        data.MinY = std::min(data.MinY, p.y), data.MaxY = std::max(data.MaxY, p.y);
      }
    }
    return &data;
  }
  POLYDATA* operator->() { return &data; }
  POLYDATA* get() { return &data; }
};

// The same points and frame: a painter gave the set back as it was.
inline bool SamePoints(const Poly& a, const Poly& b) {
  if (a.points.size() != b.points.size()) return false;
  for (size_t i = 0; i < a.points.size(); ++i)
    if (a.points[i].x != b.points[i].x || a.points[i].y != b.points[i].y) return false;
  return a.data.MinX == b.data.MinX && a.data.MinY == b.data.MinY && a.data.MaxX == b.data.MaxX &&
         a.data.MaxY == b.data.MaxY;
}

// A parameter record of 32-bit words.
inline std::vector<char> Words(std::initializer_list<DWORD> words) {
  std::vector<char> v(words.size() * 4);
  std::memcpy(v.data(), words.begin(), v.size());
  return v;
}

// A drawing description of the given elements (code, parameters).
struct Element {
  int code;
  std::vector<char> parm;
};
inline std::vector<char> Draw(std::initializer_list<Element> elements) {
  std::vector<char> r(12);
  for (const Element& e : elements) {
    const WORD length = static_cast<WORD>(4 + e.parm.size()), code = static_cast<WORD>(e.code);
    r.insert(r.end(), reinterpret_cast<const char*>(&length),
             reinterpret_cast<const char*>(&length) + 2);
    r.insert(r.end(), reinterpret_cast<const char*>(&code),
             reinterpret_cast<const char*>(&code) + 2);
    r.insert(r.end(), e.parm.begin(), e.parm.end());
  }
  const DWORD head[2] = {0x7FFF7FFE, static_cast<DWORD>(r.size())};
  const WORD count = static_cast<WORD>(elements.size()), flags = 0;
  std::memcpy(r.data(), head, 8);
  std::memcpy(r.data() + 8, &count, 2);
  std::memcpy(r.data() + 10, &flags, 2);
  return r;
}

// The memory image at width x height, white, with that draw place.
class DibTest : public ::testing::Test {
 public:
  static DWORD& At(int x, int y) {
    return reinterpret_cast<DWORD*>(PaintContext.PictureTop - y * PaintContext.Stride)[x];
  }
  static DWORD Pixel(int x, int y) { return At(x, y) & 0xFFFFFF; }

 protected:
  void SetUp() override { Open(160, 120); }
  void TearDown() override { FreePaintDib(); }
  void Open(int width, int height) {
    ASSERT_EQ(AllocPaintDib(width, height, 4), 0);
    PaintContext.ImageWidth = width;
    PaintContext.ImageHeight = height;
    Clear(kWhite);
  }
  void Clear(DWORD pixel) {
    for (int y = 0; y < PaintContext.PictureHeight; ++y)
      for (int x = 0; x < PaintContext.Stride / 4; ++x) At(x, y) = pixel;
  }
  // Pixels of the draw place that are not the given value.
  static int CountOther(DWORD pixel) {
    int n = 0;
    for (int y = 0; y < PaintContext.ImageHeight; ++y)
      for (int x = 0; x < PaintContext.ImageWidth; ++x) n += Pixel(x, y) != pixel;
    return n;
  }
};

}  // namespace dibtest
