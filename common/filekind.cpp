#include "common/filekind.h"

#include <cstring>

#include "platform/file.h"
#include "platform/path.h"

namespace {

struct Signature {
  BYTE bytes[4];
  LONG kind;
};

// Whole four-byte signatures; a few are also accepted in reversed order.
const Signature kSignatures[] = {
    {{0x53, 0x58, 0x46, 0x00}, FILEKIND_SXF},     {{0x00, 0x46, 0x58, 0x53}, FILEKIND_SXF},
    {{0x2E, 0x53, 0x49, 0x54}, FILEKIND_SIT},     {{0x2E, 0x53, 0x58, 0x46}, FILEKIND_SXFTEXT},
    {{0x50, 0x53, 0x50, 0x00}, FILEKIND_PSP},     {{0x00, 0x50, 0x53, 0x50}, FILEKIND_PSP},
    {{0x4D, 0x54, 0x57, 0x00}, FILEKIND_MTW},     {{0x00, 0x57, 0x54, 0x4D}, FILEKIND_MTW},
    {{0x52, 0x53, 0x57, 0x00}, FILEKIND_RSW},     {{0x4D, 0x54, 0x51, 0x00}, FILEKIND_MTQ},
    {{0x4D, 0x54, 0x52, 0x00}, FILEKIND_MTR},     {{0x52, 0x53, 0x54, 0x00}, FILEKIND_RST},
    {{0x52, 0x53, 0x43, 0x00}, FILEKIND_RSC},     {{0x4D, 0x54, 0x4C, 0x00}, FILEKIND_MTL},
};

struct Extension {
  const char* ext;
  LONG kind;
};

const Extension kExtensions[] = {
    {".PCX", FILEKIND_PCX}, {".DXF", FILEKIND_DXF},    {".MIF", FILEKIND_MIF},
    {".030", FILEKIND_OLDSXF}, {".000", FILEKIND_OLDSXF}, {".MPT", FILEKIND_MPT},
    {".JPG", FILEKIND_JPEG}, {".PLN", FILEKIND_PLN},   {".SHP", FILEKIND_SHP},
};

bool SameExtension(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b) {
    char ca = (*a >= 'a' && *a <= 'z') ? static_cast<char>(*a - 32) : *a;
    char cb = (*b >= 'a' && *b <= 'z') ? static_cast<char>(*b - 32) : *b;
    if (ca != cb) return false;
  }
  return *a == *b;
}

}  // namespace

LONG CheckFileKind(const char* name) {
  if (name == nullptr) return FILEKIND_NONE;
  HANDLE file = plat::CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE || file == nullptr) return FILEKIND_NONE;
  BYTE b[4] = {};
  DWORD read = 0;
  const BOOL ok = plat::ReadFile(file, b, 4, &read, nullptr);
  plat::CloseHandle(file);
  if (!ok || read < 4) return FILEKIND_NONE;

  for (const Signature& s : kSignatures)
    if (std::memcmp(s.bytes, b, 4) == 0) return s.kind;

  char ext[MAX_EXT];
  plat::SplitPath(name, nullptr, nullptr, nullptr, ext);

  if (b[0] == 'D' && b[1] == 'I' && b[2] == 'R') return FILEKIND_DIR;
  if (b[0] == 'B' && b[1] == 'M') return FILEKIND_BMP;
  if (b[0] == 0x10) return FILEKIND_PCX;
  if ((b[0] == 'I' && b[1] == 'I') || (b[0] == 'M' && b[1] == 'M')) return FILEKIND_TIFF;
  if (b[0] == '[' && SameExtension(ext, ".MPT")) return FILEKIND_MPT;
  if (b[0] == 0xFF && b[1] == 0xD8) return FILEKIND_JPEG;
  if (b[0] == 0x00 && b[1] == 0x00 && b[2] == 0x27 && b[3] == 0x0A) return FILEKIND_SHP;

  for (const Extension& e : kExtensions)
    if (SameExtension(ext, e.ext)) return e.kind;
  return FILEKIND_NONE;
}
