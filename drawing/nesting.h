// How deep calls that reach themselves again may nest: painters of sets
// inside sets, plug-ins painting plug-in images through the host. A record
// or plug-in that nests deeper is damaged (or built to exhaust the stack).
#pragma once

// Takes one level of `depth` while it lies below `limit`; `ok` is false
// (and nothing is taken) once the limit is reached.
struct NestingGuard {
  NestingGuard(int& depth, int limit) : Depth(depth), ok(depth < limit) {
    if (ok) ++Depth;
  }
  ~NestingGuard() {
    if (ok) --Depth;
  }
  NestingGuard(const NestingGuard&) = delete;
  NestingGuard& operator=(const NestingGuard&) = delete;

  int& Depth;
  const bool ok;
};
