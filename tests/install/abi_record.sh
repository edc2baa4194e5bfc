#!/usr/bin/env bash
# The record of the interface written from this build depends on the
# interface alone: it names its sources relative to the source tree, never
# by the folder the tree lies in, so that it comes out the same whatever
# folder builds it.
#   MC_CHECK_ABI  the script   MC_LIBRARY  the Release library
#   MC_SOURCE_DIR the tree     MC_WORK_DIR scratch
set -euo pipefail
rm -rf "$MC_WORK_DIR" && mkdir -p "$MC_WORK_DIR"
"$MC_CHECK_ABI" --write "$MC_LIBRARY" "$MC_WORK_DIR"
record=$(ls "$MC_WORK_DIR"/*.abi)
if grep -n -e "path='/" -e "path='\.\./" -e "$MC_SOURCE_DIR" "$record" | head -5 | grep .; then
  echo "FAILED: the record names the folder it was built in" >&2
  exit 1
fi
grep -q "<abi-instr [^>]*path='api/" "$record" \
  || { echo "FAILED: the record names no source of api/" >&2; exit 1; }
