#!/usr/bin/env bash
# scripts/check-abi on small libraries against the baseline of their major
# (the record of its first release): additions pass; a resized class or a
# removed function fails under the same SONAME, also after a release that
# added something (whose record never replaces the baseline); a change
# named in the suppression file beside the baseline passes; a major
# without a baseline fails; a baseline is never written over.
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
lib addgrown 1 -DADDED -DGROWN; lib raised 2 -DGROWN -DREMOVED
failed=0
expect() { # <want> <what> <command...>
  local got=0
  "${@:3}" > "$2.log" 2>&1 || got=$?
  if [ "$got" != "$1" ]; then
    cat "$2.log"; echo "FAILED: $2 answers $got, not $1" >&2; failed=1
  fi
}

# The first release of major 1 writes its baseline; the next release,
# which adds, has its own record written elsewhere, and the baseline stays.
"$MC_CHECK_ABI" --write release.so abi > /dev/null
cp abi/libthing.so.1.abi first.abi
expect 1 rewrite "$MC_CHECK_ABI" --write added.so abi
cmp -s first.abi abi/libthing.so.1.abi || { echo "FAILED: the baseline was rewritten" >&2; failed=1; }
"$MC_CHECK_ABI" --write added.so newer > /dev/null

for case in release:0 added:0 grown:1 removed:1 addgrown:1 raised:1; do
  name=${case%:*} want=${case#*:}
  expect "$want" "$name" "$MC_CHECK_ABI" "$name.so" abi
done
# Against the newer record alone the class grown after it would pass for
# a host of the added release; against the baseline it does not.
expect 1 "addgrown-after-added" "$MC_CHECK_ABI" addgrown.so abi

# The growth, reviewed and judged harmless, named beside the baseline.
cat > abi/libthing.so.1.suppr <<'SUPPR'
[suppress_type]
  name = TThing
SUPPR
expect 0 suppressed "$MC_CHECK_ABI" grown.so abi
expect 1 "removed-suppressed" "$MC_CHECK_ABI" removed.so abi

# Major 2 has its own baseline once its release writes it.
"$MC_CHECK_ABI" --write raised.so abi > /dev/null
expect 0 raised-own "$MC_CHECK_ABI" raised.so abi
exit $failed
