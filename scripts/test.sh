#!/usr/bin/env bash
# Installs, builds and runs every test: the CTest suite (every tier: unit, component, desktop),
# then each fuzz target over its corpus and a minute of new inputs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
(cd build && ctest --output-on-failure -j 2 --timeout 600)
bash scripts/fuzz.sh --seconds 60
