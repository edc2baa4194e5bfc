#!/usr/bin/env bash
# scripts/run-fuzz's count of failing inputs on an artifact folder as
# libFuzzer leaves it: the crash, leak, timeout and oom inputs are kept in
# the corpus and counted; a slow unit is listed apart, not counted.
#   MC_RUN_FUZZ  the script    MC_WORK_DIR  scratch (emptied)
set -euo pipefail
rm -rf "$MC_WORK_DIR" && mkdir -p "$MC_WORK_DIR/artifacts" "$MC_WORK_DIR/corpus"
cd "$MC_WORK_DIR"
# shellcheck source=/dev/null
source "$MC_RUN_FUZZ"
for name in crash-1 leak-2 timeout-3 oom-4 slow-unit-5; do echo "$name" > "artifacts/$name"; done
kept=$(keep_reproducers artifacts corpus 2> listed.txt)
[ "$kept" = 4 ] || { echo "FAILED: $kept failing inputs counted, not 4" >&2; exit 1; }
[ "$(ls corpus | tr '\n' ' ')" = "crash-1 leak-2 oom-4 timeout-3 " ] \
  || { echo "FAILED: the corpus keeps $(ls corpus)" >&2; exit 1; }
grep -q "slow unit.*slow-unit-5" listed.txt || { echo "FAILED: the slow unit is not listed" >&2; exit 1; }
rm artifacts/[clto]*
[ "$(keep_reproducers artifacts corpus 2> /dev/null)" = 0 ] \
  || { echo "FAILED: a slow unit alone is counted" >&2; exit 1; }
