// Joining texts into fixed name buffers: a name that does not fit is
// refused, never cut short (a cut name would name another file).
#pragma once

#include <cstring>
#include <initializer_list>
#include <string>

// Concatenates the parts into `out`; false (out empty) when they do not
// fit in `size` bytes with the terminating zero.
inline bool JoinText(char* out, size_t size, std::initializer_list<const char*> parts) {
  std::string text;
  for (const char* part : parts)
    if (part) text += part;
  if (size == 0) return false;
  if (text.size() + 1 > size) {
    out[0] = 0;
    return false;
  }
  std::memcpy(out, text.c_str(), text.size() + 1);
  return true;
}
