#!/usr/bin/env bash
# Installs what is needed and builds into build/:
#   build.sh          the program, its tools, its tests and benchmarks (the default)
#   build.sh --run    the program and its tools only, with only what running them needs
#   build.sh --demo   the same, and what the offline demo needs beside them
#   build.sh --bench  everything, and the peer player that the benchmarks measure beside
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:---all}
case "$mode" in
  --all|--bench) tests=ON ;;
  --run|--demo) tests=OFF ;;
  *) echo "usage: $0 [--run|--demo|--bench]" >&2; exit 2 ;;
esac
bash scripts/install-deps.sh "$mode"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSONAVIA_BUILD_TESTS="$tests" -DSONAVIA_WERROR="${SONAVIA_WERROR:-OFF}"
cmake --build build -j "$(nproc)"
