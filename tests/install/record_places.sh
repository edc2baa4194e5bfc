#!/usr/bin/env bash
# A record a host exchanges as bytes cannot move a field unnoticed: two
# fields of one size swapped in OBJECTRECORD, or in SELECTRECORD's
# sections, fail the build of a C99, a C11 and a C++ host that includes the
# header; the headers as they are build.
#   MC_CC  MC_CXX  the compilers   MC_SOURCE_DIR  the tree   MC_WORK_DIR  scratch
set -euo pipefail
rm -rf "$MC_WORK_DIR" && mkdir -p "$MC_WORK_DIR" && cd "$MC_WORK_DIR"
failed=0
build() { # <include folder> <header>: 0 when every language builds it
  printf '#include "%s"\nint mc_host;\n' "$2" > host.c
  cp host.c host.cpp
  "$MC_CC" -std=c99 -pedantic -Werror -I"$1" -c host.c -o c99.o 2> /dev/null &&
    "$MC_CC" -std=c11 -pedantic -Werror -I"$1" -c host.c -o c11.o 2> /dev/null &&
    "$MC_CXX" -std=c++20 -pedantic -Werror -I"$1" -c host.cpp -o cxx.o 2> /dev/null
}
swapped() { # <name> <header> <record> <field a> <field b>: the tree with two
             # declarations of the record swapped
  mkdir -p "$1" && cp -r "$MC_SOURCE_DIR/types" "$1/"
  local file="$1/types/$2" range="/typedef struct $3 {/,/} $3;/"
  sed -i -e "${range}s/^\(  [A-Z]* \)$4;/\1MC_SWAP_A;/" -e "${range}s/^\(  [A-Z]* \)$5;/\1$4;/" \
    -e "${range}s/MC_SWAP_A;/$5;/" "$file"
  if cmp -s "$file" "$MC_SOURCE_DIR/types/$2"; then
    echo "FAILED: $4 and $5 not found in $3" >&2; failed=1
  fi
}
for header in objtypes.h selecttypes.h; do
  build "$MC_SOURCE_DIR" "types/$header" || { echo "FAILED: types/$header does not build" >&2; failed=1; }
done
swapped object objtypes.h OBJECTRECORD Excode Key
swapped select selecttypes.h SELECTSECTION Count Offset
for case in object:objtypes.h select:selecttypes.h; do
  if build "${case%%:*}" "types/${case#*:}"; then
    echo "FAILED: a swap in types/${case#*:} builds" >&2; failed=1
  fi
done
exit $failed
