/* A stand-in for the sibling library that converts classifiers of older
 * versions, loaded by the library as a host's converter would be. The
 * tests make a current classifier look older by its version word and the
 * low half of its style word; converting puts both back. */
#include <stdint.h>
#include <stdio.h>

static void Put32(unsigned char* at, uint32_t v) {
  at[0] = (unsigned char)v;
  at[1] = (unsigned char)(v >> 8);
  at[2] = (unsigned char)(v >> 16);
  at[3] = (unsigned char)(v >> 24);
}

static int Convert(const char* from, const char* to) {
  unsigned char image[1 << 16];
  size_t size;
  FILE* in = fopen(from, "rb");
  FILE* out;
  if (!in) return 0;
  size = fread(image, 1, sizeof image, in);
  fclose(in);
  if (size < 20 || size == sizeof image) return 0;
  Put32(image + 8, 0x0702);      /* the current version */
  image[16] = 1, image[17] = 0;  /* a style of this version */
  out = fopen(to, "wb");
  if (!out) return 0;
  size = fwrite(image, 1, size, out) == size;
  return fclose(out) == 0 && size;
}

int CheckAndLoadOldVersionRsc(const char* name, int32_t mode) {
  (void)mode;
  return Convert(name, name);
}

int LoadOldVersionRsc(const char* oldName, const char* name, int32_t mode) {
  (void)mode;
  return Convert(oldName, name);
}
