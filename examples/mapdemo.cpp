// A small host program of the map library: shows what the library does so
// far. Usage: mapdemo [output folder]
#include <iconv.h>

#include <cstdio>
#include <string>

#include "api/mapapi.h"
#include "geodesy/translate.h"

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

  // Gauss-Krueger coordinates of a point on the Krasovsky ellipsoid.
  TTranslate gk;
  const double kDeg = 3.14159265358979323846 / 180.0;
  double x = 0, y = 0, b = 0, l = 0;
  gk.BL2XY_GK(55.75 * kDeg, 37.62 * kDeg, &x, &y);
  gk.XY2BL_GK(x, y, &b, &l);
  std::printf("B 55.75, L 37.62 degrees -> zone %d, X %.3f m, Y %.3f m -> B %.9f, L %.9f\n",
              gk.GetNumberZone(), x, y, b / kDeg, l / kDeg);

  // Block compression round trip.
  char block[4096], packed[4096], unpacked[4096];
  for (int i = 0; i < 4096; ++i) block[i] = static_cast<char>((i / 64) & 7);
  int n = mapCompressLZW(block, 4096, packed, sizeof(packed));
  int m = n > 0 ? mapDecompressLZW(packed, n, unpacked, sizeof(unpacked)) : 0;
  std::printf("LZW: 4096 bytes -> %d bytes -> %d bytes\n", n, m);

  mapSetPathShell(argv[0]);
  std::printf("host folder: %s\n", mapGetPathShell());
  return 0;
}
