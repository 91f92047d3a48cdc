#!/usr/bin/env bash
# Builds and starts the program; arguments are passed on.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target corvadine
exec build/src/corvadine "$@"
