#!/usr/bin/env bash
# Installs what is needed and builds the program, its tools and its tests into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSONAVIA_WERROR="${SONAVIA_WERROR:-OFF}"
cmake --build build -j "$(nproc)"
