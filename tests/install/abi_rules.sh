#!/usr/bin/env bash
# scripts/check-abi on small libraries against the record of the first:
# additions pass, a resized class or a removed function fails under the same
# SONAME, and anything passes under a higher SONAME.
#   MC_CHECK_ABI  the script      MC_CXX  the compiler   MC_WORK_DIR  scratch
set -euo pipefail
rm -rf "$MC_WORK_DIR" && mkdir -p "$MC_WORK_DIR" && cd "$MC_WORK_DIR"
cat > lib.cpp <<'CODE'
#define API __attribute__((visibility("default")))
struct API TThing {
  int A;
#ifdef GROWN
  int B;
#endif
  int Get() const;
#ifdef ADDED
  int Twice() const;
#endif
};
int TThing::Get() const { return A; }
#ifdef ADDED
int TThing::Twice() const { return 2 * A; }
extern "C" API int thingAdded(void) { return 1; }
#endif
#ifndef REMOVED
extern "C" API int thingCount(const TThing* t) { return t->A; }
#endif
CODE
lib() { # <name> <major> <defines...>
  "$MC_CXX" -shared -fPIC -g -O2 -fvisibility=hidden -Wl,-soname,libthing.so."$2" "${@:3}" \
    lib.cpp -o "$1.so"
}
lib release 1; lib added 1 -DADDED; lib grown 1 -DGROWN; lib removed 1 -DREMOVED
lib raised 2 -DGROWN -DREMOVED
"$MC_CHECK_ABI" --write release.so release.abi > /dev/null
failed=0
for case in release:0 added:0 grown:1 removed:1 raised:0; do
  name=${case%:*} want=${case#*:} got=0
  "$MC_CHECK_ABI" "$name.so" release.abi > "$name.log" 2>&1 || got=$?
  if [ "$got" != "$want" ]; then
    cat "$name.log"; echo "FAILED: $name answers $got, not $want" >&2; failed=1
  fi
done
exit $failed
