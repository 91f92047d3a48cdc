#!/usr/bin/env bash
# Builds and runs every test; the normal build is a plain Release build (GCC at
# -O3) that also builds, but does not run, the benchmarks. CORV_SANITIZE=1
# builds with ASan and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
if [ "${CORV_SANITIZE:-0}" = "1" ]; then
  dir=build-asan; flags=(-DCORV_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
else
  dir=build; flags=(-DCMAKE_BUILD_TYPE=Release -DCORV_BENCH=ON)
fi
cmake -S . -B "$dir" -G Ninja "${flags[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
# No test is run twice: one that fails fails the run; one that hangs fails
# after five minutes instead of holding the run. Many tests start an X server,
# a compositor and the program each, so half as many run at once as there are
# cores.
jobs=$(( $(nproc) / 2 )); [ "$jobs" -ge 2 ] || jobs=2
ctest --test-dir "$dir" --output-on-failure --timeout 300 -j "$jobs"
