#!/usr/bin/env bash
# Installs, builds and runs every benchmark; each prints its own figures next to its target.
# A benchmark that fails is named at the end and fails the script, after the others have run.
set -euo pipefail
cd "$(dirname "$0")/.."
# With the peer player that bench_peers measures beside the program.
bash scripts/build.sh --bench
failed=()
for program in build/bench/*/bench_*; do
  # The glob also matches the build's own folders (bench_*_autogen): run programs only.
  [ -f "$program" ] && [ -x "$program" ] || continue
  echo "== $(basename "$program")"
  "$program" || failed+=("$(basename "$program")")
done
if [ ${#failed[@]} -ne 0 ]; then
  echo "failed: ${failed[*]}" >&2
  exit 1
fi
