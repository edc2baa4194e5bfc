#!/usr/bin/env bash
# Installs the built library into a fresh prefix and builds hosts against
# that prefix alone: the C interface as C99, the exported classes, the
# display host and the C example through find_package(mapcore) with no C++
# standard of their own (the package brings C++20), and the C example and
# the C interface as C++ through pkg-config. Each host runs and checks what it
# calls; the C example must finish its demo and leave its picture.
#
# Set by tests/install/CMakeLists.txt:
#   MC_BUILD_DIR  build folder to install      MC_WORK_DIR  scratch folder (emptied)
#   MC_HOSTS_DIR  the host sources             MC_EXAMPLE_C  the C example host
#   MC_CC, MC_CXX, MC_C_FLAGS, MC_CXX_FLAGS, MC_LINK_FLAGS  compilers and the
#                 build's own flags (the sanitizers of the test build)
#   MC_GENERATOR  CMake generator              MC_VERSION, MC_SOVERSION
set -euo pipefail

fail() { echo "FAILED: $*" >&2; exit 1; }
step() { echo "== $*"; }

prefix=$MC_WORK_DIR/prefix
lib=$prefix/lib
inc=$prefix/include/mapcore
rm -rf "$MC_WORK_DIR"
mkdir -p "$MC_WORK_DIR/src" "$MC_WORK_DIR/run"
# The host sources are copied out, so that no folder of the project is
# searched even as the folder of an including file; the pkghost*.h headers
# go beside them, for the pkg-config hosts and host_api.c.
cp -r "$MC_HOSTS_DIR/host_api.c" "$MC_HOSTS_DIR/host_cmake" "$MC_EXAMPLE_C" "$MC_WORK_DIR/src/"
shopt -s nullglob
pkghosts=("$MC_HOSTS_DIR"/pkghost_*.c "$MC_HOSTS_DIR"/pkghost_*.cpp)
pkgheaders=("$MC_HOSTS_DIR"/pkghost*.h)
shopt -u nullglob
for f in "${pkghosts[@]}" "${pkgheaders[@]}"; do cp "$f" "$MC_WORK_DIR/src/"; done
src=$MC_WORK_DIR/src
# Nothing from the environment adds search paths.
unset CPATH C_INCLUDE_PATH CPLUS_INCLUDE_PATH LIBRARY_PATH LD_LIBRARY_PATH CMAKE_PREFIX_PATH
export PKG_CONFIG_PATH=$lib/pkgconfig

# Each host must load the installed library, not the one in the build folder.
check_loads_installed() {
  local found
  found=$(LD_LIBRARY_PATH=$lib ldd "$1" | awk '/libmapcore/ {print $3}')
  [ "$found" = "$lib/libmapcore.so.$MC_SOVERSION" ] || fail "$1 loads libmapcore from '$found'"
}

# Runs the C example in a folder of its own: it must finish and leave a PNG.
run_example() {
  local out=$MC_WORK_DIR/run/$(basename "$1")
  mkdir -p "$out"
  LD_LIBRARY_PATH=$lib "$1" "$out" > "$out.log" || { cat "$out.log"; fail "$1 failed"; }
  grep -q "^demo finished$" "$out.log" || { cat "$out.log"; fail "$1 did not finish"; }
  # It loads many objects with edit mode off and reads them back.
  grep -q "^2000 wells loaded into .* with edit mode off, then on again; 2000 read back$" \
    "$out.log" || { cat "$out.log"; fail "$1 loaded no objects outside edit mode"; }
  [ "$(head -c 8 "$out/hostdemo.png" | od -An -tx1 | tr -d ' ')" = 89504e470d0a1a0a ] \
    || fail "$1 left no PNG"
}

step "install into $prefix"
cmake --install "$MC_BUILD_DIR" --prefix "$prefix" > "$MC_WORK_DIR/install.log" \
  || { cat "$MC_WORK_DIR/install.log"; fail "cmake --install"; }

step "layout"
[ "$(readlink "$lib/libmapcore.so")" = "libmapcore.so.$MC_SOVERSION" ] || fail "libmapcore.so link"
[ "$(readlink "$lib/libmapcore.so.$MC_SOVERSION")" = "libmapcore.so.$MC_VERSION" ] \
  || fail "libmapcore.so.$MC_SOVERSION link"
