#!/usr/bin/env bash
# The two example hosts run into one folder, as `make demo` runs them: the
# second leaves every file of the first as it was (its map, sheets and
# their backup copies), so the first's map still shows its own objects.
#   MC_HOSTDEMO, MC_MAPDEMO  the programs    MC_WORK_DIR  scratch (emptied)
set -euo pipefail
rm -rf "$MC_WORK_DIR" && mkdir -p "$MC_WORK_DIR/out"
cd "$MC_WORK_DIR"
"$MC_HOSTDEMO" out > hostdemo.log || { cat hostdemo.log; exit 1; }
(cd out && find . -type f | sort | xargs md5sum) > hostdemo.md5
"$MC_MAPDEMO" out > mapdemo.log || { cat mapdemo.log; exit 1; }
(cd out && md5sum --quiet -c ../hostdemo.md5) || { echo "FAILED: mapdemo changed hostdemo's files" >&2; exit 1; }
