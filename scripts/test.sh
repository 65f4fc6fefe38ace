#!/usr/bin/env bash
# Installs, builds and runs every test: the CTest suite, then the fuzz targets.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
(cd build && ctest --output-on-failure -j 2 --timeout 600)
bash scripts/fuzz.sh 200000
