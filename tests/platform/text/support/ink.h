// Collects the ink a text render emits, for the text engine tests.
#pragma once

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/text/text_engine.h"

namespace textsupport {

struct Span {
  int y, x0, x1;
};

// All spans of one render, with the checks every render must pass.
struct Ink {
  std::vector<Span> spans;
  bool ordered = true;  // rows ascending, spans of a row ascending and apart

  static void Sink(void* ctx, int y, int x0, int x1);
  int64_t Pixels() const;
  bool Empty() const { return spans.empty(); }
  // Bounding box of the ink: [left, right) x [top, bottom).
  int Left() const;
  int Right() const;
  int Top() const;
  int Bottom() const;
  // Ink pixels in rows [y0, y1).
  int64_t PixelsInRows(int y0, int y1) const;
  bool Has(int x, int y) const;
};

// Renders and collects.
Ink Render(const plat::text::Font& font, int x, int y, UINT align, const char* s,
           plat::text::TextBox* box = nullptr);

// A request for a face at a cell height (positive) or em height (negative).
LOGFONTA Request(const char* face, LONG height, BYTE charset = ANSI_CHARSET);

// A fresh scratch folder under the tests' temporary directory (MC_TEST_TMP
// is defined for test programs only, hence inline).
#ifdef MC_TEST_TMP
inline std::string ScratchFolder(const char* name) {
  std::filesystem::path p = std::filesystem::path(MC_TEST_TMP) / "platform_text" / name;
  std::filesystem::remove_all(p);
  std::filesystem::create_directories(p);
  return p.string();
}
#endif

}  // namespace textsupport
