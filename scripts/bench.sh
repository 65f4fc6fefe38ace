#!/usr/bin/env bash
# Installs, builds and runs every benchmark; each prints its own figures next to its target.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
for program in build/bench/*/bench_*; do
  echo "== $(basename "$program")"
  "$program"
done
