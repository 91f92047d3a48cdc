#!/usr/bin/env bash
# Builds the fuzz harnesses with clang and runs each over its seed corpus once:
# no open-ended fuzzing. FUZZ_SECONDS=n fuzzes each harness for n seconds
# instead (locally; the corpus grows in build-fuzz/corpus).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
if ! command -v clang++ >/dev/null; then
  echo "clang++ not found: the fuzz harnesses are not built"
  exit 0
fi
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCORV_FUZZ=ON -DCORV_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz --target corv_fuzzers -j "$(nproc)"
[ -n "${FUZZ_SECONDS:-}" ] || rm -rf build-fuzz/corpus
python3 scripts/fuzz-corpus.py build-fuzz/corpus
for h in fuzz_settings_file fuzz_settings_blob fuzz_defaults_file fuzz_event fuzz_world fuzz_compositor_reports; do
  flags=(-rss_limit_mb=4096 -timeout=20 -artifact_prefix=build-fuzz/"$h"- -print_final_stats=1)
  if [ -n "${FUZZ_SECONDS:-}" ]; then
    flags+=(-max_total_time="$FUZZ_SECONDS")
  else
    flags+=(-runs=0)
  fi
  log=build-fuzz/"$h".log
  if ! build-fuzz/fuzz/"$h" "${flags[@]}" build-fuzz/corpus/"$h" >"$log" 2>&1; then
    tail -40 "$log"
    echo "$h failed"
    exit 1
  fi
  echo "$h: $(grep -E '^stat::number_of_executed_units' "$log") without a fault"
done
