#!/usr/bin/env bash
# Installs, builds and starts the player. It runs in build/, the folder that holds
# Interface/radio.int and where it keeps its settings files.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
cd build
exec ./sonavia
