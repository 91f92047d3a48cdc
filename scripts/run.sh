#!/usr/bin/env bash
# Builds and starts the program; arguments are passed on. It builds in
# build-run, apart from the tests' build, so that neither rebuilds the other.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh run
cmake -S . -B build-run -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORV_TESTS=OFF >/dev/null
cmake --build build-run -j "$(nproc)" --target corvadine
exec build-run/src/corvadine "$@"
