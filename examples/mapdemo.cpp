// A small host program of the map library: shows what the library does so
// far. Usage: mapdemo [output folder]
#include <iconv.h>

#include <cstdio>
#include <string>

#include "api/mapapi.h"

namespace {

// The library's texts are code page 1251; the terminal wants UTF-8.
std::string ToUtf8(const char* cp1251) {
  std::string out;
  iconv_t cd = iconv_open("UTF-8", "CP1251");
  if (cd == (iconv_t)-1) return cp1251;
  std::string in(cp1251);
  out.resize(in.size() * 3 + 1);
  char* src = in.data();
  size_t srcLeft = in.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  out.resize(out.size() - dstLeft);
  return out;
}

int ShowBox(HWND, const char* text, const char* caption, UINT flags, void*) {
  std::printf("  message box [%s] (flags 0x%X): %s\n", ToUtf8(caption).c_str(), flags,
              ToUtf8(text).c_str());
  return IDOK;
}

}  // namespace

int main(int argc, char** argv) {
  const char* outDir = argc > 1 ? argv[1] : ".";
  platSetMessageBoxHook(ShowBox, nullptr);

  std::printf("mapcore demo (output folder %s)\n", outDir);
  std::printf("library language: %d (1 English, 2 Russian)\n", GetMapAccessLanguage());

  std::printf("error 60007 in English:\n");
  ErrorMessage(60007, "demo.map");
  SetMapAccessLanguage(2);
  std::printf("error 60007 in Russian:\n");
  ErrorMessage(60007, "demo.map");
  SetMapAccessLanguage(1);

  mapSetPathShell(argv[0]);
  std::printf("host folder: %s\n", mapGetPathShell());
  return 0;
}
