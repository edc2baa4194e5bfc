// A memory context with a DIB section selected, for the graphics tests.
#pragma once

#include <string>

#include "platform/gdi/gdi.h"
#include "platform/gdi/gdi_test.h"

class Canvas {
 public:
  // An 8-bit canvas gets Table(): black, white, red, blue, green first.
  Canvas(int width, int height, int bpp = 32, bool topDown = false);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return dc_; }
  HBITMAP bitmap() const { return bitmap_; }
  void* bits() const { return bits_; }
  int width() const { return width_; }
  int height() const { return height_; }
  COLORREF At(int x, int y) const { return plat::gdi::GetPixelColor(dc_, x, y); }
  DWORD Value(int x, int y) const { return plat::gdi::GetPixelValue(dc_, x, y); }
  // Fills the whole surface with a colour (FillRect with a solid brush).
  void Clear(COLORREF colour);
  // Number of pixels of the colour.
  int Count(COLORREF colour) const;
  // Rows of pixels as text: '#' where the colour is, '.' elsewhere.
  std::string Picture(COLORREF colour, int x0, int y0, int x1, int y1) const;
  // A copy of every pixel value, to compare two states.
  std::string Snapshot() const;
  // Writes the canvas to MC_TEST_TMP/<name>.png (for failing tests).
#ifdef MC_TEST_TMP
  void Dump(const char* name) const {
    std::string path = std::string(MC_TEST_TMP) + "/gdi_" + name + ".png";
    plat::gdi::WritePng(dc_, path.c_str());
  }
#endif

  static const RGBQUAD* Table();

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  void* bits_ = nullptr;
  int width_, height_;
};

// Selects a pen or brush for a scope and deletes it afterwards.
class ScopedObject {
 public:
  ScopedObject(HDC dc, HGDIOBJ object) : dc_(dc), object_(object) {
    old_ = plat::SelectObject(dc, object);
  }
  ~ScopedObject() {
    plat::SelectObject(dc_, old_);
    plat::DeleteObject(object_);
  }
  ScopedObject(const ScopedObject&) = delete;
  ScopedObject& operator=(const ScopedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ object_;
  HGDIOBJ old_;
};