[ -f "$lib/libmapcore.so.$MC_VERSION" ] || fail "libmapcore.so.$MC_VERSION missing"
soname=$(readelf -d "$lib/libmapcore.so.$MC_VERSION" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[ "$soname" = "libmapcore.so.$MC_SOVERSION" ] || fail "SONAME is '$soname'"
for f in api/mapapi.h types/registers.h types/drawcalls.h mapstore/map.h classifier/maprsc.h \
  geodesy/radiangrad.h; do
  [ -f "$inc/$f" ] || fail "header $f not installed"
done
internal=$(cd "$inc" && find . -name '*internal*' -o -type f ! -name '*.h' | sed 's|^\./||')
[ -z "$internal" ] || fail "installed but not public: $internal"
for f in cmake/mapcore/mapcoreConfig.cmake cmake/mapcore/mapcoreConfigVersion.cmake pkgconfig/mapcore.pc; do
  [ -f "$lib/$f" ] || fail "$f not installed"
done
echo "$(cd "$inc" && find . -name '*.h' | wc -l) headers installed"

step "pkg-config host (the C interface as C++)"
[ "$(pkg-config --modversion mapcore)" = "$MC_VERSION" ] || fail "pkg-config version"
pc_flags=$(pkg-config --cflags --libs mapcore)
echo "pkg-config: $pc_flags"
for word in $pc_flags; do
  case $word in
    -I* | -L*)
      [[ $(realpath -m "${word:2}") == "$(realpath "$prefix")"/* ]] \
        || fail "pkg-config names a folder outside the prefix: $word" ;;
  esac
done
# shellcheck disable=SC2086  # the flags are lists of words
"$MC_CXX" -std=c++20 -Wall -Werror $MC_CXX_FLAGS -x c++ "$src/host_api.c" -x none \
  $pc_flags $MC_LINK_FLAGS -o "$MC_WORK_DIR/host_pkgconfig"
check_loads_installed "$MC_WORK_DIR/host_pkgconfig"
LD_LIBRARY_PATH=$lib "$MC_WORK_DIR/host_pkgconfig" "$MC_WORK_DIR/run"

step "pkg-config C example (C99, the flags of pkg-config alone)"
# shellcheck disable=SC2086
"$MC_CC" -std=c99 -Wall -Wextra -pedantic -Werror $MC_C_FLAGS "$src/hostdemo.c" \
  $pc_flags $MC_LINK_FLAGS -o "$MC_WORK_DIR/hostdemo_pkgconfig"
check_loads_installed "$MC_WORK_DIR/hostdemo_pkgconfig"
run_example "$MC_WORK_DIR/hostdemo_pkgconfig"

# Hosts of their own, each one file built with the flags of pkg-config alone
# (pkghost_*.c as C99, pkghost_*.cpp as C++20; a pkghost*.h beside them is
# theirs to share) and run with an emptied folder of its own as argv[1].
for f in "${pkghosts[@]}"; do
  name=$(basename "$f"); name=${name%.*}
  step "pkg-config host $name"
  # shellcheck disable=SC2086
  case $f in
    *.c) "$MC_CC" -std=c99 -Wall -Wextra -pedantic -Werror $MC_C_FLAGS "$src/$(basename "$f")" \
           $pc_flags -lm $MC_LINK_FLAGS -o "$MC_WORK_DIR/$name" ;;
    *) "$MC_CXX" -std=c++20 -Wall -Wextra -Werror $MC_CXX_FLAGS "$src/$(basename "$f")" \
         $pc_flags $MC_LINK_FLAGS -o "$MC_WORK_DIR/$name" ;;
  esac
  check_loads_installed "$MC_WORK_DIR/$name"
  mkdir -p "$MC_WORK_DIR/run/$name"
  LD_LIBRARY_PATH=$lib "$MC_WORK_DIR/$name" "$MC_WORK_DIR/run/$name" || fail "$name failed"
done

step "CMake package hosts (the exported classes, the C example)"
cmake -S "$src/host_cmake" -B "$MC_WORK_DIR/host_cmake" -G "$MC_GENERATOR" \
  -DCMAKE_CXX_COMPILER="$MC_CXX" -DCMAKE_CXX_FLAGS="$MC_CXX_FLAGS" \
  -DCMAKE_C_COMPILER="$MC_CC" -DCMAKE_C_FLAGS="$MC_C_FLAGS" -DMC_EXAMPLE_C="$src/hostdemo.c" \
  -DCMAKE_EXE_LINKER_FLAGS="$MC_LINK_FLAGS" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF \
  > "$MC_WORK_DIR/host_cmake.log" || { cat "$MC_WORK_DIR/host_cmake.log"; fail "host configure"; }
grep "^-- mapcore" "$MC_WORK_DIR/host_cmake.log"
grep -qx "mapcore_DIR:PATH=$lib/cmake/mapcore" "$MC_WORK_DIR/host_cmake/CMakeCache.txt" \
  || fail "find_package(mapcore) did not find the installed package"
cmake --build "$MC_WORK_DIR/host_cmake" > "$MC_WORK_DIR/host_cmake_build.log" \
  || { cat "$MC_WORK_DIR/host_cmake_build.log"; fail "host build"; }
check_loads_installed "$MC_WORK_DIR/host_cmake/host"
"$MC_WORK_DIR/host_cmake/host" "$MC_WORK_DIR/run"
check_loads_installed "$MC_WORK_DIR/host_cmake/display"
mkdir -p "$MC_WORK_DIR/run/display_cmake"
"$MC_WORK_DIR/host_cmake/display" "$MC_WORK_DIR/run/display_cmake" || fail "CMake display host failed"
check_loads_installed "$MC_WORK_DIR/host_cmake/hostdemo"
run_example "$MC_WORK_DIR/host_cmake/hostdemo"

step "C host (C99)"
# shellcheck disable=SC2086
c_host() {
  "$MC_CC" -std=c99 -Wall -Werror $MC_C_FLAGS "$src/host_api.c" -I"$inc" \
    -L"$lib" -lmapcore $MC_LINK_FLAGS -o "$MC_WORK_DIR/host_c"
}
c_host
check_loads_installed "$MC_WORK_DIR/host_c"
LD_LIBRARY_PATH=$lib "$MC_WORK_DIR/host_c" "$MC_WORK_DIR/run"

echo "install test passed"
